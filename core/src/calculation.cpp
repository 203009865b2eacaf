#include "vordanel/calculation.h"
#include "vordanel/words.h"

#include "vordanel/catalogue.h"
#include "vordanel/numtext.h"
#include "vordanel/search.h"
#include "vordanel/units.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace vordanel {

namespace {

// Heads every weir of a sensible size passes without leaving the double range.
constexpr double ordinaryHeads[] = {0.001, 1.0};

constexpr InputNames inputNames[] = {
    {Input::Diameter, "diameter", "diameter_mm", "Text6", word(Word::caption_diameter)},
    {Input::Flow, "flow", "flow_lpm", "Text1", word(Word::caption_flow_lpm)},  // flowCaption(FlowUnit::LitresPerMinute)
    {Input::Min, "min", "min_mm", "Text2", word(Word::caption_min)},
    {Input::Max, "max", "max_mm", "Text3", word(Word::caption_max)},
    {Input::Head, "head", "head_mm", "", word(Word::caption_head)},
    {Input::Reading, "reading", "reading_mm", "", word(Word::caption_reading)},
    {Input::GaugeZero, "gauge_zero", "gauge_zero_mm", "", word(Word::caption_gauge_zero)},
};

constexpr NoHeadNames noHeadNames[] = {
    {NoHead::NoFlow, "flow_not_positive", "a flow of zero or less has none", word(Word::no_head_not_positive)},
    {NoHead::AbovePeak, "above_peak", "the flow is above the greatest there is",
     word(Word::no_head_above_peak)},
    {NoHead::TooSmall, "flow_too_small", "the flow is too small for the formula to resolve a head above zero",
     word(Word::no_head_too_small)},
};

// Made on first use: the stalled search's note states its tolerance, in the unit a reader knows it by.
const std::array<NoteNames, 9>& noteNames()
{
    static const std::string stalledWords = word(Word::note_stalled, {displayText(toLitresPerMinute(residualTolerance))});
    static const std::array<NoteNames, 9> table{{
    {Note::AboveWeir, "above_weir", word(Word::note_above_weir)},
    {Note::NoSolution, "no_solution", word(Word::note_no_solution)},
    {Note::Stalled, "stalled", stalledWords.c_str()},
    {Note::TwoHeads, "two_heads", word(Word::note_two_heads)},
    {Note::EmptyEntry, "empty_entry", word(Word::note_empty_entry)},
    {Note::MalformedRow, "malformed_row", word(Word::note_malformed_row)},
    {Note::FallingSide, "falling_side", word(Word::note_falling_side)},
    {Note::NoFlow, "no_flow", word(Word::note_no_flow)},
    {Note::OversizedRow, "oversized_row", word(Word::note_oversized_row)},
    }};
    return table;
}

std::optional<Input> inputAtFault(const Calculation& c)
{
    if (diameterFault(c.D)) return Input::Diameter;
    // Later passes only evaluate midpoints, which no single entry owns.
    if (c.search.trialCount > 1 || c.search.faultAt == Point::Mid) return std::nullopt;
    const double end = c.search.faultAt == Point::High ? c.xHigh : c.xLow;
    double F = 0;
    if (!Weir(c.D).residual(F, end, 0)) return Input::Flow;
    return c.search.faultAt == Point::High ? Input::Max : Input::Min;
}

// The search's outcome as the window shows it.
void finish(Calculation& c)
{
    switch (c.search.outcome) {
    case SearchResult::Outcome::NoSignChange:
        c.outcome = Calculation::Outcome::NoSolution;
        return;
    case SearchResult::Outcome::Fault:
        c.outcome = Calculation::Outcome::Fault;
        c.fault = c.search.fault;
        c.faultInput = inputAtFault(c);
        return;
    case SearchResult::Outcome::Converged:
        break;
    }
    const auto head = shownHeadMillimetres(c.search.xMid);
    if (!head) {  // a head beyond the double range in mm: the weir's scale is at fault
        c.outcome = Calculation::Outcome::Fault;
        c.fault = Fault::Overflow;
        c.faultInput = Input::Diameter;
        return;
    }
    c.outcome = Calculation::Outcome::Converged;
    c.headMillimetres = *head;
    c.aboveWeir = c.D < c.search.xMid;
}

// Reads one entry into its converted number (m, or m^3/min for the flow, given in flowUnit); a
// failure is the fault.
bool readEntry(Calculation& c, std::string_view text, Input input, double& number, std::string_view decimalPoint,
               FlowUnit flowUnit = FlowUnit::LitresPerMinute)
{
    ParsedNumber parsed = parseNumber(text, decimalPoint);
    // A flow in another unit is made litres per minute first, and then read as the window reads it.
    if (!parsed.fault && input == Input::Flow && !std::isfinite(parsed.value = toLitresPerMinute(parsed.value, flowUnit)))
        parsed.fault = Fault::Overflow;
    if (parsed.fault) {
        c.outcome = Calculation::Outcome::Fault;
        c.fault = *parsed.fault;
        c.faultInput = input;
        return false;
    }
    number = input == Input::Flow ? toCubicMetresPerMinute(parsed.value) : toMetres(parsed.value);
    return true;
}

// The decimals of the shortest text that reads back to x: those it was most likely written with.
int decimalsOf(double x)
{
    const std::string text = roundTripText(x);
    const auto point = text.find('.'), exponent = text.find_first_of("eE");
    int places = point == std::string::npos ? 0 : static_cast<int>((exponent == std::string::npos ? text.size() : exponent) - point - 1);
    if (exponent != std::string::npos) places -= std::atoi(text.c_str() + exponent + 1);
    return places < 0 ? 0 : places;
}

double ulp(double x) { return std::nextafter(std::fabs(x), INFINITY) - std::fabs(x); }

}  // namespace

