#include "vordanel/series.h"

#include "vordanel/calculation.h"
#include "vordanel/catalogue.h"
#include "vordanel/numtext.h"

// The library's parse leaves a variable to the compiler's doubt, not ours to mend.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <date/date.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace vordanel {

namespace {

constexpr std::int64_t millisPerDay = 86'400'000;

constexpr ReadingNoteNames readingNoteNames[] = {
    {ReadingNote::BelowOpening, "below_opening", word(Word::reading_below_opening)},
    {ReadingNote::AboveWeir, "above_weir", word(Word::note_above_weir)},  // the window's own message
    {ReadingNote::PastPeak, "past_peak",
     word(Word::reading_past_peak)},
    {ReadingNote::UnreadableTime, "unreadable_time", word(Word::reading_unreadable_time)},
    {ReadingNote::UnreadableLevel, "unreadable_level", word(Word::reading_unreadable_level)},
    {ReadingNote::DuplicateTime, "duplicate_time", word(Word::reading_duplicate_time)},
    {ReadingNote::EarlierTime, "earlier_time", word(Word::reading_earlier_time)},
    {ReadingNote::Fault, "fault", word(Word::reading_fault)},
};

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Fields of 1 to `widest` digits between separators (the year exactly 4), the last of a time of day
// with up to three decimals: the library is handed only texts of the shape its formats describe,
// whose seconds it then cannot misread (a sign where the seconds should stand reads as NaN there).
bool shaped(std::string_view text, char separator, std::array<std::size_t, 3> widest, bool timeOfDay)
{
    std::size_t field = 0, digits = 0, decimals = 0;
    bool point = false;
    for (const char c : text) {
        if (c == separator) {
            if (digits == 0 || point || ++field > 2) return false;
            digits = 0;
        } else if (c == '.' && timeOfDay && field == 2 && digits > 0 && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            if (point) ++decimals;
            else ++digits;
            if (digits > widest[field] || decimals > 3) return false;
        } else {
            return false;
        }
    }
    if (digits == 0 || (point && decimals == 0)) return false;
    return timeOfDay ? field >= 1 : field == 2 && text.find(separator) == 4;
}

// The parse itself is the date library's; only which of its formats the text is written in is
// told here, from its separators, so that each reading is parsed once.
std::optional<ReadingTime> parseTrimmed(std::string_view text)
{
    if (text.size() < 8 || text.size() > 40) return std::nullopt;
    std::optional<int> offset;
    if (text.back() == 'Z' || text.back() == 'z') offset = 0, text.remove_suffix(1);
    const char dateSeparator = text[4];
    if (dateSeparator != '-' && dateSeparator != '/') return std::nullopt;
    const auto between = text.find_first_of("T ", 5);
    if (between == std::string_view::npos) return std::nullopt;
    const auto time = text.substr(between + 1);
    const auto sign = time.find_first_of("+-");
    if (sign != std::string_view::npos && offset) return std::nullopt;  // Z and an offset
    const auto clock = time.substr(0, sign);
    const auto colons = std::count(clock.begin(), clock.end(), ':');
    if (colons < 1 || colons > 2) return std::nullopt;
    if (!shaped(text.substr(0, between), dateSeparator, {4, 2, 2}, false) || !shaped(clock, ':', {2, 2, 2}, true)) return std::nullopt;
    if (sign != std::string_view::npos) {
        const auto zone = time.substr(sign + 1);
        if (!(zone.size() == 4 || (zone.size() == 5 && zone[2] == ':'))
            || !std::all_of(zone.begin(), zone.end(), [](char c) { return (c >= '0' && c <= '9') || c == ':'; }))
            return std::nullopt;
    }
    std::string format = dateSeparator == '-' ? "%Y-%m-%d" : "%Y/%m/%d";
    format += text[between] == 'T' ? "T%H:%M" : " %H:%M";
    if (colons == 2) format += ":%S";
    const bool hasOffset = sign != std::string_view::npos;
    if (hasOffset) format += time.find(':', sign) != std::string_view::npos ? "%Ez" : "%z";

    // One stream for every reading: making one costs more than the parse.
    thread_local std::istringstream in;
    in.clear();
    in.str(std::string(text));
    date::local_time<std::chrono::milliseconds> when;
    std::chrono::minutes parsedOffset{0};
    if (hasOffset) in >> date::parse(format, when, parsedOffset);
    else in >> date::parse(format, when);
    if (in.fail() || in.peek() != std::char_traits<char>::eof()) return std::nullopt;
    if (hasOffset) offset = static_cast<int>(parsedOffset.count());
    return ReadingTime{when.time_since_epoch().count(), offset};
}

// The decimal places of the shortest text that reads back to x.
int decimalPlaces(double x)
{
    const std::string text = roundTripText(x);
    const auto point = text.find('.'), exponent = text.find_first_of("eE");
    int places = point == std::string::npos ? 0 : static_cast<int>((exponent == std::string::npos ? text.size() : exponent) - point - 1);
    if (exponent != std::string::npos) places -= std::atoi(text.c_str() + exponent + 1);
    return places < 0 ? 0 : places;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return q * b > a ? q - 1 : q;
}

}  // namespace

