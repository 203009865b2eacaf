// The page's way into the core: the window's calculation, and the curve, its heads and the core's
// words for the workbench. Plain C exports, called from JavaScript, keep the boundary to texts,
// numbers and JSON, written by the companion's own JSON writer with the companion's keys.
// (The companion's commands run in the workers, from a module of their own: glue_commands.cpp.)

#include "json.h"

#include "vordanel/calculation.h"
#include "vordanel/curve.h"
#include "vordanel/numtext.h"
#include "vordanel/units.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using vordanel::cli::JsonObject;

// The answer of the last call, valid until the next.
const char* answer(std::string text)
{
    static std::string kept;
    kept = std::move(text);
    return kept.c_str();
}

// The unit the page shows flows in, by the name select#flowUnit gives; L/min where it names none.
vordanel::FlowUnit unitNamed(const char* name, std::size_t size)
{
    return vordanel::flowUnitNamed({name, size}).value_or(vordanel::FlowUnit::LitresPerMinute);
}

// A calculation as the companion writes it, with what the page says of its fault: the window's
// box at fault and the message the window's dialog gives.
JsonObject calculationJson(const vordanel::Calculation& c)
{
    JsonObject json;
    vordanel::cli::putCalculation(json, c);
    if (c.outcome == vordanel::Calculation::Outcome::Fault) {
        json.text("message", vordanel::userMessage(c.fault));
        json.text("control", c.faultInput ? vordanel::names(*c.faultInput).control : "");
    }
    return json;
}

}  // namespace

