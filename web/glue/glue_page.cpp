// The page's way into the core: the window's calculation, and the curve, its heads and the core's
// words for the workbench. Plain C exports, called from JavaScript, each with one JSON array of
// texts and numbers (request.h) and one JSON answer, written by the companion's own JSON writer
// with the companion's keys; every
// word the page shows comes from here, so the page's scripts only move them.
// (The companion's commands run in the workers, from a module of their own: glue_commands.cpp.)

#include "flow.h"
#include "json.h"
#include "request.h"

#include "vordanel/calculation.h"
#include "vordanel/catalogue.h"
#include "vordanel/curve.h"
#include "vordanel/flow.h"
#include "vordanel/gauge.h"
#include "vordanel/numtext.h"
#include "vordanel/units.h"
#include "vordanel/words.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using vordanel::cli::JsonArray;
using vordanel::cli::JsonObject;

// The answer of the last call, valid until the next.
const char* answer(std::string text)
{
    static std::string kept;
    kept = std::move(text);
    return kept.c_str();
}

// The unit the page shows flows in, by the name select#flowUnit gives; L/min where it names none.
vordanel::FlowUnit unitNamed(std::string_view name)
{
    return vordanel::flowUnitNamed(name).value_or(vordanel::FlowUnit::LitresPerMinute);
}

// The sheet's caption of the window's answer, pressed or not.
std::string answerCaption() { return vordanel::word(vordanel::Word::answer_caption, {vordanel::headCaption()}); }

// A row of the printed sheet: a caption and what stands beside it.
JsonArray row(std::string_view caption, std::string_view value) { return JsonArray().text(caption).text(value); }

}  // namespace

