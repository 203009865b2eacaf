#include "head.h"

#include "json.h"
#include "words.h"

#include "vordanel/calculation.h"
#include "vordanel/numtext.h"
#include "vordanel/units.h"

#include <vector>

namespace vordanel::cli {

namespace {

JsonArray jsonPasses(const std::vector<Pass>& passes)
{
    JsonArray json;
    for (const Pass& p : passes)
        json.object(JsonObject()
                        .integer("pass", p.trialCount)
                        .number("xLow", p.xLow)
                        .number("xHigh", p.xHigh)
                        .number("xMid", p.xMid)
                        .number("fLow", p.fLow)
                        .number("fHigh", p.fHigh)
                        .number("fMid", p.fMid)
                        .text("step", names(p.step).text));
    return json;
}

void putTextPasses(std::FILE* out, const std::vector<Pass>& passes)
{
    std::fprintf(out, "%4s  %-22s  %-22s  %-22s  %-24s  %-24s  %-24s  %s\n", "pass", "xLow (m)", "xHigh (m)",
                 "xMid (m)", "fLow (m^3/min)", "fHigh (m^3/min)", "fMid (m^3/min)", "step");
    for (const Pass& p : passes)
        std::fprintf(out, "%4d  %-22s  %-22s  %-22s  %-24s  %-24s  %-24s  %s\n", p.trialCount,
                     roundTripText(p.xLow).c_str(), roundTripText(p.xHigh).c_str(), roundTripText(p.xMid).c_str(),
                     roundTripText(p.fLow).c_str(), roundTripText(p.fHigh).c_str(), roundTripText(p.fMid).c_str(),
                     names(p.step).text);
}

// Why a flow has no head on the rising side, with the weir's greatest flow in the flow's unit.
std::string noHeadSentence(const Curve& curve, NoHead why, FlowUnit unit)
{
    return std::string("No head: ") + names(why).english + " (a " + displayText(curve.weir.diameter() * 1000)
           + " mm weir passes at most " + flowText(toLitresPerMinute(curve.peakFlow), unit) + " " + names(unit).symbol
           + " by this formula, at a head of " + hundredthsText(curve.peakHead * 1000) + " mm).";
}

}  // namespace

int head(const HeadOptions& options, std::FILE* out, std::FILE* err)
{
    std::vector<Pass> passes;
    PassObserver observer;
    if (options.trace) observer = [&](const Pass& p) { passes.push_back(p); };
    const Bracket bracket = options.bracket.value_or(Bracket{});
    const bool bracketGiven = bracketKind(bracket.min, bracket.max) != BracketKind::None;
    const Calculation c =
        calculateHead({options.diameter, options.flow, bracket.min, bracket.max, options.flowUnit}, ".", observer);

    if (c.outcome == Calculation::Outcome::Incomplete) {
        std::fprintf(err, "vordanel-cli: every entry needs a value: --diameter, --flow%s\n",
                     bracketGiven ? ", --min and --max (or both blank for the rising side)" : "");
        return Failure;
    }
    if (c.outcome == Calculation::Outcome::Fault) reportFault(err, c.fault, c.faultInput);

    // What the curve adds: the other head a bracket holds, or why there is no head without one.
    std::optional<Curve> curve;
    if (c.outcome != Calculation::Outcome::Fault) curve = curveOf(c.D);
    std::optional<OtherHead> other;
    if (curve && bracketGiven) other = otherHead(*curve, c);

    if (options.json) {
        JsonObject json;
        putCalculation(json, c);
        if (other)
            json.text("other_head_mm", displayText(other->headMillimetres))
                .text("other_side", other->onRisingSide ? "rising" : "falling");
        if (c.noHead)
            json.number(std::string("max_flow_") + names(options.flowUnit).key,
                        fromLitresPerMinute(toLitresPerMinute(curve->peakFlow), options.flowUnit))
                .number("peak_head_mm", curve->peakHead * 1000);
        if (options.trace) json.array("passes", jsonPasses(passes));
        const std::string text = json.str() + "\n";
        std::fwrite(text.data(), 1, text.size(), out);
        return finish(out, err, exitFor(c));
    }

    if (options.trace) putTextPasses(out, passes);
    switch (c.outcome) {
    case Calculation::Outcome::Converged:
        std::fprintf(out, "%s %s\n%s %d\n", std::string(headCaption()).c_str(), displayText(c.headMillimetres).c_str(),
                     std::string(trialsCaption()).c_str(), c.search.trialCount);
        if (c.aboveWeir) std::fprintf(out, "%s\n", names(Note::AboveWeir).japanese);
        if (!c.search.toleranceMet)
            std::fprintf(out, "The search stopped between two adjacent doubles without meeting its tolerance "
                              "(0.01 L/min): the head is as close as double precision gets.\n");
        if (other)
            std::fprintf(out, "This bracket holds two heads, one on each side of the curve's peak at %s mm; "
                              "the other is %s mm.\n",
                         hundredthsText(curve->peakHead * 1000).c_str(), displayText(other->headMillimetres).c_str());
        break;
    case Calculation::Outcome::NoSolution:
        std::fprintf(out, "%s\n",
                     c.noHead ? noHeadSentence(*curve, *c.noHead, options.flowUnit).c_str() : names(Note::NoSolution).japanese);
        break;
    default:
        break;
    }
    return finish(out, err, exitFor(c));
}

}  // namespace vordanel::cli