const ReadingNoteNames& names(ReadingNote note) { return readingNoteNames[static_cast<int>(note)]; }

std::string levelCaption(int scale)
{
    return word(scale == 3 ? Word::caption_level_m : scale == 1 ? Word::caption_level_cm : Word::caption_level_mm);
}
std::string flowUncertaintyCaption(FlowUnit unit) { return word(Word::caption_flow_uncertainty, {names(unit).symbol}); }

std::string japaneseDayNote(std::string_view note)
{
    const auto colon = note.find(':');
    const auto key = note.substr(0, colon), count = colon == std::string_view::npos ? std::string_view() : note.substr(colon + 1);
    if (key == "hours_missing") return word(Word::day_hours_missing, {count});
    for (const ReadingNoteNames& n : readingNoteNames)
        if (key == n.key) {
            std::string words = n.japanese;
            const std::string_view stop = word(Word::full_stop);
            if (words.ends_with(stop)) words.resize(words.size() - stop.size());
            return word(Word::day_note_count, {words, count});
        }
    return std::string(note);
}

std::optional<ReadingTime> parseReadingTime(std::string_view text) { return parseTrimmed(trimmed(text)); }

std::optional<ReadingTime> parseReadingTime(std::string_view date, std::string_view time)
{
    const auto d = trimmed(date), t = trimmed(time);
    if (d.empty() || t.empty()) return std::nullopt;
    return parseTrimmed(std::string(d) + " " + std::string(t));
}

std::string readingTimeText(std::int64_t millis)
{
    using namespace std::chrono;
    const date::sys_time<milliseconds> when{milliseconds(millis)};
    const auto day = date::floor<date::days>(when);
    const date::year_month_day ymd{day};
    const date::hh_mm_ss<milliseconds> hms{when - day};
    char text[48];
    int n = std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d", static_cast<int>(ymd.year()),
                          static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                          static_cast<int>(hms.hours().count()), static_cast<int>(hms.minutes().count()));
    const auto seconds = hms.seconds().count();
    const auto fraction = hms.subseconds().count();
    if (seconds || fraction) n += std::snprintf(text + n, sizeof text - n, ":%02d", static_cast<int>(seconds));
    if (fraction) std::snprintf(text + n, sizeof text - n, ".%03d", static_cast<int>(fraction));
    return text;
}

ReadingClock::Placed ReadingClock::place(const std::optional<ReadingTime>& time)
{
    if (!time) return {std::nullopt, ReadingNote::UnreadableTime};
    std::int64_t millis = time->millis;
    if (time->offsetMinutes) {
        if (!offset_) offset_ = time->offsetMinutes;
        millis += static_cast<std::int64_t>(*offset_ - *time->offsetMinutes) * 60'000;
    }
    if (latest_ && millis == *latest_) return {std::nullopt, ReadingNote::DuplicateTime};
    if (latest_ && millis < *latest_) return {std::nullopt, ReadingNote::EarlierTime};
    latest_ = millis;
    return {millis, std::nullopt};
}

double dischargeSlope(const Weir& weir, double h)
{
    const double D = weir.diameter();
    const double r = h / D;
    using namespace staus;
    const double mu = D / (muDivisor * h) + muBase + muHeadFactor * h / D;
    const double muSlope = -D / (muDivisor * h * h) + muHeadFactor / D;
    const double k = firstFactor * std::pow(r, firstExponent) - secondFactor * std::pow(r, secondExponent);
    const double kSlope = (firstFactor * firstExponent * std::pow(r, firstSlopeExponent)
                           - secondFactor * secondExponent * std::pow(r, secondSlopeExponent)) / D;
    return std::pow(D, diameterExponent) * (muSlope * k + mu * kSlope);
}

