#pragma once

#include "vordanel/catalogue.h"
#include "vordanel/curve.h"
#include "vordanel/units.h"

#include <array>
#include <map>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A level logger's record: the flow at each reading, and the volume of each day. Plain rules, no
// input or output, so that every front end (the companion, the page) runs the same code over the
// readings it has read its own way.
namespace vordanel {

// A reading's time as the logger wrote it: milliseconds since 1970-01-01 00:00 on the logger's
// wall clock (no time zone applied), and the offset from UTC it was written with, if any.
struct ReadingTime {
    std::int64_t millis = 0;
    std::optional<int> offsetMinutes;
};
// 2026-07-01 09:00, 2026-07-01 09:00:00[.sss], 2026-07-01T09:00:00 with or without Z or +09:00
// (+0900), and 2026/7/1 9:00[:00] as Excel writes it (month, day and hour unpadded). None for
// anything else, or for a date that does not exist (2026-02-30).
std::optional<ReadingTime> parseReadingTime(std::string_view text);
// A date and a time in two cells (2026/7/1 and 9:00), read as the two joined by a blank.
std::optional<ReadingTime> parseReadingTime(std::string_view date, std::string_view time);
// 2026-07-01 09:10, with :ss (and .sss) only where they are not zero.
std::string readingTimeText(std::int64_t millis);

// What a reading has, or why it has no flow, beside its flow.
enum class ReadingNote {
    BelowOpening,     // a head at or below the bottom of the opening: flow 0
    AboveWeir,        // above the top of the weir: its flow, noted
    PastPeak,         // above the head of greatest flow: no flow (the formula cannot tell which it means)
    UnreadableTime,   // no flow
    UnreadableLevel,  // no flow
    DuplicateTime,    // a time equal to the one before: no flow
    EarlierTime,      // a time earlier than the one before: no flow
    Fault,            // the formula faulted at the head (a weir beyond the double range): no flow
};
inline constexpr int readingNoteCount = 8;
struct ReadingNoteNames {
    ReadingNote note;
    const char* key;       // below_opening, above_weir, past_peak, unreadable_time, ...
    const char* japanese;  // (UTF-8)
};
const ReadingNoteNames& names(ReadingNote note);
// Whether a reading with this note still has a flow.
inline bool hasFlow(ReadingNote note) { return note == ReadingNote::BelowOpening || note == ReadingNote::AboveWeir; }

// A reading's note in Japanese words (UTF-8).
inline const char* japaneseNote(ReadingNote note) { return names(note).japanese; }
// A day's notes (DayVolume::notes) in Japanese words: 欠測 9.5 時間、最大流量の越流高さ超え 2 件, ...
std::string japaneseDayNote(std::string_view note);

// The captions of a logger's sheet headed in Japanese (UTF-8): 日時, or 日付 and 時刻; 水位(mm),
// 水位(cm), 水位(m) (scale 0, 1, 3) and 越流高さ(mm); and what the companion adds.
struct LoggerCaptions {
    const char* time = word(Word::caption_time);
    const char* date = word(Word::caption_date);
    const char* clock = word(Word::caption_clock);
    const char* head = word(Word::caption_head_short);
};
inline constexpr LoggerCaptions loggerCaptions{};
std::string levelCaption(int scale);
std::string flowUncertaintyCaption(FlowUnit unit);  // 流量の不確かさ(L/min)

// Places readings on one clock and in order. Times written with an offset are moved onto the clock
// of the first reading that has one, so that a file whose offset changes (a logger set to summer
// time) still reads in order and its days stay the logger's own; a time without an offset is taken
// as written on that clock. A file without offsets is its own clock, as written.
class ReadingClock
{
public:
    struct Placed {
        std::optional<std::int64_t> millis;  // on the clock; none where the time is unreadable or out of order
        std::optional<ReadingNote> note;     // UnreadableTime, DuplicateTime or EarlierTime
    };
    Placed place(const std::optional<ReadingTime>& time);
    // The latest time placed so far, on the clock.
    std::optional<std::int64_t> latest() const { return latest_; }

private:
    std::optional<int> offset_;
    std::optional<std::int64_t> latest_;
};

// The flow at one reading (m^3/min), the slope of the curve there and the note.
struct ReadingFlow {
    std::optional<double> flow;  // none: the reading has no flow
    double slope = 0;            // dQ/dh (m^3/min per m) at the head; 0 at or below the opening
    std::optional<ReadingNote> note;
};
ReadingFlow flowAtReading(const Curve& curve, double headMetres);

// The exact derivative dQ/dh of the formula at head h (m) over the weir (m^3/min per m), from
// the formula's terms mu(h) and k(h) and their slopes (formula.h).
double dischargeSlope(const Weir& weir, double h);

// A reading's head (mm): a level in mm, cm or m (scale 0, 1 or 3: the power of ten to mm) less the
// gauge zero (mm), the difference taken as of the decimal numbers written (as headOfReading). The
// places the level and the zero were written with, where the caller has their text; -1: from the
// shortest text of the double.
double headOfLevel(double level, int scale, double gaugeZeroMillimetres, int levelPlaces = -1, int zeroPlaces = -1);
// The decimal places a number's text shows (digits after its decimal separator); -1 for a text with an
// exponent or other than ASCII digits, whose places the double must tell.
int placesWritten(std::string_view text, char decimal = '.');

// The expanded uncertainties, at one coverage: a reading's own (independent from reading to
// reading) and the gauge zero's (m), the same for every reading; and the formula's coefficient
// (a fraction of the flow), the same for every reading.
struct Uncertainties {
    double head = 0, zero = 0, coefficient = 0;
};
// U(Q) = sqrt((s U_h)^2 + (s U_z)^2 + (U_c Q)^2), m^3/min.
double flowUncertainty(double flow, double slope, const Uncertainties& u);

// The rules of the days.
struct DayRules {
    std::int64_t dayStartMillis = 0;  // the time of day a day starts, on the readings' clock
    std::int64_t maxGapMillis = 0;    // two readings with a flow further apart are not bridged
    Uncertainties uncertainties;
};

// One day (or the whole record): what its readings gave.
struct DayVolume {
    std::int64_t start = 0;          // the day's start on the clock (millis); the day is the date it starts
    double volume = 0;               // m^3
    std::optional<double> maxFlow;   // m^3/min; none: no reading with a flow in the day
    std::int64_t maxAt = 0;
    double minFlow = 0;
    long long readings = 0;          // readings with a flow
    double coveredMillis = 0, missingMillis = 0;
    std::array<long long, readingNoteCount> noted{};  // readings by their note (flow or no flow)
    // The uncertainty's sums: sum (w s)^2 over readings, sum w s, in m^3 per m.
    double randomSquares = 0, zeroSum = 0;

