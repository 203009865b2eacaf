// Runs arbitrary entries through the path of the window's 計算: text to number, units, search,
// shown texts, and checks the promises that path makes for every input (calculation.h,
// search.h): each pass against the formula itself, the answer against its bracket, a fault
// against the entry or the point that caused it.
#include "vordanel/calculation.h"
#include "vordanel/numtext.h"
#include "vordanel/units.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace {

using vordanel::Calculation;
using vordanel::Pass;
using vordanel::Point;
using vordanel::SearchResult;
using vordanel::Step;
using O = Calculation::Outcome;

// Bisection by arithmetic midpoints between two positive doubles (at most about 2^1024 apart
// over about 2^1074 resolution) cannot take more passes than this.
constexpr int maxPasses = 2200;

void require(bool promise, const char* what)
{
    if (!promise) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

// Bit for bit, so that -0 and NaN compare as what they are.
bool same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The residual FN1 gives now, or nullopt when it faults.
std::optional<double> residual(const vordanel::Weir& weir, double h, double Q)
{
    double F = 0;
    if (weir.residual(F, h, Q)) return std::nullopt;
    return F;
}

// A search from [xLow, xHigh] with the passes its observer saw, against search.h.
void checkSearch(const SearchResult& s, const std::vector<Pass>& passes, const vordanel::Weir& weir, double Q,
                 double xLow, double xHigh)
{
    using R = SearchResult::Outcome;
    const bool faulted = s.outcome == R::Fault;
    require(s.trialCount <= maxPasses, "the search ends within its bound");
    if (faulted && s.faultAt != Point::Mid)
        require(s.trialCount == 0 && s.evaluations == (s.faultAt == Point::High ? 1 : 2),
                "a fault at an end comes before any pass, after one evaluation per end reached");
    else
        require(s.trialCount >= 1 && s.evaluations == s.trialCount + 2, "n passes make n + 2 evaluations");
    // The observer sees every pass that ended, that is all but one that faulted.
    require(passes.size() == static_cast<std::size_t>(s.trialCount - (faulted && s.faultAt == Point::Mid)),
            "the observer sees every pass that ended");
    if (s.trialCount > 0 || (faulted && s.faultAt == Point::Low)) {
        const auto fHigh = residual(weir, xHigh, Q);
        require(fHigh && same(*fHigh, s.fHighFirst), "fHighFirst is FN1 at xHigh");
        const auto fLow = residual(weir, xLow, Q);
        if (s.trialCount > 0) require(fLow && same(*fLow, s.fLowFirst), "fLowFirst is FN1 at xLow");
    }

    const double tolerance = vordanel::residualTolerance;
    double low = xLow, high = xHigh;
    for (std::size_t i = 0; i < passes.size(); ++i) {
        const Pass& p = passes[i];
        require(p.trialCount == static_cast<int>(i) + 1, "passes are numbered 1, 2, ...");
        require(same(p.xLow, low) && same(p.xHigh, high), "a pass starts from the bracket the last one left");
        require(same(p.xMid, (low + high) / 2), "a pass evaluates the midpoint of its bracket");
        const auto fLow = residual(weir, p.xLow, Q), fHigh = residual(weir, p.xHigh, Q),
                   fMid = residual(weir, p.xMid, Q);
        require(fLow && fHigh && fMid && same(*fLow, p.fLow) && same(*fHigh, p.fHigh) && same(*fMid, p.fMid),
                "a pass's residuals are the ones FN1 gives at its three points");

        const bool small = std::fabs(p.fMid) < tolerance;
        const bool upper = p.fMid * p.fHigh < 0, lower = p.fMid * p.fLow < 0;
        const bool atEnd = p.xMid == p.xLow || p.xMid == p.xHigh;
        switch (p.step) {
        case Step::Converged:
            require(small, "converged only within the tolerance");
            break;
        case Step::RaiseLow:
            require(!small && upper && !atEnd, "the low end rises only onto a new sign change above");
            low = p.xMid;
            break;
        case Step::LowerHigh:
            require(!small && !upper && lower && !atEnd, "the high end falls only when the upper half has none");
            high = p.xMid;
            break;
        case Step::NoSignChange:
            require(!small && !upper && !lower, "no sign change only when neither half has one");
            break;
        case Step::Stalled:
            require(!small && (upper || lower) && atEnd, "stalled only when the bracket is two adjacent doubles");
            break;
        }
        const bool moved = p.step == Step::RaiseLow || p.step == Step::LowerHigh;
        const bool last = i + 1 == passes.size();
        require(moved == (faulted || !last), "only the last pass ends the search");
    }

    switch (s.outcome) {
    case R::Converged:
        require(same(s.xMid, passes.back().xMid), "the answer is the last midpoint");
        require(std::isfinite(s.xMid) && std::fmin(xLow, xHigh) <= s.xMid && s.xMid <= std::fmax(xLow, xHigh),
                "a converged head lies within its bracket");
        require(s.toleranceMet == (passes.back().step == Step::Converged), "toleranceMet tells a stall apart");
        break;
    case R::NoSignChange:
        require(passes.back().step == Step::NoSignChange, "no sign change is the last pass's decision");
        break;
    case R::Fault: {
        const double at = s.faultAt == Point::High ? xHigh : s.faultAt == Point::Low ? xLow : (low + high) / 2;
        double F = 0;
        require(weir.residual(F, at, Q) == s.fault, "the fault is FN1's at the point it names");
        break;
    }
    }
}

// Whether other entries over the same diameter, a sensible flow and bracket (40 L/min between
// 1 mm and 1 m), fault as well at an end of the bracket: then the diameter alone is at fault.
bool faultsWithSensibleEntries(double D)
{
    const Calculation c = vordanel::solve(D, 0.04, 0.001, 1.0);
    return c.outcome == O::Fault && c.search.trialCount == 0;
}

// The outcome of a calculation that read its entries, against the search it made.
void checkFinish(const Calculation& c)
{
    switch (c.search.outcome) {
    case SearchResult::Outcome::Converged: {
        const auto shown = vordanel::shownHeadMillimetres(c.search.xMid);
        if (!shown) {
            require(c.outcome == O::Fault && c.fault == vordanel::Fault::Overflow,
                    "a head that cannot be shown is an overflow");
            break;
        }
        require(c.outcome == O::Converged, "a converged search with a showable head converges");
        const double exact = c.search.xMid * 1000;
        require(std::isfinite(c.headMillimetres)
                    && std::fabs(c.headMillimetres - exact) <= 0.005 + 8 * DBL_EPSILON * std::fabs(exact),
                "the shown head is the head to 0.01 mm");
        require(c.aboveWeir == (c.D < c.search.xMid), "above the weir exactly when the head exceeds D");
        const std::string head = vordanel::displayText(c.headMillimetres);
        const auto back = vordanel::parseNumber(head);
        require(!back.fault && std::isfinite(back.value), "the shown head reads back as a finite number");
        break;
    }
    case SearchResult::Outcome::NoSignChange:
        require(c.outcome == O::NoSolution, "no sign change is no solution");
        break;
    case SearchResult::Outcome::Fault:
        require(c.outcome == O::Fault && c.fault == c.search.fault, "the search's fault is the calculation's");
        break;
    }
}

// The residual again, in long double and in an order of its own, so that the answers are checked
// against the Staus formula rather than against the code that found them: the discharge at head h
// over a weir of diameter D (m, m^3/min) less Q, and a bound on what the program's rounding in
// double may add to it; nothing where a step of the program's would leave the normal double range
// and lose its relative precision with it.
struct Residual {
    long double value, slack;
};
std::optional<Residual> formula(double D, double h, double Q)
{
    if (!(D > 0 && h > 0)) return std::nullopt;
    const long double d = D, x = h, r = x / d, p = std::pow(d, 1.5L);
    const long double mu = 0.555L + d / (110 * x) + 0.041L * r;
    const long double rising = 10.12L * std::pow(r, 1.975L), falling = 2.66L * std::pow(r, 3.76L);
    for (const long double step : {d / 110, d / (110 * x), 0.041L * x, 0.041L * r, r, p, p * mu, rising, p * mu * rising})
        if (!(step >= DBL_MIN * 0x1p60L && step <= DBL_MAX / 4)) return std::nullopt;
    return Residual{p * mu * (rising - falling) - Q,
                    1e-12L * (p * mu * (rising + falling) + std::fabs(Q)) + DBL_TRUE_MIN * 4};
}

// What a calculation's outcome says of the formula: a head accepted within the tolerance passes
// the flow to within 0.01 L/min, and no solution means that the bracket's ends do not pass one
// more and the other less than the flow.
void checkAgainstFormula(const Calculation& c)
{
    constexpr long double tolerance = 0.00001L;  // m^3/min
    if (c.search.outcome == SearchResult::Outcome::Converged && c.search.toleranceMet) {
        const auto f = formula(c.D, c.search.xMid, c.Q);
        require(!f || std::fabs(f->value) < tolerance + f->slack, "an accepted head passes the flow");
    }
    if (c.outcome == O::NoSolution && c.search.trialCount > 0) {
        const auto low = formula(c.D, c.xLow, c.Q), high = formula(c.D, c.xHigh, c.Q);
        const auto sign = [](const Residual& f) { return f.value > f.slack ? 1 : f.value < -f.slack ? -1 : 0; };
        require(!low || !high || sign(*low) * sign(*high) >= 0, "no solution only without a sign change");
    }
}

// Reads the entries as calculate() promises to, in order; the index of the first that is not a
// number (4 when all are), their values (m, m^3/min) as far as read.
struct Read {
    int firstBad = 4;
    std::optional<vordanel::Fault> fault;
    double values[4] = {};
};
Read readEntries(const std::string_view* entries, int count, std::string_view point)
{
    Read read;
    for (int i = 0; i < count; ++i) {
        const auto parsed = vordanel::parseNumber(entries[i], point);
        if (parsed.fault) {
            read.firstBad = i, read.fault = parsed.fault;
            return read;
        }
        read.values[i] = i == 1 ? vordanel::toCubicMetresPerMinute(parsed.value) : vordanel::toMetres(parsed.value);
    }
    return read;
}

void checkUnreadable(const Calculation& c, const Read& read)
{
    require(c.outcome == O::Fault && c.fault == *read.fault, "an entry that is not a number is the fault");
    require(c.faultInput && static_cast<int>(*c.faultInput) == read.firstBad,
            "the fault names the first entry that is not a number");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Four entries separated by newlines; missing ones are empty.
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string_view entries[4];
    for (auto& entry : entries) {
        const auto end = text.find('\n');
        entry = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    // The last byte of a long input picks the decimal separator, as a locale would.
    const std::string_view point = size > 0 && (data[size - 1] & 1) ? "," : ".";

    std::vector<Pass> passes;
    const auto first = vordanel::calculate({entries[0], entries[1], entries[2], entries[3]}, point,
                                           [&](const Pass& p) { passes.push_back(p); });
    const bool empty = std::any_of(std::begin(entries), std::end(entries), [](auto e) { return e.empty(); });
    require((first.outcome == O::Incomplete) == empty, "incomplete exactly when an entry is empty");
    if (!empty) {
        const Read read = readEntries(entries, 4, point);
        if (read.fault) {
            checkUnreadable(first, read);
            require(passes.empty(), "nothing is searched after an entry that is not a number");
        } else {
            require(same(first.D, read.values[0]) && same(first.Q, read.values[1]) && same(first.xLow, read.values[2])
                        && same(first.xHigh, read.values[3]),
                    "each entry is converted into its own place");
            checkSearch(first.search, passes, vordanel::Weir(first.D), first.Q, first.xLow, first.xHigh);
            checkFinish(first);
            if (first.search.outcome == SearchResult::Outcome::Fault) {
                const auto blamed = first.faultInput;
                if (blamed == vordanel::Input::Diameter)
                    require(faultsWithSensibleEntries(first.D), "the diameter is blamed only when it faults whatever the entries");
                else if (first.search.trialCount == 0)
                    require(blamed.has_value() && !faultsWithSensibleEntries(first.D),
                            "a fault at an end of the bracket names an entry, the diameter's only when it faults whatever the entries");
                if (blamed == vordanel::Input::Min || blamed == vordanel::Input::Max) {
                    const bool high = blamed == vordanel::Input::Max;
                    require(first.search.faultAt == (high ? Point::High : Point::Low),
                            "a bracket end is blamed only for its own fault");
                    require(!residual(vordanel::Weir(first.D), high ? first.xHigh : first.xLow, 0),
                            "a bracket end is blamed only when it faults whatever the flow");
                }
            }
        }
    }

    if (!empty) checkAgainstFormula(first);

    // The same diameter and flow without a bracket: the rising side of the curve.
    passes.clear();
    const auto rising = vordanel::calculateRising({entries[0], entries[1], "", ""}, point,
                                                  [&](const Pass& p) { passes.push_back(p); });
    const bool risingEmpty = entries[0].empty() || entries[1].empty();
    require((rising.outcome == O::Incomplete) == risingEmpty, "incomplete exactly when diameter or flow is empty");
    if (risingEmpty) return 0;
    const Read read = readEntries(entries, 2, point);
    if (read.fault) {
        checkUnreadable(rising, read);
        return 0;
    }
    const vordanel::Curve curve = vordanel::curveOf(read.values[0]);
    if (curve.fault) {
        require(rising.outcome == O::Fault && rising.fault == *curve.fault
                    && rising.faultInput == vordanel::Input::Diameter,
                "a weir without a curve is the diameter's fault");
        return 0;
    }
    if (!(read.values[1] > 0) || read.values[1] > curve.peakFlow) {
        require(rising.outcome == O::NoSolution && passes.empty(), "only a flow the weir can pass has a head");
        return 0;
    }
    checkSearch(rising.search, passes, curve.weir, read.values[1], vordanel::risingStart(curve), curve.peakHead);
    checkFinish(rising);
    checkAgainstFormula(rising);
    return 0;
}