extern "C" {

// The window's 計算: the entries as typed (UTF-8, each with its length in bytes, so that a NUL typed
// or pasted is part of the text), read with a decimal point. The calculation as `head --json` gives
// it, with the head as the window shows it; a fault adds "message" and "control" (the box at
// fault); an empty entry's outcome "incomplete" adds "empty": the boxes the window needs filled.
const char* vordanel_calculate(const char* diameter, std::size_t diameterSize, const char* flow, std::size_t flowSize,
                               const char* min, std::size_t minSize, const char* max, std::size_t maxSize)
{
    const vordanel::Entries entries{{diameter, diameterSize}, {flow, flowSize}, {min, minSize}, {max, maxSize}};
    const vordanel::Calculation c = vordanel::calculate(entries, ".");
    JsonObject json = calculationJson(c);
    if (c.outcome == vordanel::Calculation::Outcome::Incomplete) {
        std::string empty = "[";
        const std::pair<std::string_view, vordanel::Input> texts[] = {
            {entries.diameter, vordanel::Input::Diameter}, {entries.flow, vordanel::Input::Flow},
            {entries.min, vordanel::Input::Min}, {entries.max, vordanel::Input::Max}};
        for (const auto& [text, input] : texts)
            if (text.empty()) empty += std::string(empty.size() > 1 ? "," : "") + "\"" + vordanel::names(input).control + "\"";
        json.raw("empty", empty + "]");
    }
    return answer(json.str());
}

// The flow units the core knows, in their order: [{"name":"L/min","symbol":"L/min","key":"lpm","decimals":2},…]
const char* vordanel_units()
{
    std::string list = "[";
    for (const vordanel::FlowUnit unit : vordanel::flowUnits) {
        const auto& n = vordanel::names(unit);
        if (list.size() > 1) list += ",";
        list += JsonObject().text("name", n.name).text("symbol", n.symbol).text("key", n.key).integer("decimals", n.decimals).str();
    }
    return answer(list + "]");
}

// The discharge curve of a weir for the page's drawing, from the window's four entries as typed
// (read as the window reads them), with flows in the unit named and so many points: n pairs head_mm,
// flow of doubles at points_at on the module's heap, starting at (0, 0). {"ok":false} where the
// diameter gives no usable curve, else
// {"ok":true,"diameter_mm":100,"diameter_text":"100","symbol":"L/min","peak_head_mm":…,"peak_flow":…,
//  "zero_head_mm":…,"end_head_mm":…,"peak_head_text":"149.09","peak_flow_text":"203.26",
//  "points_at":address,"points_count":n,"flow":40|null,"flow_text":"40","bracket_mm":[1,250]|null,
//  "heads":[{"mm":47.1,"text":"47.1","side":"rising"},…]}: heads are where the flow meets the curve,
// as the window would show them; end_head_mm is the greatest head, to 0.01 mm, whose flow is not
// below zero (the read-off goes no further).
const char* vordanel_curve(const char* diameter, std::size_t diameterSize, const char* flow, std::size_t flowSize,
                           const char* min, std::size_t minSize, const char* max, std::size_t maxSize,
                           const char* unitName, std::size_t unitSize, int points)
{
    const vordanel::FlowUnit unit = unitNamed(unitName, unitSize);
    const auto inUnit = [unit](double cubicMetresPerMinute) {
        return vordanel::fromLitresPerMinute(vordanel::toLitresPerMinute(cubicMetresPerMinute), unit);
    };
    const auto d = vordanel::parseNumber({diameter, diameterSize});
    const vordanel::Curve curve = vordanel::curveOf(vordanel::toMetres(d.value));
    if (d.fault || !(d.value > 0) || curve.fault) return answer(R"({"ok":false})");

    const double zeroMillimetres = curve.zeroHead * 1000;
    // The zero to 0.01 mm below, where the flow is at or above zero; a step or two further down
    // where rounding lands just past it (at most a few: a head of 1e30 mm has no 0.01 mm steps).
    double endMillimetres = std::floor(zeroMillimetres * 100) / 100, F = 0;
    for (int tries = 0; tries < 8 && endMillimetres > 0
                        && (curve.weir.residual(F, vordanel::toMetres(endMillimetres), 0) || F < 0); ++tries)
        endMillimetres = std::min(std::round(endMillimetres * 100 - 1) / 100, std::nextafter(endMillimetres, 0.0));
    JsonObject json;
    json.boolean("ok", true)
        .number("diameter_mm", d.value)
        .text("diameter_text", vordanel::displayText(d.value))
        .text("symbol", vordanel::names(unit).symbol)
        .number("peak_head_mm", curve.peakHead * 1000)
        .number("peak_flow", inUnit(curve.peakFlow))
        .number("zero_head_mm", zeroMillimetres)
        .number("end_head_mm", endMillimetres)
        .text("peak_head_text", vordanel::hundredthsText(curve.peakHead * 1000))
        .text("peak_flow_text", vordanel::flowText(vordanel::toLitresPerMinute(curve.peakFlow), unit));
    // The points go as doubles, not text: a shortest round-trip text of each costs this module
    // (without to_chars for doubles) up to seventeen printf and strtod calls.
    static std::vector<double> drawn;
    drawn.assign({0.0, 0.0});
    for (int i = 1; i <= points; ++i) {
        const double headMillimetres = zeroMillimetres * i / points;
        if (curve.weir.residual(F, vordanel::toMetres(headMillimetres), 0)) continue;
        drawn.insert(drawn.end(), {headMillimetres, inUnit(F)});
    }
    json.integer("points_at", static_cast<long long>(reinterpret_cast<std::uintptr_t>(drawn.data())))
        .integer("points_count", static_cast<long long>(drawn.size() / 2));

    const auto q = vordanel::parseNumber({flow, flowSize});
    const bool hasFlow = !q.fault && flowSize > 0;
    const double Q = vordanel::toCubicMetresPerMinute(q.value);
    if (hasFlow) json.number("flow", vordanel::fromLitresPerMinute(q.value, unit)).text("flow_text", vordanel::flowText(q.value, unit));
    else json.raw("flow", "null");
    const auto low = vordanel::parseNumber({min, minSize});
    const auto high = vordanel::parseNumber({max, maxSize});
    const bool hasBracket = !low.fault && !high.fault && minSize > 0 && maxSize > 0;
    json.raw("bracket_mm", hasBracket ? "[" + vordanel::roundTripText(low.value) + "," + vordanel::roundTripText(high.value) + "]"
                                      : std::string("null"));
    std::string heads = "[";
    if (hasFlow) {
        const std::pair<vordanel::SearchResult, const char*> found[] = {
            {vordanel::risingHead(curve, Q), "rising"}, {vordanel::fallingHead(curve, Q), "falling"}};
        for (const auto& [result, side] : found) {
            if (result.outcome != vordanel::SearchResult::Outcome::Converged) continue;
            const auto shown = vordanel::shownHeadMillimetres(result.xMid);
            if (!shown) continue;
            if (heads.size() > 1) heads += ",";
            heads += JsonObject().number("mm", *shown).text("text", vordanel::displayText(*shown)).text("side", side).str();
        }
    }
    json.raw("heads", heads + "]");
    return answer(json.str());
}

// What the curve reads at a head the user points at (mm, from the drawing): the head to 0.01 mm
// and the formula's flow there in the unit named, as texts and as a number:
// {"head":"123.45","flow":"180.23","flow_value":180.2312…}. The curve starts at (0, 0), as it is
// drawn; {} where the diameter gives no curve or the formula no flow at that head.
const char* vordanel_read_off(const char* diameter, std::size_t diameterSize, const char* unitName, std::size_t unitSize,
                              double headMillimetres)
{
    const vordanel::FlowUnit unit = unitNamed(unitName, unitSize);
    const auto d = vordanel::parseNumber({diameter, diameterSize});
    const double head = std::round(headMillimetres * 100) / 100;
    const vordanel::Weir weir(vordanel::toMetres(d.value));
    double F = 0;
    if (d.fault || !(d.value > 0) || !(head >= 0)) return answer("{}");
    if (head > 0 && (weir.residual(F, vordanel::toMetres(head), 0) || !std::isfinite(vordanel::toLitresPerMinute(F))))
        return answer("{}");
    const double lpm = vordanel::toLitresPerMinute(F);
    return answer(JsonObject()
                      .text("head", vordanel::displayText(head))
                      .text("flow", vordanel::flowText(lpm, unit))
                      .number("flow_value", vordanel::fromLitresPerMinute(lpm, unit))
                      .str());
}

// What the curve knows of the window's entries (texts as typed), by the calls vordanel-cli head
// makes: the head on the rising side without a bracket, as `head -d D -q Q` finds it (with the
// core's words for why there is none, or the fault's message), and, where the bracket holds both
// heads of the flow, the window's answer and the other head with the side of the curve each lies on:
// {"rising":{calculation…, "why":"…" | "message":"…"},
//  "other":null|{"head":"47.1","side":"rising","answer":"205.81","answer_side":"falling"}}
const char* vordanel_facts(const char* diameter, std::size_t diameterSize, const char* flow, std::size_t flowSize,
                           const char* min, std::size_t minSize, const char* max, std::size_t maxSize,
                           const char* unitName, std::size_t unitSize)
{
    const std::string_view d{diameter, diameterSize}, q{flow, flowSize};
    const vordanel::Calculation rising = vordanel::calculateRising({d, q, "", ""});
    JsonObject risingJson = calculationJson(rising);
    if (rising.outcome == vordanel::Calculation::Outcome::NoSolution) {
        const vordanel::Curve curve = vordanel::curveOf(rising.D);
        const vordanel::NoHead why = rising.noHead.value_or(vordanel::whyNoHead(curve, rising.Q));
        std::string words = vordanel::names(why).japanese;
        if (why == vordanel::NoHead::AbovePeak)
            words += "(最大流量 " + vordanel::flowText(vordanel::toLitresPerMinute(curve.peakFlow), unitNamed(unitName, unitSize))
                     + " " + vordanel::names(unitNamed(unitName, unitSize)).symbol + ")";
        risingJson.text("why", words);
    }

    JsonObject json;
    json.raw("rising", risingJson.str());
    const vordanel::Calculation c = vordanel::calculate({d, q, {min, minSize}, {max, maxSize}});
    std::string other = "null";
    if (c.outcome == vordanel::Calculation::Outcome::Converged) {
        if (const auto found = vordanel::otherHead(vordanel::curveOf(c.D), c))
            other = JsonObject()
                        .text("head", vordanel::displayText(found->headMillimetres))
                        .text("side", found->onRisingSide ? "rising" : "falling")
                        .text("answer", vordanel::displayText(c.headMillimetres))
                        .text("answer_side", found->onRisingSide ? "falling" : "rising")
                        .str();
    }
    json.raw("other", other);
    return answer(json.str());
}

// A note cell of the companion's keys ("above_weir;two_heads", "not_a_number:flow_lpm") in the
// core's Japanese words, as plain text (UTF-8).
const char* vordanel_note_words(const char* cell, std::size_t cellSize)
{
    return answer(vordanel::noteWords({cell, cellSize}));
}

// The caption of a column of the companion's CSV (flow_m3h, head_mm, ...) in the window's words,
// as plain text (UTF-8); empty for a column the core has no caption for.
const char* vordanel_caption(const char* column, std::size_t columnSize)
{
    return answer(vordanel::captionOf({column, columnSize}).value_or(""));
}

}  // extern "C"