    double meanFlow() const { return coveredMillis > 0 ? volume / (coveredMillis / 60000.0) : 0; }  // m^3/min
    // U(V) = sqrt(sum (w s U_h)^2 + (sum w s U_z)^2 + (U_c V)^2), m^3.
    double volumeUncertainty(const Uncertainties& u) const;
    // Why the day is not whole and clean, as keys with their counts: hours_missing:9.5, past_peak:2, ...
    // Empty for a day all covered whose readings carry no note.
    std::vector<std::string> notes() const;
};

// The days of a record, fed reading by reading in time order; each day comes out once a later
// reading shows it is over, so that memory holds one day whatever the length of the record.
//
//  - A day runs from the day start to the same time next day; a reading at that instant belongs
//    to the day it starts. Days run from the one holding the first reading with a flow to the one
//    holding the last, each of them put out, those without a reading too.
//  - The volume is the trapezoid between consecutive readings with a flow; where a day boundary
//    falls between them, the flow there lies on the straight line between the two.
//  - Two consecutive readings with a flow further apart than the greatest gap are not bridged:
//    that time is missing. A gap of exactly the greatest gap is bridged.
//  - A reading without a flow is left out: the readings on either side are consecutive. It is
//    counted in the day its time falls in (one whose time is unreadable or out of order, in the
//    day of the latest time before it), where that day is among those put out, and in the total.
class DailyVolumes
{
public:
    explicit DailyVolumes(const DayRules& rules);

    // A reading with a flow at a time on the clock (m^3/min; slope in m^3/min per m; note BelowOpening or
    // AboveWeir or none). Days that it shows are over are appended to `finished`.
    void add(std::int64_t millis, double flow, double slope, std::optional<ReadingNote> note, std::vector<DayVolume>& finished);
    // A reading without a flow, at its time on the clock (none where no time was ever read).
    void leftOut(std::optional<std::int64_t> millis, ReadingNote why);
    // The record ends: the last day comes out.
    void finish(std::vector<DayVolume>& finished);
    // The whole record (start: the first day's), complete after finish().
    const DayVolume& total() const { return total_; }
    const DayRules& rules() const { return rules_; }

private:
    std::int64_t dayOf(std::int64_t millis) const;
    std::int64_t startOf(std::int64_t day) const;
    void open(std::int64_t day);
    void advanceTo(std::int64_t day, std::vector<DayVolume>& finished);
    void closeCurrent(std::vector<DayVolume>& finished);
    void flushPending();
    void countPendingInto(std::int64_t day);

    DayRules rules_;
    DayVolume total_;
    bool started_ = false;
    std::int64_t day_ = 0;  // the day open
    DayVolume current_;
    // The reading before: its time, flow and slope, and the weight it has so far in the open day
    // and in the total from the trapezoid before it (the squares need the whole weight first).
    std::int64_t lastAt_ = 0;
    double lastFlow_ = 0, lastSlope_ = 0;
    struct Pending {
        std::int64_t day = 0;
        double weight = 0;  // minutes
    } pending_;
    double pendingTotal_ = 0;
    // Readings left out after the last reading with a flow, by day: counted once that day is open.
    std::vector<std::pair<std::int64_t, ReadingNote>> pendingLeftOut_;
};

// The greatest gap when none is given: twice the most common interval between consecutive
// readings placed in order. Fed interval by interval; memory holds one count per distinct interval.
class IntervalCount
{
public:
    void add(std::int64_t millis);
    // None where fewer than two times were placed. Of intervals equally common, the shortest.
    std::optional<std::int64_t> mostCommon() const;

private:
    std::optional<std::int64_t> last_;
    std::map<std::int64_t, long long> counts_;  // interval -> count: few for any logger
};

// A level meter's table: N heads on the curve from `from` to `to` (m) whose straight lines follow
// the formula most closely, the largest error of the interpolated flow anywhere in the range as
// small as N points allow.
struct Breakpoints {
    std::vector<double> heads, flows;  // m, m^3/min
    double maxError = 0;               // m^3/min, the table's own error, as found by a dense evaluation
    double leastPossible = 0;          // m^3/min, an error that no table of as many points attains
    std::optional<Fault> fault;
};
Breakpoints breakpointTable(const Curve& curve, double from, double to, int count);
// The largest error of straight lines through the points against the formula over [heads.front(),
// heads.back()] (m^3/min): each segment evaluated densely, its worst point refined.
double interpolationError(const Curve& curve, const std::vector<double>& heads, const std::vector<double>& flows);

}  // namespace vordanel
