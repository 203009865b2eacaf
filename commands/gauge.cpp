#include "gauge.h"

#include "head.h"
#include "words.h"

#include "output.h"

#include "vordanel/calculation.h"
#include "vordanel/catalogue.h"
#include "vordanel/cp932.h"
#include "vordanel/gauge.h"
#include "vordanel/numtext.h"
#include "vordanel/words.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cmath>
#include <cstring>
#include <ctime>

namespace vordanel::cli {

namespace {

// Text for an SVG element or attribute: whatever came in is shown, never read as markup.
std::string escaped(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

// Why a text given for the foot cannot stand in an SVG file (whose XML takes no control
// characters, escaped or not) or fit its line; null for one that can.
const char* textFault(std::string_view text)
{
    if (text.size() > 100) return "longer than 100 bytes";
    if (!isUtf8(text)) return "not UTF-8 text";
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return "a control character (a line break, a tab, ...) is not allowed";
    return nullptr;
}

// A line as printf would write it, less its line end: the command line prints it.
[[gnu::format(printf, 1, 2)]] std::string printed(const char* format, ...)
{
    std::va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    std::string text(static_cast<std::size_t>(std::max(0, std::vsnprintf(nullptr, 0, format, args))), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    va_end(args);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

// A length in mm, to the micrometre.
std::string mm(double value) { return roundedText(value, 3); }

std::string today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

std::string line(double x1, double y1, double x2, double y2)
{
    return "<line x1=\"" + mm(x1) + "\" y1=\"" + mm(y1) + "\" x2=\"" + mm(x2) + "\" y2=\"" + mm(y2) + "\"/>";
}

std::string text(double x, double y, double size, const char* anchor, std::string_view content)
{
    return "<text x=\"" + mm(x) + "\" y=\"" + mm(y) + "\" font-size=\"" + mm(size) + "\" text-anchor=\"" + anchor + "\" stroke=\"none\">"
           + escaped(content) + "</text>";
}

}  // namespace

GaugeResult computeGauge(const GaugeOptions& options)
{
    GaugeResult r;
    r.options = options;
    std::string error;  // the command line's line, set before each refusal
    const auto blame = [&error](Fault fault, Input input) { error = "vordanel-cli: " + faultText(fault, input); };
    const auto refuse = [&](std::string japanese, std::optional<Input> input = std::nullopt) {
        r.refusal = {input, std::move(error), std::move(japanese)};
        return r;
    };
    const ParsedNumber diameter = parseNumber(options.diameter);
    const ParsedNumber zero = parseNumber(options.gaugeZero.empty() ? "0" : options.gaugeZero);
    if (diameter.fault) return blame(*diameter.fault, Input::Diameter), refuse(words::fault(*diameter.fault, Input::Diameter), Input::Diameter);
    if (zero.fault) return blame(*zero.fault, Input::GaugeZero), refuse(words::fault(*zero.fault, Input::GaugeZero), Input::GaugeZero);
    const Curve curve = curveOf(toMetres(diameter.value));
    if (const auto fault = diameterFault(curve.weir.diameter()) ? diameterFault(curve.weir.diameter()) : curve.fault)
        return blame(*fault, Input::Diameter), refuse(words::fault(*fault, Input::Diameter), Input::Diameter);
    if (zero.value < 0) {
        error = printed("vordanel-cli: --gauge-zero: a staff's zero lies at or below the bottom of the opening (0 or more mm)\n");
        return refuse(word(Word::gauge_zero_negative, {names(Input::GaugeZero).caption}), Input::GaugeZero);
    }
    double step = 0;
    if (options.step.empty()) {
        step = gaugeStep(curve, options.flowUnit);
    } else {
        const ParsedNumber given = parseNumber(options.step);
        if (given.fault || !(given.value > 0)) {
            error = printed("vordanel-cli: --step: a flow above zero is needed (in %s)\n", names(options.flowUnit).name);
            return refuse(word(Word::gauge_step_not_positive));
        }
        step = given.value;
    }
    const GaugeScale scale = gaugeScale(curve, options.flowUnit, step);
    if (scale.marks.empty()) {
        // A step too fine to solve or print as its own number, or past the top of the opening.
        error = printed("vordanel-cli: --step: %s %s gives no mark on the staff (no multiple of it that can be written "
                        "and solved has a head up to the top of the opening); the default step here is %s\n",
                        displayText(step).c_str(), names(options.flowUnit).name, displayText(gaugeStep(curve, options.flowUnit)).c_str());
        return refuse(word(Word::gauge_no_mark));
    }
    const GaugeDrawing drawing = gaugeDrawing(zero.value, scale.topMillimetres);
    const double length = drawing.length;
    if (scale.tooMany || !(length <= longestStaff)) {
        // The limits as maxGaugeMarks and longestStaff (mm) state them.
        const std::string marks = std::to_string(maxGaugeMarks), metres = displayText(longestStaff / 1000);
        error = scale.tooMany ? printed("vordanel-cli: gauge: the step gives more than %s marks; take a larger --step\n", marks.c_str())
                              : printed("vordanel-cli: gauge: the staff would be longer than %s m\n", metres.c_str());
        return refuse(scale.tooMany ? word(Word::gauge_too_many, {marks}) : word(Word::gauge_too_long, {metres}));
    }

    r.date = options.date.empty() ? today() : options.date;
    if (const char* why = textFault(r.date)) {
        error = printed("vordanel-cli: --date: %s\n", why);
        return refuse(word(Word::gauge_bad_date));
    }
    r.diameter = diameter.value, r.zero = zero.value, r.step = step;
    r.scale = scale, r.drawing = drawing;
    return r;
}

std::string gaugeSvg(const GaugeResult& r)
{
    const GaugeOptions& options = r.options;
    const GaugeScale& scale = r.scale;
    const GaugeDrawing& drawing = r.drawing;
    const double length = drawing.length, step = r.step;
    const std::string& date = r.date;
    // Wide enough for the foot's lines, and for the major numbers, large enough to read from a few
    // metres away.
    const double width = drawing.width, top = drawing.top, height = drawing.height();
    const double majorSize = 7, minorSize = 2.5;
    const double left = 24, right = 44;  // the staff's edges
    const auto y = [&](double reading) { return drawing.y(reading); };
    const FlowUnitNames& unit = names(options.flowUnit);
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + mm(width)
                      + "mm\" height=\"" + mm(height) + "mm\" viewBox=\"0 0 " + mm(width) + " " + mm(height)
                      + "\" font-family=\"IPAGothic, 'IPA Gothic', sans-serif\">\n<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
                      + "<rect class=\"staff\" x=\"" + mm(left) + "\" y=\"" + mm(top) + "\" width=\"" + mm(right - left)
                      + "\" height=\"" + mm(length) + "\" fill=\"none\" stroke=\"black\" stroke-width=\"0.3\"/>\n"
                      + text(width / 2, 8, 5, "middle", word(Word::gauge_heading, {unit.symbol})) + "\n"
                      + "<g class=\"millimetres\" stroke=\"black\" stroke-width=\"0.15\">\n";
    for (int r = 0; r <= static_cast<int>(length); ++r) {
        const double tick = r % 10 == 0 ? 8 : r % 5 == 0 ? 5 : 3;
        svg += "<g class=\"mm\" data-reading-mm=\"" + std::to_string(r) + "\">" + line(left, y(r), left + tick, y(r));
        if (r % 10 == 0) svg += text(left - 1.5, y(r) + 1.2, 3.5, "end", std::to_string(r / 10));
        svg += "</g>\n";
    }
    svg += "</g>\n<g class=\"flows\" stroke=\"black\" stroke-width=\"0.25\">\n";
    // A minor mark's number only where no major number stands over it.
    const auto clear = [&](double reading) {
        for (const GaugeMark& major : scale.marks)
            if (major.major && std::abs(r.zero + major.headMillimetres - reading) < (majorSize + minorSize) / 2 + 0.3) return false;
        return true;
    };
    for (const GaugeMark& m : scale.marks) {
        const double reading = r.zero + m.headMillimetres;
        svg += "<g class=\"flow-mark\" data-flow=\"" + escaped(m.flowText) + "\" data-height-mm=\"" + mm(m.headMillimetres)
               + "\" data-reading-mm=\"" + mm(reading) + "\">" + line(right - (m.major ? 9 : 4), y(reading), right, y(reading));
        if (m.major) svg += text(right + 1.5, y(reading) + majorSize * 0.35, majorSize, "start", m.flowText);
        else if (clear(reading)) svg += text(right + 1.5, y(reading) + minorSize * 0.35, minorSize, "start", m.flowText);
        svg += "</g>\n";
    }
    const std::string lines[] = {
        std::string(names(Input::Diameter).caption) + " " + displayText(r.diameter),
        word(Word::gauge_foot_step, {unit.symbol, displayText(step)}),
        word(Word::gauge_foot_zero, {names(Input::GaugeZero).caption, displayText(r.zero)}),
        word(Word::gauge_foot_date, {date}),
    };
    svg += "</g>\n<g class=\"foot\" data-diameter-mm=\"" + escaped(displayText(r.diameter)) + "\" data-unit=\""
           + escaped(unit.name) + "\" data-step=\"" + escaped(displayText(step)) + "\" data-gauge-zero-mm=\""
           + escaped(displayText(r.zero)) + "\" data-date=\"" + escaped(date) + "\">\n";
    for (int i = 0; i < 4; ++i) svg += text(4, top + length + 9 + 6 * i, 3.2, "start", lines[i]) + "\n";
    svg += "</g>\n</svg>\n";

    return svg;
}

int gauge(const GaugeOptions& options, std::FILE* out, std::FILE* err, std::string* refusal)
{
    const auto refuse = [refusal](std::string japanese) {
        if (refusal) *refusal = std::move(japanese);
        return Failure;
    };
    const GaugeResult r = computeGauge(options);
    if (r.refusal) {
        std::fprintf(err, "%s\n", r.refusal->error.c_str());
        return refuse(r.refusal->japanese);
    }
    const std::string svg = gaugeSvg(r);
    Destination destination;
    if (!destination.open(options.output, out, err, "gauge")) return refuse(word(Word::gauge_write_failed));
    if (std::fwrite(svg.data(), 1, svg.size(), destination.stream()) != svg.size()) return destination.lost(err);
    return destination.commit(err, Answer);
}

}  // namespace vordanel::cli