ReadingFlow flowAtReading(const Curve& curve, double headMetres)
{
    // No water passes at or below the bottom of the opening; a small error of the level there
    // cannot make the flow less than 0, so such a reading adds nothing to the uncertainty.
    if (!(headMetres > 0)) return {0.0, 0.0, ReadingNote::BelowOpening};
    if (curve.fault) return {std::nullopt, 0.0, ReadingNote::Fault};
    if (headMetres > curve.peakHead) return {std::nullopt, 0.0, ReadingNote::PastPeak};
    const Discharge d = dischargeAt(curve, headMetres);
    if (d.fault) return {std::nullopt, 0.0, ReadingNote::Fault};
    ReadingFlow reading{d.flow, dischargeSlope(curve.weir, headMetres), std::nullopt};
    if (d.aboveWeir) reading.note = ReadingNote::AboveWeir;
    return reading;
}

double headOfLevel(double level, int scale, double gaugeZeroMillimetres, int levelPlaces, int zeroPlaces)
{
    const int written = levelPlaces >= 0 ? levelPlaces : decimalPlaces(level);
    double millimetres = level;
    if (scale > 0 && std::isfinite(level)) {
        // 12.3 cm is 123 mm, as written, not the double nearest 12.3 times 10: the product rounded
        // to the places the reading had, less those the shift took, where its own rounding allows.
        const double product = level * std::pow(10.0, scale);
        const int places = std::max(0, written - scale);
        const double p = std::pow(10.0, places), rounded = std::round(product * p) / p;
        const double ulp = std::nextafter(std::fabs(product), INFINITY) - std::fabs(product);
        millimetres = std::fabs(rounded - product) <= 4 * ulp ? rounded : product;
    }
    const int zero = zeroPlaces >= 0 ? zeroPlaces : decimalPlaces(gaugeZeroMillimetres);
    return headOfReading(millimetres, gaugeZeroMillimetres, std::max(std::max(0, written - scale), zero));
}

int placesWritten(std::string_view text, char decimal)
{
    const auto point = text.find(decimal);
    int places = 0;
    bool counting = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (i == point) counting = true;
        else if (c >= '0' && c <= '9') places += counting;
        else if (c != ' ' && c != '\t' && c != '+' && c != '-') return -1;
    }
    return places;
}

double flowUncertainty(double flow, double slope, const Uncertainties& u)
{
    const double h = slope * u.head, z = slope * u.zero, c = u.coefficient * flow;
    return std::sqrt(h * h + z * z + c * c);
}

double DayVolume::volumeUncertainty(const Uncertainties& u) const
{
    const double zero = zeroSum * u.zero, coefficient = u.coefficient * volume;
    return std::sqrt(randomSquares * u.head * u.head + zero * zero + coefficient * coefficient);
}

std::vector<std::string> DayVolume::notes() const
{
    std::vector<std::string> said;
    if (missingMillis > 0) said.push_back("hours_missing:" + roundedText(missingMillis / 3'600'000.0, 4));
    for (int n = 0; n < readingNoteCount; ++n)
        if (noted[n]) said.push_back(std::string(readingNoteNames[n].key) + ":" + std::to_string(noted[n]));
    return said;
}

DailyVolumes::DailyVolumes(const DayRules& rules) : rules_(rules) {}

std::int64_t DailyVolumes::dayOf(std::int64_t millis) const { return floorDiv(millis - rules_.dayStartMillis, millisPerDay); }
std::int64_t DailyVolumes::startOf(std::int64_t day) const { return day * millisPerDay + rules_.dayStartMillis; }

void DailyVolumes::open(std::int64_t day)
{
    day_ = day;
    current_ = DayVolume{};
    current_.start = startOf(day);
    countPendingInto(day);
}

void DailyVolumes::countPendingInto(std::int64_t day)
{
    std::size_t used = 0;
    while (used < pendingLeftOut_.size() && pendingLeftOut_[used].first <= day) {
        if (pendingLeftOut_[used].first == day) ++current_.noted[static_cast<int>(pendingLeftOut_[used].second)];
        ++used;
    }
    pendingLeftOut_.erase(pendingLeftOut_.begin(), pendingLeftOut_.begin() + static_cast<long>(used));
}

void DailyVolumes::flushPending()
{
    // The reading before has all its weight in the open day: its square can be taken.
    if (pending_.day == day_) {
        const double ws = pending_.weight * lastSlope_;
        current_.randomSquares += ws * ws;
    }
    pending_.weight = 0;
}

void DailyVolumes::closeCurrent(std::vector<DayVolume>& finished)
{
    flushPending();
    current_.missingMillis = static_cast<double>(millisPerDay) - current_.coveredMillis;
    total_.missingMillis += current_.missingMillis;
    finished.push_back(current_);
}