double headOfReading(double reading, double gaugeZero)
{
    return headOfReading(reading, gaugeZero, std::max(decimalsOf(reading), decimalsOf(gaugeZero)));
}

double headOfReading(double reading, double gaugeZero, int places)
{
    const double head = reading - gaugeZero;
    if (!std::isfinite(head) || places > 22) return head;  // 10^22 is the last power of ten a double holds
    // The decimal difference has no more places than its terms: rounded to them, it is the double
    // nearest the difference of the numbers as written, provided the doubles' own rounding (an ulp
    // of each) is too small to reach the next such number.
    const double scale = std::pow(10.0, places), scaled = std::round(head * scale);
    if (!(std::fabs(scaled) < 0x1p53)) return head;
    const double decimal = scaled / scale;
    return std::fabs(decimal - head) <= 2 * (ulp(reading) + ulp(gaugeZero)) ? decimal : head;
}

const InputNames& names(Input input) { return inputNames[static_cast<int>(input)]; }
const NoHeadNames& names(NoHead why) { return noHeadNames[static_cast<int>(why)]; }
const NoteNames& names(Note note) { return noteNames()[static_cast<int>(note)]; }

std::string flowCaption(FlowUnit unit, bool asTyped)
{
    return word(Word::caption_flow, {asTyped ? names(unit).name : names(unit).symbol});
}
std::string_view headCaption() { return names(Input::Head).caption; }
std::string_view trialsCaption() { return word(Word::caption_trials); }
std::string_view noteCaption() { return word(Word::caption_note); }

std::optional<std::string> captionOf(std::string_view column)
{
    if (column.starts_with("flow")) {
        const std::string_view key = column.substr(4);
        if (key.empty()) return flowCaption(FlowUnit::LitresPerMinute);
        for (const FlowUnit unit : flowUnits)
            if (key.starts_with('_') && key.substr(1) == names(unit).key) return flowCaption(unit);
        return std::nullopt;
    }
    if (column == "trials") return std::string(trialsCaption());
    if (column == "note") return std::string(noteCaption());
    for (const InputNames& n : inputNames)
        if (column == n.key || column == n.column) return n.caption;
    return std::nullopt;
}

