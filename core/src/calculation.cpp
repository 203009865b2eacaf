#include "vordanel/calculation.h"

#include "vordanel/numtext.h"
#include "vordanel/units.h"

#include <cmath>

namespace vordanel {

namespace {

// Heads every weir of a sensible size passes without leaving the double range.
constexpr double ordinaryHeads[] = {0.001, 1.0};

constexpr InputNames inputNames[] = {
    {Input::Diameter, "diameter", "diameter_mm", "Text6", "堰の径(mm)"},
    {Input::Flow, "flow", "flow_lpm", "Text1", "流量(L/min)"},
    {Input::Min, "min", "min_mm", "Text2", "解の挟込最小値(mm)"},
    {Input::Max, "max", "max_mm", "Text3", "挟込最大値(mm)"},
    {Input::Head, "head", "head_mm", "", "越流高さ(mm) [底部から]"},
};

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

// Reads one entry into its converted number (m, or m^3/min for the flow); a failure is the fault.
bool readEntry(Calculation& c, std::string_view text, Input input, double& number, std::string_view decimalPoint)
{
    const ParsedNumber parsed = parseNumber(text, decimalPoint);
    if (parsed.fault) {
        c.outcome = Calculation::Outcome::Fault;
        c.fault = *parsed.fault;
        c.faultInput = input;
        return false;
    }
    number = input == Input::Flow ? toCubicMetresPerMinute(parsed.value) : toMetres(parsed.value);
    return true;
}

}  // namespace

const InputNames& names(Input input) { return inputNames[static_cast<int>(input)]; }

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
        || !readEntry(c, entries.flow, Input::Flow, c.Q, decimalPoint)
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
    return c;
}

Calculation calculateRising(const Entries& entries, std::string_view decimalPoint, const PassObserver& observer)
{
    Calculation c;
    if (entries.flow.empty() || entries.diameter.empty()) return c;
    if (!readEntry(c, entries.diameter, Input::Diameter, c.D, decimalPoint)
        || !readEntry(c, entries.flow, Input::Flow, c.Q, decimalPoint))
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
    return d;
}

}  // namespace vordanel