void DailyVolumes::advanceTo(std::int64_t day, std::vector<DayVolume>& finished)
{
    while (day_ < day) {
        closeCurrent(finished);
        open(day_ + 1);
    }
}

void DailyVolumes::add(std::int64_t millis, double flow, double slope, std::optional<ReadingNote> note,
                       std::vector<DayVolume>& finished)
{
    const std::int64_t day = dayOf(millis);
    if (!started_) {
        started_ = true;
        open(day);
        total_.start = current_.start;
        pending_ = {day, 0};
    } else if (millis - lastAt_ <= rules_.maxGapMillis) {
        // The trapezoid from the reading before, cut at each day boundary it crosses, the flow
        // there on the straight line between the two readings. Each piece's volume is a weighted
        // sum of the two flows; the weights (minutes) carry the uncertainty.
        const double span = static_cast<double>(millis - lastAt_);
        double totalBefore = pendingTotal_, totalAfter = 0;
        std::int64_t from = lastAt_;
        while (from < millis) {
            const std::int64_t pieceDay = dayOf(from);
            const std::int64_t to = std::min(millis, startOf(pieceDay + 1));
            advanceTo(pieceDay, finished);
            const double l0 = static_cast<double>(from - lastAt_) / span, l1 = static_cast<double>(to - lastAt_) / span;
            const double minutes = static_cast<double>(to - from) / 60'000.0;
            const double before = minutes * (2 - l0 - l1) / 2, after = minutes * (l0 + l1) / 2;
            const double volume = before * lastFlow_ + after * flow;
            const double zero = before * lastSlope_ + after * slope;
            current_.volume += volume, total_.volume += volume;
            current_.zeroSum += zero, total_.zeroSum += zero;
            current_.coveredMillis += static_cast<double>(to - from), total_.coveredMillis += static_cast<double>(to - from);
            if (pending_.day != pieceDay) flushPending(), pending_.day = pieceDay;
            pending_.weight += before;
            totalBefore += before, totalAfter += after;
            flushPending();  // the reading before has nothing more in this day
            if (to < millis) {
                const double ws = after * slope;  // nor has this one: its next trapezoid starts after the day
                current_.randomSquares += ws * ws;
            } else {
                pending_ = {pieceDay, after};
            }
            from = to;
        }
        total_.randomSquares += totalBefore * lastSlope_ * totalBefore * lastSlope_;
        pendingTotal_ = totalAfter;
    } else {
        // Not bridged: the time between is missing, never filled.
        flushPending();
        total_.randomSquares += pendingTotal_ * lastSlope_ * pendingTotal_ * lastSlope_;
        advanceTo(day, finished);
        pending_ = {day, 0};
        pendingTotal_ = 0;
    }
    lastSlope_ = slope;  // pending_ now holds this reading's weight
    advanceTo(day, finished);
    for (DayVolume* v : {&current_, &total_}) {
        ++v->readings;
        if (!v->maxFlow || flow > *v->maxFlow) v->maxFlow = flow, v->maxAt = millis;
        if (v->readings == 1 || flow < v->minFlow) v->minFlow = flow;
        if (note) ++v->noted[static_cast<int>(*note)];
    }
    lastAt_ = millis;
    lastFlow_ = flow;
}

void DailyVolumes::leftOut(std::optional<std::int64_t> millis, ReadingNote why)
{
    ++total_.noted[static_cast<int>(why)];
    if (!millis) return;
    const std::int64_t day = dayOf(*millis);
    if (started_ && day <= day_) ++current_.noted[static_cast<int>(why)];
    else pendingLeftOut_.emplace_back(day, why);
}

void DailyVolumes::finish(std::vector<DayVolume>& finished)
{
    if (!started_) return;
    total_.randomSquares += pendingTotal_ * lastSlope_ * pendingTotal_ * lastSlope_;
    pendingTotal_ = 0;
    closeCurrent(finished);
    pendingLeftOut_.clear();
    started_ = false;
}

void IntervalCount::add(std::int64_t millis)
{
    if (last_) ++counts_[millis - *last_];
    last_ = millis;
}

std::optional<std::int64_t> IntervalCount::mostCommon() const
{
    std::optional<std::int64_t> best;
    long long most = 0;
    for (const auto& [interval, count] : counts_)
        if (count > most) most = count, best = interval;  // in increasing order: the shortest of a tie
    return best;
}

}  // namespace vordanel