// The calls as the page makes them, each answering with its JSON text; the exports at the end read
// their arguments from the page's one JSON array.
namespace calls {

// The window's 計算: the entries as typed (UTF-8, each with its length in bytes, so that a NUL typed
// or pasted is part of the text), read with a decimal point. The calculation as `head --json` gives
// it, with the head as the window shows it, and the core's words for it: "said" (for a screen
// reader, or the failure dialog's message), "sheet_rows" ([caption, value] pairs of the printed
// sheet). A fault adds "control" (the box at fault); an empty entry's outcome "incomplete" adds
// "needed_text", the sentence that names the boxes the window needs filled.
const char* vordanel_calculate(const char* diameter, std::size_t diameterSize, const char* flow, std::size_t flowSize,
                               const char* min, std::size_t minSize, const char* max, std::size_t maxSize)
{
    const vordanel::Entries entries{{diameter, diameterSize}, {flow, flowSize}, {min, minSize}, {max, maxSize}};
    const vordanel::Calculation c = vordanel::calculate(entries, ".");
    JsonObject json;
    vordanel::cli::putCalculation(json, c);
    JsonArray sheet;
    switch (c.outcome) {
    case vordanel::Calculation::Outcome::Converged:
        sheet.array(row(answerCaption(), vordanel::displayText(c.headMillimetres)))
            .array(row(vordanel::trialsCaption(), std::to_string(c.search.trialCount)));
        if (c.aboveWeir) sheet.array(row(vordanel::word(vordanel::Word::sheet_message), vordanel::names(vordanel::Note::AboveWeir).japanese));
        break;
    case vordanel::Calculation::Outcome::NoSolution:
        sheet.array(row(answerCaption(), "—")).array(row(vordanel::word(vordanel::Word::sheet_message), vordanel::names(vordanel::Note::NoSolution).japanese));
        break;
    case vordanel::Calculation::Outcome::Fault:
        json.text("control", c.faultInput ? vordanel::names(*c.faultInput).control : "");
        sheet.array(row(answerCaption(), "—")).array(row(vordanel::word(vordanel::Word::sheet_message), vordanel::words::fault(c.fault, c.faultInput)));
        break;
    case vordanel::Calculation::Outcome::Incomplete: {
        std::vector<vordanel::Input> empty;
        const std::pair<std::string_view, vordanel::Input> texts[] = {
            {entries.diameter, vordanel::Input::Diameter}, {entries.flow, vordanel::Input::Flow},
            {entries.min, vordanel::Input::Min}, {entries.max, vordanel::Input::Max}};
        for (const auto& [text, input] : texts)
            if (text.empty()) empty.push_back(input);
        json.text("needed_text", vordanel::words::entriesNeeded(empty));
        json.text("said", vordanel::words::entriesNeeded(empty));
        break;
    }
    }
    if (c.outcome != vordanel::Calculation::Outcome::Incomplete) json.text("said", vordanel::words::answer(c));
    json.array("sheet_rows", sheet);
    return answer(json.str());
}

// The flow units the core knows, in their order: [{"name":"L/min","symbol":"L/min","key":"lpm","decimals":2},…]
const char* vordanel_units()
{
    JsonArray list;
    for (const vordanel::FlowUnit unit : vordanel::flowUnits) {
        const auto& n = vordanel::names(unit);
        list.object(JsonObject().text("name", n.name).text("symbol", n.symbol).text("key", n.key).integer("decimals", n.decimals));
    }
    return answer(list.str());
}

// The name of the flow unit a text names (L/min, m3/h, m³/h, in either case), as the companion's
// --flow-unit reads it, as a JSON text; "" where it names none.
const char* vordanel_unit_named(const char* text, std::size_t size)
{
    const auto unit = vordanel::flowUnitNamed({text, size});
    const std::string list = JsonArray().text(unit ? vordanel::names(*unit).name : "").str();
    return answer(list.substr(1, list.size() - 2));
}

// A flow as typed in one unit, in another (a table's range when the unit changes), as the
// core converts flows: {"ok":true,"text":"0.6"} ("" for an empty text), or {"ok":false} where the
// text is not a number.
const char* vordanel_flow_in_unit(const char* text, std::size_t size, const char* from, std::size_t fromSize,
                                  const char* to, std::size_t toSize)
{
    const std::string_view typed{text, size};
    if (typed.find_first_not_of(" \t") == std::string_view::npos) return answer(JsonObject().boolean("ok", true).text("text", "").str());
    const auto flow = vordanel::parseNumber(typed);
    if (flow.fault) return answer(JsonObject().boolean("ok", false).str());
    const double litres = vordanel::toLitresPerMinute(flow.value, unitNamed({from, fromSize}));
    return answer(JsonObject().boolean("ok", true).text("text", vordanel::displayText(vordanel::fromLitresPerMinute(litres, unitNamed({to, toSize})))).str());
}

// The discharge curve of a weir for the page's drawing, from the window's four entries as typed
// (read as the window reads them), with flows in the unit named and so many points: n pairs head_mm,
// flow of doubles at points_at on the module's heap, starting at (0, 0). {"ok":false,
// "empty_caption":…} where the diameter gives no usable curve, else
// {"ok":true,"diameter_mm":100,"diameter_text":"100","symbol":"L/min","peak_head_mm":…,"peak_flow":…,
//  "zero_head_mm":…,"end_head_mm":…,"peak_head_text":"149.09","peak_flow_text":"203.26",
//  "points_at":address,"points_count":n,"flow":40|null,"flow_text":"40","bracket_mm":[1,250]|null,
//  "heads":[{"mm":47.1,"text":"47.1","side":"rising"},…], and the drawing's words: axis titles,
//  labels, the file's caption and name}: heads are where the flow meets the curve, as the window
// would show them; end_head_mm is the greatest head, to 0.01 mm, whose flow is not below zero (the
// read-off goes no further).
const char* vordanel_curve(const char* diameter, std::size_t diameterSize, const char* flow, std::size_t flowSize,
                           const char* min, std::size_t minSize, const char* max, std::size_t maxSize,
                           const char* unitName, std::size_t unitSize, int points)
{
    const vordanel::FlowUnit unit = unitNamed({unitName, unitSize});
    const char* symbol = vordanel::names(unit).symbol;
    const auto inUnit = [unit](double cubicMetresPerMinute) {
        return vordanel::fromLitresPerMinute(vordanel::toLitresPerMinute(cubicMetresPerMinute), unit);
    };
    const auto d = vordanel::parseNumber({diameter, diameterSize});
    const vordanel::Curve curve = vordanel::curveOf(vordanel::toMetres(d.value));
    if (d.fault || !(d.value > 0) || curve.fault) {
        // None entered, or one that is not a weir's: said as the window would say it.
        const auto fault = d.fault ? d.fault : vordanel::diameterFault(vordanel::toMetres(d.value));
        const std::string said = diameterSize == 0 ? vordanel::word(vordanel::Word::curve_needs_diameter, {vordanel::names(vordanel::Input::Diameter).caption})
                                 : vordanel::words::fault(fault.value_or(curve.fault.value_or(vordanel::Fault::InvalidArgument)), vordanel::Input::Diameter);
        return answer(JsonObject().boolean("ok", false).text("empty_caption", said).str());
    }

    const double zeroMillimetres = curve.zeroHead * 1000;
    // The zero to 0.01 mm below, where the flow is at or above zero; a step or two further down
    // where rounding lands just past it (at most a few: a head of 1e30 mm has no 0.01 mm steps).
    double endMillimetres = std::floor(zeroMillimetres * 100) / 100, F = 0;
    for (int tries = 0; tries < 8 && endMillimetres > 0
                        && (curve.weir.residual(F, vordanel::toMetres(endMillimetres), 0) || F < 0); ++tries)
        endMillimetres = std::min(std::round(endMillimetres * 100 - 1) / 100, std::nextafter(endMillimetres, 0.0));
    const std::string diameterText = vordanel::displayText(d.value);
    const std::string peakFlowText = vordanel::flowText(vordanel::toLitresPerMinute(curve.peakFlow), unit);
    const std::string peakHeadText = vordanel::hundredthsText(curve.peakHead * 1000);
    JsonObject json;
    json.boolean("ok", true)
        .number("diameter_mm", d.value)
        .text("diameter_text", diameterText)
        .text("symbol", symbol)
        .number("peak_head_mm", curve.peakHead * 1000)
        .number("peak_flow", inUnit(curve.peakFlow))
        .number("zero_head_mm", zeroMillimetres)
        .number("end_head_mm", endMillimetres)
        .text("peak_head_text", peakHeadText)
        .text("peak_flow_text", peakFlowText)
        .text("head_axis", vordanel::headCaption())
        .text("flow_axis", vordanel::flowCaption(unit))
        .text("peak_label", vordanel::word(vordanel::Word::curve_peak_label, {peakFlowText, symbol, peakHeadText}))
        .text("bracket_caption", vordanel::word(vordanel::Word::curve_bracket))
        .text("weir_top_caption", vordanel::word(vordanel::Word::curve_weir_top))
        .text("caption", vordanel::word(vordanel::Word::curve_caption, {diameterText, vordanel::word(vordanel::Word::staus_formula)}))
        .text("file_name", "vordanel-curve-D" + diameterText);
    // The points to nine figures, far finer than any drawing: a shortest round-trip text of each
    // costs up to seventeen conversions.
    std::string drawn = "[[0,0]";
    for (int i = 1; i <= points; ++i) {
        const double headMillimetres = zeroMillimetres * i / points;
        if (curve.weir.residual(F, vordanel::toMetres(headMillimetres), 0)) continue;
        drawn += ",[" + vordanel::generalText(headMillimetres, 9) + "," + vordanel::generalText(inUnit(F), 9) + "]";
    }
    json.raw("points", drawn + "]");

    const auto q = vordanel::parseNumber({flow, flowSize});
    const bool hasFlow = !q.fault && flowSize > 0;
    const double Q = vordanel::toCubicMetresPerMinute(q.value);
    if (hasFlow) {
        const std::string text = vordanel::flowText(q.value, unit);
        json.number("flow", vordanel::fromLitresPerMinute(q.value, unit)).text("flow_text", text).text("flow_label", vordanel::word(vordanel::Word::curve_flow_label, {text, symbol}));
    } else {
        json.null("flow");
    }
    // The window's bracket as the window reads it: both ends given and numbers.
    const auto low = vordanel::parseNumber({min, minSize});
    const auto high = vordanel::parseNumber({max, maxSize});
    if (!low.fault && !high.fault && vordanel::bracketKind({min, minSize}, {max, maxSize}) == vordanel::BracketKind::Given)
        json.array("bracket_mm", JsonArray().number(low.value).number(high.value));
    else
        json.null("bracket_mm");
    JsonArray heads;
    if (hasFlow) {
        const std::pair<vordanel::SearchResult, bool> found[] = {{vordanel::risingHead(curve, Q), true}, {vordanel::fallingHead(curve, Q), false}};
        for (const auto& [result, rising] : found) {
            if (result.outcome != vordanel::SearchResult::Outcome::Converged) continue;
            const auto shown = vordanel::shownHeadMillimetres(result.xMid);
            if (!shown) continue;
            heads.object(JsonObject().number("mm", *shown).text("text", vordanel::displayText(*shown)).text("side", rising ? "rising" : "falling"));
        }
    }
    json.array("heads", heads);
    return answer(json.str());
}

// What the curve reads at a head the user points at (mm, from the drawing): the head to 0.01 mm
// and the formula's flow there in the unit named, as texts and as a number:
// {"head":"123.45","flow":"180.23","flow_value":180.2312…}. The curve starts at (0, 0), as it is
// drawn; {} where the diameter gives no curve or the formula no flow at that head.
const char* vordanel_read_off(const char* diameter, std::size_t diameterSize, const char* unitName, std::size_t unitSize,
                              double headMillimetres)
{
    const vordanel::FlowUnit unit = unitNamed({unitName, unitSize});
    const auto d = vordanel::parseNumber({diameter, diameterSize});
    const double head = vordanel::readPlainNumber(vordanel::hundredthsText(headMillimetres));
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
// makes, in the core's words: the head on the rising side without a bracket ("rising_text"), the
// greatest flow and its head, and, where the bracket holds both heads of the flow, the other head
// and the side of the curve each lies on ("other_text", else null).
const char* vordanel_facts(const char* diameter, std::size_t diameterSize, const char* flow, std::size_t flowSize,
                           const char* min, std::size_t minSize, const char* max, std::size_t maxSize,
                           const char* unitName, std::size_t unitSize)
{
    const vordanel::FlowUnit unit = unitNamed({unitName, unitSize});
    const std::string_view d{diameter, diameterSize}, q{flow, flowSize};
    const vordanel::Calculation rising = vordanel::calculateRising({d, q, "", ""});
    const vordanel::Curve curve = vordanel::curveOf(rising.D);
    const auto parsed = vordanel::parseNumber(d);
    const bool hasCurve = !parsed.fault && parsed.value > 0 && !curve.fault;
    JsonObject json;
    json.text("peak_flow_caption", vordanel::word(vordanel::Word::peak_flow_caption, {vordanel::flowCaption(unit)}));
    if (!hasCurve) {
        json.text("rising_text", "—").text("peak_flow", "—").text("peak_head", "—").null("other_text");
        return answer(json.str());
    }
    json.text("rising_text", vordanel::words::risingHead(rising, curve, unit, !q.empty()))
        .text("peak_flow", vordanel::flowText(vordanel::toLitresPerMinute(curve.peakFlow), unit) + " " + vordanel::names(unit).symbol)
        .text("peak_head", vordanel::hundredthsText(curve.peakHead * 1000) + " mm");
    const vordanel::Calculation c = vordanel::calculate({d, q, {min, minSize}, {max, maxSize}});
    // The same diameter, read the same way: the curve above is this calculation's.
    const auto found = c.outcome == vordanel::Calculation::Outcome::Converged ? vordanel::otherHead(curve, c) : std::nullopt;
    if (found) json.text("other_text", vordanel::words::otherHead(*found, c, curve));
    else json.null("other_text");
    return answer(json.str());
}

// The flow at the head entry, as `vordanel-cli flow` works it out for the entries as typed (the
// head a reading on the staff where a gauge zero is given), in words: {"text", "failed": a fault,
// "mark": the head and its flow for the curve ({"mm", "text", "flow", "flow_text"}) or null}.
const char* vordanel_head_flow(const char* diameter, std::size_t diameterSize, const char* head, std::size_t headSize,
                               const char* zero, std::size_t zeroSize, const char* unitName, std::size_t unitSize)
{
    const vordanel::FlowUnit unit = unitNamed({unitName, unitSize});
    // The companion's own step, so that the page blames the entry `flow` blames.
    const vordanel::cli::FlowResult r = vordanel::cli::flowAt(
        {std::string(diameter, diameterSize), std::string(head, headSize), std::string(zero, zeroSize), unit});
    const vordanel::FlowAnswer& a = r.answer;
    const vordanel::Discharge& d = a.discharge;
    const double litres = vordanel::toLitresPerMinute(d.flow);
    const std::string flowText = d.fault || d.beyondZero ? "" : vordanel::flowText(litres, unit);
    JsonObject json;
    json.text("text", vordanel::words::flowAtHead(d, flowText, unit)).boolean("failed", d.fault.has_value());
    if (flowText.empty()) {
        json.null("mark");
    } else {
        json.object("mark", JsonObject()
                                .number("mm", a.head.value)
                                .text("text", vordanel::displayText(a.head.value))
                                .number("flow", vordanel::fromLitresPerMinute(litres, unit))
                                .text("flow_text", flowText));
    }
    return answer(json.str());
}

// A rating table's words, for the settings as typed: the captions of its from, to and step boxes
// in the unit of its kind, the title that says what it answers, and its file's name.
const char* vordanel_table_words(const char* diameter, std::size_t diameterSize, const char* by, std::size_t bySize,
                                 const char* from, std::size_t fromSize, const char* to, std::size_t toSize,
                                 const char* step, std::size_t stepSize, const char* unitName, std::size_t unitSize,
                                 const char* min, std::size_t minSize, const char* max, std::size_t maxSize,
                                 const char* zero, std::size_t zeroSize, int bracketed)
{
    const bool byHeads = std::string_view{by, bySize} == "heads";
    const bool onGauge = byHeads && zeroSize > 0;
    const vordanel::FlowUnit unit = unitNamed({unitName, unitSize});
    const std::string what = vordanel::word(onGauge ? vordanel::Word::word_reading : byHeads ? vordanel::Word::word_head : vordanel::Word::word_flow), inUnit = byHeads ? "mm" : vordanel::names(unit).symbol;
    const auto d = vordanel::parseNumber({diameter, diameterSize});
    const std::string weir = d.fault ? std::string(diameter, diameterSize) : vordanel::displayText(d.value);
    const auto trimmed = [](const char* text, std::size_t size) {
        std::string_view t{text, size};
        while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
        while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
        return std::string(t);
    };
    std::string title = vordanel::word(vordanel::Word::table_title_range,
                                       {weir, what, trimmed(from, fromSize), trimmed(to, toSize), inUnit, trimmed(step, stepSize)});
    if (onGauge) title += vordanel::word(vordanel::Word::table_title_zero, {std::string_view(zero, zeroSize)});
    if (!byHeads)
        title += bracketed ? vordanel::word(vordanel::Word::table_title_bracket, {std::string_view(min, minSize), std::string_view(max, maxSize)})
                           : vordanel::word(vordanel::Word::table_title_rising);
    std::string named;  // the weir as a file name may hold it
    for (const char c : weir) named += (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '+' || c == '-') ? c : '_';
    const std::string file = "vordanel-" + std::string(byHeads ? "heads" : "table") + "-D" + named;
    JsonObject captions;
    const auto bound = [&](vordanel::Word which) {
        return vordanel::word(vordanel::Word::table_caption_bound, {what, vordanel::word(which), inUnit});
    };
    captions.text("from", bound(vordanel::Word::word_from)).text("to", bound(vordanel::Word::word_to)).text("step", bound(vordanel::Word::word_step));
    return answer(JsonObject()
                      .object("captions", captions)
                      .text("title", title)
                      .text("file_name", file + ".csv")
                      .text("gauge_file_name", "vordanel-gauge-D" + named + ".svg")
                      .str());
}

// The printed sheet's words for the window's entries as typed: the entries' rows ([caption,
// value]), the captions of the answers' rows, the row that says 計算 was not pressed for them, and
// each printed document's title (its PDF's name): what it is, the project and the diameter.
const char* vordanel_sheet_words(const char* diameter, std::size_t diameterSize, const char* flow, std::size_t flowSize,
                                 const char* min, std::size_t minSize, const char* max, std::size_t maxSize,
                                 const char* unitName, std::size_t unitSize, const char* project, std::size_t projectSize)
{
    // The window's flow as typed, in L/min, and in the workbench's unit beside it where that is another.
    const vordanel::FlowUnit unit = unitNamed({unitName, unitSize});
    const auto q = vordanel::parseNumber({flow, flowSize});
    std::string flowShown = std::string(flow, flowSize) + " L/min";
    if (unit != vordanel::FlowUnit::LitresPerMinute && !q.fault && flowSize > 0)
        flowShown = vordanel::word(vordanel::Word::sheet_flow_in_unit, {flowShown, vordanel::flowText(q.value, unit), vordanel::names(unit).symbol});
    JsonArray entries;
    entries.array(row(vordanel::word(vordanel::Word::sheet_diameter), std::string(diameter, diameterSize) + " mm"))
        .array(row(vordanel::word(vordanel::Word::sheet_flow), flowShown))
        .array(row(vordanel::word(vordanel::Word::sheet_min), std::string(min, minSize) + " mm"))
        .array(row(vordanel::word(vordanel::Word::sheet_max), std::string(max, maxSize) + " mm"));
    JsonObject captions;
    captions.text("rising", vordanel::word(vordanel::Word::facts_rising))
        .text("other", vordanel::word(vordanel::Word::facts_other))
        .text("peak_head", vordanel::word(vordanel::Word::facts_peak_head));
    const auto d = vordanel::parseNumber({diameter, diameterSize});
    const std::string diameterText = d.fault ? std::string(diameter, diameterSize) : vordanel::displayText(d.value);
    // Blanks of the project's own and an absent project or diameter leave no gap in the title.
    std::string about;
    for (const std::string_view part : {std::string_view{project, projectSize}, std::string_view{diameterText.empty() ? "" : "D"}}) {
        std::string_view t = part;
        while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
        while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
        if (!t.empty()) about += " " + std::string(t) + (t == "D" ? diameterText : "");
    }
    JsonObject titles;
    titles.text("sheet", vordanel::word(vordanel::Word::print_sheet) + about)
        .text("gauge", vordanel::word(vordanel::Word::print_gauge) + about)
        .text("card", vordanel::word(vordanel::Word::print_card) + about);
    return answer(JsonObject()
                      .text("diameter_text", diameterText)
                      .object("print_titles", titles)
                      .array("entries", entries)
                      .object("captions", captions)
                      .array("not_pressed", row(answerCaption(),
                                                vordanel::word(vordanel::Word::sheet_not_pressed)))
                      .str());
}

// An operator's card for the weir and the gauge zero as typed: its words, the captions and rows
// ([reading, flow] as `flow --gauge-zero` gives the flow at each reading, in the unit) and the
// columns they are set in on one A4 page; {"ok":false} where the diameter or the zero gives none.
const char* vordanel_card(const char* diameter, std::size_t diameterSize, const char* zero, std::size_t zeroSize,
                          const char* unitName, std::size_t unitSize)
{
    constexpr int oneColumn = 24, perColumn = 30;  // rows in large print on one page, in one column or in several
    const auto d = vordanel::parseNumber({diameter, diameterSize});
    const auto z = vordanel::parseNumber(zeroSize ? std::string_view{zero, zeroSize} : std::string_view{"0"});
    const vordanel::Curve curve = vordanel::curveOf(vordanel::toMetres(d.value));
    if (d.fault || z.fault || !(d.value > 0) || !(z.value >= 0) || curve.fault || vordanel::diameterFault(curve.weir.diameter()))
        return answer(JsonObject().boolean("ok", false).str());
    const vordanel::Card card = vordanel::card(curve, z.value);
    const vordanel::FlowUnit unit = unitNamed({unitName, unitSize});
    JsonArray rows;
    for (const vordanel::CardRow& r : card.rows)
        rows.array(JsonArray().text(vordanel::displayText(r.reading)).text(vordanel::flowText(r.litresPerMinute, unit)));
    const int n = static_cast<int>(card.rows.size());
    return answer(JsonObject()
                      .boolean("ok", true)
                      .text("title", vordanel::word(vordanel::Word::card_title))
                      .text("about", vordanel::word(vordanel::Word::card_about, {vordanel::displayText(d.value), vordanel::names(unit).symbol,
                                                                                 vordanel::displayText(z.value)}))
                      .text("spread", vordanel::words::cardSpread(card.spread))
                      .array("captions", JsonArray().text(vordanel::names(vordanel::Input::Reading).caption).text(vordanel::flowCaption(unit)))
                      .array("rows", rows)
                      .integer("columns", n <= oneColumn ? 1 : (n + perColumn - 1) / perColumn)
                      .str());
}

// A staff gauge for the weir and the gauge zero as typed, as the page prints it on A4: each page's
// part of the drawing ("top", "height", mm), its joins with the pieces before and after ("joins":
// the height "y" and the mark "label", alike on both pieces of a join) and its cut lines ("cuts",
// heights at its shared edges), and the words that say how to lay them; {"ok":false} where the
// diameter or the zero gives no gauge.
const char* vordanel_gauge_pieces(const char* diameter, std::size_t diameterSize, const char* zero, std::size_t zeroSize)
{
    const auto d = vordanel::parseNumber({diameter, diameterSize});
    const auto z = vordanel::parseNumber(zeroSize ? std::string_view{zero, zeroSize} : std::string_view{"0"});
    const vordanel::Curve curve = vordanel::curveOf(vordanel::toMetres(d.value));
    if (d.fault || z.fault || !(d.value > 0) || !(z.value >= 0) || curve.fault || vordanel::diameterFault(curve.weir.diameter()))
        return answer(JsonObject().boolean("ok", false).str());
    const vordanel::GaugeDrawing drawing = vordanel::gaugeDrawing(z.value, vordanel::gaugeTopMillimetres(curve));
    JsonArray pieces;
    for (const vordanel::GaugePiece& piece : vordanel::gaugePieces(drawing)) {
        JsonArray joins, cuts;
        for (const auto& join : {piece.above, piece.below})
            if (join) joins.object(JsonObject().number("y", join->y).text("label", vordanel::words::gaugeJoin(*join)));
        if (piece.above) cuts.number(piece.top);
        if (piece.below) cuts.number(piece.top + piece.height);
        pieces.object(JsonObject().number("top", piece.top).number("height", piece.height).array("joins", joins).array("cuts", cuts));
    }
    return answer(JsonObject()
                      .boolean("ok", true)
                      .number("width", drawing.width)
                      .array("pieces", pieces)
                      .text("cut", vordanel::words::gaugeCut())
                      .text("note", vordanel::words::gaugePrintNote())
                      .str());
}

// The words of the page's own: its states, its read-off, its labels' forms and what it says of a
// link or a job, as {"name": "text with {placeholders}"}.
const char* vordanel_words()
{
    using vordanel::Word;
    const auto w = [](Word key) { return vordanel::word(key); };
    JsonObject json;
    json.text("running", w(Word::page_running))
        .text("job_failed", w(Word::page_job_failed))
        .text("job_cancelled", w(Word::page_job_cancelled))
        .text("answer_label", w(Word::page_answer_label))
        .text("head_label", "{head} mm")
        .text("head_mark_label", "{head} mm → {flow} {symbol}")
        .text("read_off", w(Word::page_read_off))
        .text("read_off_hint", w(Word::page_read_off_hint))
        .text("read_off_prompt", w(Word::page_read_off_prompt))
        .text("read_off_none", w(Word::page_read_off_none))
        .text("no_curve", w(Word::page_no_curve))
        .text("table_stale", w(Word::page_table_stale))
        .text("batch_running", w(Word::page_batch_running))
        .text("batch_download", w(Word::page_batch_download))
        .text("batch_download_none", w(Word::page_batch_download_none))
        .text("link_copied", w(Word::page_link_copied))
        .text("unknown_unit", w(Word::page_unknown_unit))
        .text("link_too_long", w(Word::page_link_too_long))
        .text("sheet_head_flow", w(Word::page_sheet_head_flow))
        .text("sheet_page_title", w(Word::page_sheet_page_title))
        .text("sheet_page_project", w(Word::page_sheet_page_project))
        .text("sheet_page_site", w(Word::page_sheet_page_site))
        .text("sheet_page_d", "D = {d} mm")
        .text("page_of", "{page} / {pages}")
        .text("sheet_reading_flow", w(Word::page_sheet_reading_flow))
        .text("head_caption", w(Word::caption_head_short))
        .text("reading_caption", vordanel::names(vordanel::Input::Reading).caption)
        .text("gauge_failed", w(Word::page_gauge_failed))
        .text("gauge_ready", w(Word::page_gauge_ready))
        .text("gauge_stale", w(Word::page_gauge_stale))
        .text("gauge_step_caption", std::string(w(Word::gauge_step_word)) + "({symbol})")
        .text("gauge_page_head", w(Word::page_gauge_page_head))
        .text("card_place", w(Word::page_card_place))
        .text("card_ready", w(Word::page_card_ready))
        .text("card_stale", w(Word::page_card_stale))
        .text("report_head", w(Word::page_report_head))
        .text("report_title", w(Word::page_report_title))
        .text("report_about", w(Word::page_report_about))
        .text("report_weir", w(Word::page_report_weir))
        .text("lead_heading", w(Word::page_lead_heading))
        .text("lead_sheet", w(Word::page_lead_sheet))
        .text("lead_gauge", w(Word::page_lead_gauge))
        .text("lead_card", w(Word::page_lead_card))
        .text("lead_too_long", w(Word::page_lead_too_long))
        .text("note_key", w(Word::page_note_key))
        .text("range_converted", w(Word::page_range_converted))
        .text("range_emptied", w(Word::page_range_emptied));
    return answer(json.str());
}

}  // namespace calls

// The exports: each call's arguments in the page's order, from one JSON array (request.h).
#define VORDANEL_TEXT(i) r.text(i).data(), r.text(i).size()
#define VORDANEL_TEXTS(n) VORDANEL_TEXTS_##n
#define VORDANEL_TEXTS_2 VORDANEL_TEXT(0), VORDANEL_TEXT(1)
#define VORDANEL_TEXTS_3 VORDANEL_TEXTS_2, VORDANEL_TEXT(2)
#define VORDANEL_TEXTS_4 VORDANEL_TEXTS_3, VORDANEL_TEXT(3)
#define VORDANEL_TEXTS_5 VORDANEL_TEXTS_4, VORDANEL_TEXT(4)
#define VORDANEL_TEXTS_6 VORDANEL_TEXTS_5, VORDANEL_TEXT(5)
#define VORDANEL_TEXTS_9 VORDANEL_TEXTS_6, VORDANEL_TEXT(6), VORDANEL_TEXT(7), VORDANEL_TEXT(8)
#define VORDANEL_CALL(name, ...)                                                                                    \
    const char* vordanel_##name(const char* request)                                                                \
    {                                                                                                               \
        [[maybe_unused]] const vordanel::glue::Request r(request);                                                  \
        return calls::vordanel_##name(__VA_ARGS__);                                                                 \
    }

extern "C" {

VORDANEL_CALL(calculate, VORDANEL_TEXTS(4))
VORDANEL_CALL(units)
VORDANEL_CALL(unit_named, VORDANEL_TEXT(0))
VORDANEL_CALL(flow_in_unit, VORDANEL_TEXTS(3))
VORDANEL_CALL(curve, VORDANEL_TEXTS(5), static_cast<int>(r.number(5)))
VORDANEL_CALL(read_off, VORDANEL_TEXTS(2), r.number(2))
VORDANEL_CALL(facts, VORDANEL_TEXTS(5))
VORDANEL_CALL(head_flow, VORDANEL_TEXTS(4))
VORDANEL_CALL(table_words, VORDANEL_TEXTS(9), static_cast<int>(r.number(9)))
VORDANEL_CALL(sheet_words, VORDANEL_TEXTS(6))
VORDANEL_CALL(card, VORDANEL_TEXTS(3))
VORDANEL_CALL(gauge_pieces, VORDANEL_TEXTS(2))
VORDANEL_CALL(words)

}  // extern "C"
