// The page's way into the core: the window's calculation, and the curve, its heads and the core's
// words for the workbench. Plain C exports, called from JavaScript, keep the boundary to texts,
// numbers and JSON, written by the companion's own JSON writer with the companion's keys; every
// word the page shows comes from here, so the page's scripts only move them.
// (The companion's commands run in the workers, from a module of their own: glue_commands.cpp.)

#include "flow.h"
#include "json.h"

#include "vordanel/calculation.h"
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
std::string answerCaption() { return std::string(vordanel::headCaption()) + " (窓の答え)"; }

// A row of the printed sheet: a caption and what stands beside it.
JsonArray row(std::string_view caption, std::string_view value) { return JsonArray().text(caption).text(value); }

}  // namespace

extern "C" {

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
        if (c.aboveWeir) sheet.array(row("メッセージ", vordanel::names(vordanel::Note::AboveWeir).japanese));
        break;
    case vordanel::Calculation::Outcome::NoSolution:
        sheet.array(row(answerCaption(), "—")).array(row("メッセージ", vordanel::names(vordanel::Note::NoSolution).japanese));
        break;
    case vordanel::Calculation::Outcome::Fault:
        json.text("control", c.faultInput ? vordanel::names(*c.faultInput).control : "");
        sheet.array(row(answerCaption(), "—")).array(row("メッセージ", vordanel::words::fault(c.fault, c.faultInput)));
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
// --flow-unit reads it; empty where it names none. Plain text.
const char* vordanel_unit_named(const char* text, std::size_t size)
{
    const auto unit = vordanel::flowUnitNamed({text, size});
    return answer(unit ? vordanel::names(*unit).name : "");
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
    if (d.fault || !(d.value > 0) || curve.fault)
        return answer(JsonObject().boolean("ok", false).text("empty_caption", std::string(vordanel::names(vordanel::Input::Diameter).caption) + "を入れると曲線を描きます").str());

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
        .text("peak_label", "最大 " + peakFlowText + " " + symbol + "・" + peakHeadText + " mm")
        .text("bracket_caption", "挟込み範囲")
        .text("weir_top_caption", "堰の上端 (越流高さ＝径)")
        .text("caption", "円形堰 D = " + diameterText + " mm の流量と越流高さ(スタウスの式)")
        .text("file_name", "vordanel-curve-D" + diameterText);
    // The points go as doubles, not text: a shortest round-trip text of each costs up to
    // seventeen conversions.
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
    if (hasFlow) {
        const std::string text = vordanel::flowText(q.value, unit);
        json.number("flow", vordanel::fromLitresPerMinute(q.value, unit)).text("flow_text", text).text("flow_label", "流量 " + text + " " + symbol);
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
    json.text("peak_flow_caption", "最大" + vordanel::flowCaption(unit));
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
    const std::string what = onGauge ? "量水標の読み" : byHeads ? "越流高さ" : "流量", inUnit = byHeads ? "mm" : vordanel::names(unit).symbol;
    const auto d = vordanel::parseNumber({diameter, diameterSize});
    const std::string weir = d.fault ? std::string(diameter, diameterSize) : vordanel::displayText(d.value);
    const auto trimmed = [](const char* text, std::size_t size) {
        std::string_view t{text, size};
        while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
        while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
        return std::string(t);
    };
    std::string title = "D = " + weir + " mm、" + what + " " + trimmed(from, fromSize) + " 〜 " + trimmed(to, toSize) + " " + inUnit
                        + "、刻み " + trimmed(step, stepSize) + " " + inUnit;
    if (onGauge) title += "、量水標の零点 " + std::string(zero, zeroSize) + " mm";
    if (!byHeads)
        title += bracketed ? "、窓の挟込み範囲 " + std::string(min, minSize) + " 〜 " + std::string(max, maxSize) + " mm で" : "、上昇側";
    std::string named;  // the weir as a file name may hold it
    for (const char c : weir) named += (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '+' || c == '-') ? c : '_';
    const std::string file = "vordanel-" + std::string(byHeads ? "heads" : "table") + "-D" + named;
    JsonObject captions;
    captions.text("from", what + " 始め(" + inUnit + ")").text("to", what + " 終わり(" + inUnit + ")").text("step", what + " 刻み(" + inUnit + ")");
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
                                 const char*, std::size_t, const char* project, std::size_t projectSize)
{
    JsonArray entries;
    entries.array(row("堰の径 D", std::string(diameter, diameterSize) + " mm"))
        .array(row("流量 Q", std::string(flow, flowSize) + " L/min"))
        .array(row("解の挟込最小値", std::string(min, minSize) + " mm"))
        .array(row("挟込最大値", std::string(max, maxSize) + " mm"));
    JsonObject captions;
    captions.text("rising", "上昇側の越流高さ(mm) [挟込みなし]")
        .text("other", "もう一つの越流高さ(mm) [挟込み範囲内]")
        .text("peak_head", "最大流量時の越流高さ(mm)");
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
    titles.text("sheet", "計算書" + about).text("gauge", "量水標" + about).text("card", "掲示用カード" + about);
    return answer(JsonObject()
                      .text("diameter_text", diameterText)
                      .object("print_titles", titles)
                      .array("entries", entries)
                      .object("captions", captions)
                      .array("not_pressed", row(answerCaption(),
                                                "この入力では計算はまだ押されていません"))
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
                      .text("title", "流量早見表　量水標の読みから流量")
                      .text("about", "堰の径 " + vordanel::displayText(d.value) + " mm　流量の単位 " + vordanel::names(unit).symbol
                                         + "　量水標の零点 " + vordanel::displayText(z.value) + " mm（堰の底での読み）")
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
    JsonObject json;
    json.text("running", "計算中…")
        .text("job_failed", "計算できませんでした: {why}")
        .text("job_cancelled", "中止しました。結果はありません。")
        .text("answer_label", "計算 {head} mm")
        .text("head_label", "{head} mm")
        .text("head_mark_label", "{head} mm → {flow} {symbol}")
        .text("read_off", "越流高さ {head} mm、流量 {flow} {symbol}")
        .text("read_off_hint", "←→キーで越流高さを選ぶと流量を読みます")
        .text("read_off_prompt", "曲線を指すと越流高さと流量を読みます(←→キーでも)。")
        .text("read_off_none", "この越流高さでは式が流量を与えません。")
        .text("no_curve", "曲線がありません")
        .text("table_stale", "入力が変わりました。下の表は「{title}」の表で、いまの入力の表ではありません。「表を作る」で作り直します。")
        .text("batch_running", "{file} を計算中…")
        .text("batch_download", "{file} を保存")
        .text("batch_download_none", "結果を保存")
        .text("link_copied", "リンクをコピーしました")
        .text("unknown_unit", "リンクの流量の単位「{text}」はわかりません。いまの単位で示しています。")
        .text("sheet_head_flow", "越流高さ {head} mm の流量")
        .text("sheet_page_title", "計算書　円形堰の越流高さ")
        .text("sheet_page_project", "件名 {project}")
        .text("sheet_page_site", "地点 {site}")
        .text("sheet_page_d", "D = {d} mm")
        .text("page_of", "{page} / {pages}")
        .text("sheet_reading_flow", "量水標の読み {head} mm（零点 {zero} mm）の流量")
        .text("head_caption", "越流高さ(mm)")
        .text("reading_caption", vordanel::names(vordanel::Input::Reading).caption)
        .text("gauge_failed", "量水標を作れませんでした: {why}")
        .text("gauge_ready", "量水標ができました。SVGで保存するか、印刷してください(倍率 100 %、ページに合わせない)。")
        .text("gauge_stale", "入力が変わりました。「量水標を作る」で作り直します。")
        .text("gauge_step_caption", "目盛の刻み({symbol})")
        .text("gauge_page_head", "流量目盛の量水標　{page} / {pages}　件名 {project}　地点 {site}")
        .text("card_place", "件名 {project}　地点 {site}　作成 {date}")
        .text("card_ready", "掲示用カードができました。印刷してください。")
        .text("card_stale", "入力が変わりました。「掲示用カードを作る」で作り直します。");
    return answer(json.str());
}

}  // extern "C"
