#include "vordanel/calculation.h"

#include "vordanel/numtext.h"
#include "vordanel/units.h"

#include <cmath>

namespace vordanel {

namespace {

// A fault of the formula is laid on the entry that caused it where that can be told: a
// diameter that is not positive, else the bracket end that pass 1 was evaluating. Later
// passes only evaluate midpoints, which no single entry owns.
std::optional<Input> inputAtFault(const Calculation& c)
{
    if (!(c.D > 0)) return Input::Diameter;
    if (c.search.trialCount <= 1 && c.search.faultAt == Point::High) return Input::Max;
    if (c.search.trialCount <= 1 && c.search.faultAt == Point::Low) return Input::Min;
    return std::nullopt;
}

}  // namespace

Calculation calculate(const Entries& entries, std::string_view decimalPoint, const PassObserver& observer)
{
    Calculation c;
    if (entries.flow.empty() || entries.min.empty() || entries.max.empty() || entries.diameter.empty())
        return c;

    const auto read = [&](std::string_view text, Input input, double& number) {
        const ParsedNumber parsed = parseNumber(text, decimalPoint);
        if (parsed.fault) {
            c.outcome = Calculation::Outcome::Fault;
            c.fault = *parsed.fault;
            c.faultInput = input;
            return false;
        }
        number = parsed.value;
        return true;
    };
    double diameter = 0, flow = 0, min = 0, max = 0;
    if (!read(entries.diameter, Input::Diameter, diameter)) return c;
    c.D = toMetres(diameter);
    if (!read(entries.flow, Input::Flow, flow)) return c;
    c.Q = toCubicMetresPerMinute(flow);
    if (!read(entries.min, Input::Min, min)) return c;
    c.xLow = toMetres(min);
    if (!read(entries.max, Input::Max, max)) return c;
    c.xHigh = toMetres(max);

    c.search = search(c.Q, c.D, c.xLow, c.xHigh, observer);
    switch (c.search.outcome) {
    case SearchResult::Outcome::NoSignChange:
        c.outcome = Calculation::Outcome::NoSolution;
        return c;
    case SearchResult::Outcome::Fault:
        c.outcome = Calculation::Outcome::Fault;
        c.fault = c.search.fault;
        c.faultInput = inputAtFault(c);
        return c;
    case SearchResult::Outcome::Converged:
        break;
    }
    const auto head = shownHeadMillimetres(c.search.xMid);
    if (!head) {
        c.outcome = Calculation::Outcome::Fault;
        c.fault = Fault::Overflow;
        return c;
    }
    c.outcome = Calculation::Outcome::Converged;
    c.headMillimetres = *head;
    c.aboveWeir = c.D < c.search.xMid;
    return c;
}

}  // namespace vordanel
