// The page's way into the core: the window's calculation, and the curve and its heads for the
// workbench. Plain C exports, called from JavaScript, keep the boundary to texts, numbers and JSON.
// (The companion's commands run in the workers, from a module of their own: glue_commands.cpp.)

#include "vordanel/calculation.h"
#include "vordanel/curve.h"
#include "vordanel/numtext.h"
#include "vordanel/units.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// Texts that reach JSON come from the core's own wording, which holds no quote or backslash.
std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// A number for JSON: the shortest text that reads back to the same double; null where there is none.
std::string jsonNumber(double value) { return std::isfinite(value) ? vordanel::roundTripText(value) : "null"; }

}  // namespace

extern "C" {

// The entries as typed (UTF-8, each with its length in bytes, so that a NUL typed or pasted is part
// of the text), read with a decimal point. The answer, valid until the next call:
// {"outcome":"incomplete"|"converged"|"no_solution"|"fault", "head":"47.1", "trials":"12",
//  "aboveWeir":false, "message":"…", "entry":"Text6"}
const char* vordanel_calculate(const char* diameter, std::size_t diameterSize, const char* flow, std::size_t flowSize,
                               const char* min, std::size_t minSize, const char* max, std::size_t maxSize)
{
    static std::string answer;
    const vordanel::Calculation c = vordanel::calculate(
        {{diameter, diameterSize}, {flow, flowSize}, {min, minSize}, {max, maxSize}}, ".");
    switch (c.outcome) {
    case vordanel::Calculation::Outcome::Incomplete:
        answer = R"({"outcome":"incomplete"})";
        break;
    case vordanel::Calculation::Outcome::Converged:
        answer = R"({"outcome":"converged","head":)" + quoted(vordanel::displayText(c.headMillimetres))
                 + R"(,"trials":)" + quoted(vordanel::displayText(c.search.trialCount))
                 + R"(,"aboveWeir":)" + (c.aboveWeir ? "true" : "false") + "}";
        break;
    case vordanel::Calculation::Outcome::NoSolution:
        answer = R"({"outcome":"no_solution"})";
        break;
    case vordanel::Calculation::Outcome::Fault:
        answer = R"({"outcome":"fault","message":)" + quoted(vordanel::userMessage(c.fault))
                 + R"(,"entry":)" + quoted(c.faultInput ? vordanel::names(*c.faultInput).control : "") + "}";
        break;
    }
    return answer.c_str();
}

// The discharge curve of a weir for the page's drawing, from the window's four entries as typed
// (UTF-8, read as the window reads them), with so many points: n pairs head_mm, flow_lpm of doubles
// at points_at on the module's heap, starting at (0, 0). Valid until the next call:
// {"ok":false} where the diameter gives no usable curve, else
// {"ok":true,"diameter_mm":100,"peak_head_mm":…,"peak_flow_lpm":…,"zero_head_mm":…,
//  "peak_head_text":"149.09","peak_flow_text":"203.26","points_at":address,"points_count":n,
//  "flow_lpm":40|null,"bracket_mm":[1,250]|null,
//  "heads":[{"mm":47.1,"text":"47.1","side":"rising"},…]}: heads are where the flow meets the
// curve, as the window would show them.
const char* vordanel_curve(const char* diameter, std::size_t diameterSize, const char* flow, std::size_t flowSize,
                           const char* min, std::size_t minSize, const char* max, std::size_t maxSize, int points)
{
    static std::string answer;
    const auto d = vordanel::parseNumber({diameter, diameterSize});
    const vordanel::Curve curve = vordanel::curveOf(vordanel::toMetres(d.value));
    if (d.fault || !(d.value > 0) || curve.fault) return (answer = R"({"ok":false})").c_str();

    const double zeroMillimetres = curve.zeroHead * 1000;
    answer = R"({"ok":true,"diameter_mm":)" + jsonNumber(d.value)
             + R"(,"peak_head_mm":)" + jsonNumber(curve.peakHead * 1000)
             + R"(,"peak_flow_lpm":)" + jsonNumber(vordanel::toLitresPerMinute(curve.peakFlow))
             + R"(,"zero_head_mm":)" + jsonNumber(zeroMillimetres)
             + R"(,"peak_head_text":)" + quoted(vordanel::hundredthsText(curve.peakHead * 1000))
             + R"(,"peak_flow_text":)" + quoted(vordanel::hundredthsText(vordanel::toLitresPerMinute(curve.peakFlow)))
             ;
    // The points go as doubles, not text: a shortest round-trip text of each costs this module
    // (without to_chars for doubles) up to seventeen printf and strtod calls.
    static std::vector<double> drawn;
    drawn.assign({0.0, 0.0});
    for (int i = 1; i <= points; ++i) {
        const double headMillimetres = zeroMillimetres * i / points;
        double F = 0;
        if (curve.weir.residual(F, vordanel::toMetres(headMillimetres), 0)) continue;
        drawn.insert(drawn.end(), {headMillimetres, vordanel::toLitresPerMinute(F)});
    }
    answer += R"(,"points_at":)" + std::to_string(reinterpret_cast<std::uintptr_t>(drawn.data()))
              + R"(,"points_count":)" + std::to_string(drawn.size() / 2);

    const auto q = vordanel::parseNumber({flow, flowSize});
    const bool hasFlow = !q.fault && flowSize > 0;
    const double Q = vordanel::toCubicMetresPerMinute(q.value);
    answer += R"(,"flow_lpm":)" + (hasFlow ? jsonNumber(q.value) : std::string("null"));
    const auto low = vordanel::parseNumber({min, minSize});
    const auto high = vordanel::parseNumber({max, maxSize});
    const bool hasBracket = !low.fault && !high.fault && minSize > 0 && maxSize > 0;
    answer += R"(,"bracket_mm":)"
              + (hasBracket ? "[" + jsonNumber(low.value) + "," + jsonNumber(high.value) + "]" : std::string("null"));
    answer += R"(,"heads":[)";
    if (hasFlow) {
        const std::pair<vordanel::SearchResult, const char*> found[] = {
            {vordanel::risingHead(curve, Q), "rising"}, {vordanel::fallingHead(curve, Q), "falling"}};
        bool first = true;
        for (const auto& [result, side] : found) {
            if (result.outcome != vordanel::SearchResult::Outcome::Converged) continue;
            const auto shown = vordanel::shownHeadMillimetres(result.xMid);
            if (!shown) continue;
            answer += std::string(first ? "" : ",") + R"({"mm":)" + jsonNumber(*shown) + R"(,"text":)"
                      + quoted(vordanel::displayText(*shown)) + R"(,"side":")" + side + "\"}";
            first = false;
        }
    }
    answer += "]}";
    return answer.c_str();
}

