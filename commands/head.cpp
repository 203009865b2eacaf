#include "head.h"

#include "json.h"
#include "words.h"

#include "vordanel/calculation.h"
#include "vordanel/catalogue.h"
#include "vordanel/numtext.h"
#include "vordanel/search.h"
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

HeadResult computeHead(const HeadOptions& options)
{
    HeadResult r;
    r.options = options;
    PassObserver observer;
    if (options.trace) observer = [&r](const Pass& p) { r.passes.push_back(p); };
    const Bracket bracket = options.bracket.value_or(Bracket{});
    r.bracketGiven = bracketKind(bracket.min, bracket.max) != BracketKind::None;
    r.calculation = calculateHead({options.diameter, options.flow, bracket.min, bracket.max, options.flowUnit}, ".", observer);
    // What the curve adds: the other head a bracket holds, or why there is no head without one.
    if (r.calculation.outcome != Calculation::Outcome::Fault) r.curve = curveOf(r.calculation.D);
    if (r.curve && r.bracketGiven) r.other = otherHead(*r.curve, r.calculation);
    return r;
}

std::string headJson(const HeadResult& r)
{
    const Calculation& c = r.calculation;
    JsonObject json;
    putCalculation(json, c);
    if (r.other)
        json.text("other_head_mm", displayText(r.other->headMillimetres))
            .text("other_side", r.other->onRisingSide ? "rising" : "falling");
    if (c.noHead)
        json.number(std::string("max_flow_") + names(r.options.flowUnit).key,
                    fromLitresPerMinute(toLitresPerMinute(r.curve->peakFlow), r.options.flowUnit))
            .number("peak_head_mm", r.curve->peakHead * 1000);
    if (r.options.trace) json.array("passes", jsonPasses(r.passes));
    return json.str() + "\n";
}

void putHeadText(std::FILE* out, const HeadResult& r)
{
    const Calculation& c = r.calculation;
    if (r.options.trace) putTextPasses(out, r.passes);
    switch (c.outcome) {
    case Calculation::Outcome::Converged:
        std::fprintf(out, "%s %s\n%s %d\n", std::string(headCaption()).c_str(), displayText(c.headMillimetres).c_str(),
                     std::string(trialsCaption()).c_str(), c.search.trialCount);
        if (c.aboveWeir) std::fprintf(out, "%s\n", names(Note::AboveWeir).japanese);
        if (!c.search.toleranceMet)
            std::fprintf(out, "The search stopped between two adjacent doubles without meeting its tolerance "
                              "(%s L/min): the head is as close as double precision gets.\n",
                         displayText(toLitresPerMinute(residualTolerance)).c_str());
        if (r.other)
            std::fprintf(out, "This bracket holds two heads, one on each side of the curve's peak at %s mm; "
                              "the other is %s mm.\n",
                         hundredthsText(r.curve->peakHead * 1000).c_str(), displayText(r.other->headMillimetres).c_str());
        break;
    case Calculation::Outcome::NoSolution:
        std::fprintf(out, "%s\n",
                     c.noHead ? noHeadSentence(*r.curve, *c.noHead, r.options.flowUnit).c_str() : names(Note::NoSolution).japanese);
        break;
    default:
        break;
    }
}

int head(const HeadOptions& options, std::FILE* out, std::FILE* err)
{
    const HeadResult r = computeHead(options);
    const Calculation& c = r.calculation;
    if (c.outcome == Calculation::Outcome::Incomplete) {
        std::fprintf(err, "vordanel-cli: every entry needs a value: --diameter, --flow%s\n",
                     r.bracketGiven ? ", --min and --max (or both blank for the rising side)" : "");
        return Failure;
    }
    if (c.outcome == Calculation::Outcome::Fault) reportFault(err, c.fault, c.faultInput);
    if (options.json) putText(out, headJson(r));
    else putHeadText(out, r);
    return finish(out, err, exitFor(c));
}

}  // namespace vordanel::cli