std::string noteWords(std::string_view noteCell)
{
    std::string words;
    const auto add = [&](std::string_view piece) {
        if (!words.empty() && !words.ends_with(word(Word::full_stop))) words += ' ';
        words += piece;
    };
    while (!noteCell.empty()) {
        const auto end = noteCell.find(';');
        std::string_view key = noteCell.substr(0, end);
        noteCell = end == std::string_view::npos ? std::string_view() : noteCell.substr(end + 1);
        std::string_view column;
        if (const auto colon = key.find(':'); colon != std::string_view::npos) column = key.substr(colon + 1), key = key.substr(0, colon);
        const char* found = nullptr;
        for (const NoteNames& n : noteNames())
            if (key == n.key) found = n.japanese;
        for (const NoHeadNames& n : noHeadNames)
            if (key == n.key) found = n.japanese;
        for (const Fault fault : {Fault::NotANumber, Fault::DivisionByZero, Fault::InvalidArgument, Fault::Overflow}) {
            if (key != names(fault).key) continue;
            const auto caption = captionOf(column);
            if (caption) add(*caption + ": " + names(fault).japanese);
            else add(names(fault).japanese);
            found = "";
        }
        if (key == names(Note::OversizedRow).key) {
            // The caps in the words, from the constants that decide them.
            const auto mebibytes = [](std::size_t bytes) { return std::to_string(bytes >> 20) + " MB"; };
            add(word(Word::note_oversized_row, {mebibytes(recordCaps.fieldBytes), mebibytes(recordCaps.recordBytes),
                                                words::largeNumber(static_cast<long long>(recordCaps.fields))}));
        } else if (!found) add(key);
        else if (*found) add(found);
    }
    return words;
}

bool isBlankEntry(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == ' ' || text[i] == '\t') {
            ++i;
        } else if (text.substr(i, 3) == "\u3000") {  // the ideographic space a Japanese input method types
            i += 3;
        } else {
            return false;
        }
    }
    return true;
}

BracketKind bracketKind(std::string_view min, std::string_view max)
{
    const bool minBlank = isBlankEntry(min), maxBlank = isBlankEntry(max);
    return minBlank && maxBlank ? BracketKind::None : minBlank || maxBlank ? BracketKind::OneBlank : BracketKind::Given;
}

Calculation calculateHead(const Entries& entries, std::string_view decimalPoint, const PassObserver& observer)
{
    switch (bracketKind(entries.min, entries.max)) {
    case BracketKind::None:
        return calculateRising(entries, decimalPoint, observer);
    case BracketKind::OneBlank:
        return {};
    case BracketKind::Given:
        break;
    }
    return calculate(entries, decimalPoint, observer);
}

std::optional<Fault> diameterFault(double D)
{
    if (std::isnan(D) || D < 0) return Fault::InvalidArgument;
    if (D == 0) return Fault::DivisionByZero;
    const Weir weir(D);
    double F = 0;
    for (const double h : ordinaryHeads)
        if (const auto fault = weir.residual(F, h, 0)) return fault;
    return std::nullopt;
}

// The calculation is returned as it stands, not copied out of finish(): a table solves a million.
Calculation solve(const Weir& weir, double Q, double xLow, double xHigh, const PassObserver& observer)
{
    Calculation c;
    c.D = weir.diameter(), c.Q = Q, c.xLow = xLow, c.xHigh = xHigh;
    c.search = search(Q, weir, xLow, xHigh, observer);
    finish(c);
    return c;
}

Calculation solve(double D, double Q, double xLow, double xHigh, const PassObserver& observer)
{
    return solve(Weir(D), Q, xLow, xHigh, observer);
}

Calculation calculate(const Entries& entries, std::string_view decimalPoint, const PassObserver& observer)
{
    Calculation c;
    if (entries.flow.empty() || entries.min.empty() || entries.max.empty() || entries.diameter.empty())
        return c;
    // In this order: the first entry that is not a number is the fault.
    if (!readEntry(c, entries.diameter, Input::Diameter, c.D, decimalPoint)
        || !readEntry(c, entries.flow, Input::Flow, c.Q, decimalPoint, entries.flowUnit)
        || !readEntry(c, entries.min, Input::Min, c.xLow, decimalPoint)
        || !readEntry(c, entries.max, Input::Max, c.xHigh, decimalPoint))
        return c;
    return solve(c.D, c.Q, c.xLow, c.xHigh, observer);
}