// What the curve reads at a head the user points at (mm, from the drawing): the head to 0.01 mm
// and the formula's flow there, as texts. {"head":"123.45","flow":"180.23"}, or {} where the
// diameter gives no curve or the formula none at that head.
const char* vordanel_read_off(const char* diameter, std::size_t diameterSize, double headMillimetres)
{
    static std::string answer;
    const auto d = vordanel::parseNumber({diameter, diameterSize});
    const double head = std::round(headMillimetres * 100) / 100;
    const vordanel::Weir weir(vordanel::toMetres(d.value));
    double F = 0;
    if (d.fault || !(d.value > 0) || !(head > 0) || weir.residual(F, vordanel::toMetres(head), 0)
        || !std::isfinite(vordanel::toLitresPerMinute(F)))
        return (answer = "{}").c_str();
    answer = R"({"head":)" + quoted(vordanel::displayText(head)) + R"(,"flow":)"
             + quoted(vordanel::hundredthsText(vordanel::toLitresPerMinute(F))) + "}";
    return answer.c_str();
}

// What the curve knows of the window's entries (texts as typed, UTF-8), by the calls vordanel-cli
// head makes: the head on the rising side without a bracket, as `head -d D -q Q` finds it, and,
// where the bracket holds both heads of the flow, the window's answer and the other head with
// the side of the curve each lies on, as `head … --min --max` names it. Valid until the next call:
// {"rising":null|{"outcome":"converged","head":"47.1","trials":11,"above_weir":false}
//                |{"outcome":"no_solution","why":"no_flow"|"above_peak"|"too_small"}|{"outcome":"fault"},
//  "other":null|{"head":"47.1","side":"rising","answer":"205.81","answer_side":"falling"}}
const char* vordanel_facts(const char* diameter, std::size_t diameterSize, const char* flow, std::size_t flowSize,
                           const char* min, std::size_t minSize, const char* max, std::size_t maxSize)
{
    static std::string answer;
    const std::string_view d{diameter, diameterSize}, q{flow, flowSize};
    const vordanel::Calculation rising = vordanel::calculateRising({d, q, "", ""});
    answer = R"({"rising":)";
    switch (rising.outcome) {
    case vordanel::Calculation::Outcome::Incomplete:
        answer += "null";
        break;
    case vordanel::Calculation::Outcome::Converged:
        answer += R"({"outcome":"converged","head":)" + quoted(vordanel::displayText(rising.headMillimetres))
                  + R"(,"trials":)" + std::to_string(rising.search.trialCount)
                  + R"(,"above_weir":)" + (rising.aboveWeir ? "true" : "false") + "}";
        break;
    case vordanel::Calculation::Outcome::NoSolution: {
        const char* why = "too_small";
        switch (vordanel::whyNoHead(vordanel::curveOf(rising.D), rising.Q)) {
        case vordanel::NoHead::NoFlow:
            why = "no_flow";
            break;
        case vordanel::NoHead::AbovePeak:
            why = "above_peak";
            break;
        case vordanel::NoHead::TooSmall:
            break;
        }
        answer += R"({"outcome":"no_solution","why":")" + std::string(why) + "\"}";
        break;
    }
    case vordanel::Calculation::Outcome::Fault:
        answer += R"({"outcome":"fault"})";
        break;
    }

    answer += R"(,"other":)";
    const vordanel::Calculation c = vordanel::calculate({d, q, {min, minSize}, {max, maxSize}});
    std::string other = "null";
    if (c.outcome == vordanel::Calculation::Outcome::Converged) {
        if (const auto found = vordanel::otherHead(vordanel::curveOf(c.D), c))
            other = R"({"head":)" + quoted(vordanel::displayText(found->headMillimetres)) + R"(,"side":)"
                    + quoted(found->onRisingSide ? "rising" : "falling") + R"(,"answer":)"
                    + quoted(vordanel::displayText(c.headMillimetres)) + R"(,"answer_side":)"
                    + quoted(found->onRisingSide ? "falling" : "rising") + "}";
    }
    answer += other + "}";
    return answer.c_str();
}

}  // extern "C"