Calculation solveRising(const Curve& curve, double Q, const PassObserver& observer)
{
    Calculation c;
    c.D = curve.weir.diameter(), c.Q = Q, c.xLow = risingStart(curve), c.xHigh = curve.peakHead;
    if (curve.fault) {  // the formula's own fault for this diameter, at the peak head
        c.outcome = Calculation::Outcome::Fault;
        c.fault = *curve.fault;
        c.faultInput = Input::Diameter;
        return c;
    }
    c.search = risingHead(curve, Q, observer);
    finish(c);
    if (c.outcome == Calculation::Outcome::NoSolution) c.noHead = whyNoHead(curve, Q);
    return c;
}

Calculation calculateRising(const Entries& entries, std::string_view decimalPoint, const PassObserver& observer)
{
    Calculation c;
    if (entries.flow.empty() || entries.diameter.empty()) return c;
    if (!readEntry(c, entries.diameter, Input::Diameter, c.D, decimalPoint)
        || !readEntry(c, entries.flow, Input::Flow, c.Q, decimalPoint, entries.flowUnit))
        return c;
    return solveRising(curveOf(c.D), c.Q, observer);
}

bool holdsTwoHeads(const Curve& curve, const Calculation& c)
{
    if (c.outcome != Calculation::Outcome::Converged && c.outcome != Calculation::Outcome::NoSolution) return false;
    return holdsTwoHeads(curve, c.Q, c.xLow, c.xHigh, c.search.fLowFirst, c.search.fHighFirst);
}

std::optional<OtherHead> otherHead(const Curve& curve, const Calculation& c)
{
    if (c.outcome != Calculation::Outcome::Converged || !holdsTwoHeads(curve, c)) return std::nullopt;
    const bool answerRising = c.search.xMid <= curve.peakHead;
    const SearchResult other = answerRising ? fallingHead(curve, c.Q) : risingHead(curve, c.Q);
    if (other.outcome != SearchResult::Outcome::Converged) return std::nullopt;
    const auto shown = shownHeadMillimetres(other.xMid);
    if (!shown) return std::nullopt;
    return OtherHead{*shown, !answerRising};
}

NoHead whyNoHead(const Curve& curve, double Q)
{
    if (!(Q > 0)) return NoHead::NoFlow;
    if (Q > curve.peakFlow) return NoHead::AbovePeak;
    return NoHead::TooSmall;
}

Discharge dischargeAt(const Curve& curve, double head)
{
    Discharge d;
    // At zero head nothing overflows: the formula's 1/h term would divide by zero there, but its
    // discharge goes to zero with the head (as h to the first slope exponent), so a gauge reading the bottom of the
    // opening reads no flow. A weir whose size alone is out of range is still the diameter's fault.
    if (head == 0) {
        if (const auto fault = diameterFault(curve.weir.diameter())) d.fault = fault, d.faultInput = Input::Diameter;
        return d;
    }
    double F = 0;
    if (const auto fault = curve.weir.residual(F, head, 0)) {
        d.fault = fault;
        d.faultInput = diameterFault(curve.weir.diameter()) ? Input::Diameter : Input::Head;
        return d;
    }
    if (!std::isfinite(toLitresPerMinute(F))) {
        // No head passes more than the peak, whose flow then lies beyond the double range in L/min
        // too: the weir's size is at fault, not the head.
        d.fault = Fault::Overflow;
        d.faultInput = Input::Diameter;
        return d;
    }
    d.flow = F;
    d.beyondZero = F < 0;
    d.fallingSide = !curve.fault && head > curve.peakHead;
    d.aboveWeir = curve.weir.diameter() < head;
    return d;
}

}  // namespace vordanel
