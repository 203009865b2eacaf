#include "table.h"

#include "gauge.h"
#include "json.h"
#include "output.h"

#include "vordanel/calculation.h"
#include "vordanel/catalogue.h"
#include "vordanel/numtext.h"
#include "vordanel/series.h"

#include <algorithm>
#include <cmath>

namespace vordanel::cli {

int breakpointTable(const TableOptions& options, std::FILE* out, std::FILE* err, TableReport& report)
{
    const auto refuse = [&](const char* english, std::string japanese) {
        std::fprintf(err, "vordanel-cli: table --breakpoints: %s\n", english);
        report.refusal = std::move(japanese);
        return Failure;
    };
    const ParsedNumber diameter = parseNumber(options.diameter);
    if (diameter.fault) return reportFault(err, *diameter.fault, Input::Diameter), Failure;
    const Curve curve = curveOf(toMetres(diameter.value));
    if (!(diameter.value > 0) || curve.fault) return reportFault(err, curve.fault.value_or(Fault::InvalidArgument), Input::Diameter), Failure;
    std::optional<double> gaugeZero;
    if (!options.gaugeZero.empty()) {
        const ParsedNumber zero = parseNumber(options.gaugeZero);
        if (zero.fault) return reportFault(err, *zero.fault, Input::GaugeZero), Failure;
        gaugeZero = zero.value;
    }
    double from = 0, to = std::min(curve.weir.diameter(), curve.peakHead);
    if (!options.heads.empty()) {
        const auto colon = options.heads.find(':');
        const ParsedNumber a = parseNumber(std::string_view(options.heads).substr(0, colon));
        const ParsedNumber b = parseNumber(colon == std::string::npos ? "" : std::string_view(options.heads).substr(colon + 1));
        if (colon == std::string::npos || a.fault || b.fault)
            return refuse("--heads: expected FROM:TO in mm", word(Word::heads_expected));
        from = toMetres(a.value), to = toMetres(b.value);
        if (!(from >= 0) || !(to > from) || to > curve.peakHead)
            return refuse("--heads: FROM:TO must rise from 0 or above to no more than the head of greatest flow",
                          word(Word::heads_out_of_range));
    }
    const Breakpoints table = vordanel::breakpointTable(curve, from, to, options.breakpoints);
    if (table.fault) return reportFault(err, *table.fault, Input::Diameter), Failure;

    // The table as printed, read back: its error is that of the numbers a level meter is given.
    const FlowUnit unit = options.flowUnit;
    std::vector<std::string> headTexts, flowTexts;
    std::vector<double> heads, flows;
    for (std::size_t i = 0; i < table.heads.size(); ++i) {
        headTexts.push_back(displayText(table.heads[i] * 1000));
        flowTexts.push_back(displayText(fromLitresPerMinute(toLitresPerMinute(table.flows[i]), unit)));
        heads.push_back(toMetres(readPlainNumber(headTexts.back())));
        flows.push_back(toCubicMetresPerMinute(toLitresPerMinute(readPlainNumber(flowTexts.back()), unit)));
    }
    const double error = interpolationError(curve, heads, flows);
    const double greatest = *std::max_element(flows.begin(), flows.end());
    const double errorInUnit = fromLitresPerMinute(toLitresPerMinute(error), unit);
    const double percent = greatest > 0 ? 100 * error / greatest : 0;
    const double leastInUnit = fromLitresPerMinute(toLitresPerMinute(table.leastPossible), unit);
    const std::string key = std::string("flow_") + names(unit).key;
    Output o(out);
    if (options.json) {
        JsonObject json;
        JsonArray points;
        for (std::size_t i = 0; i < heads.size(); ++i) {
            JsonObject point;
            if (gaugeZero) point.number("reading_mm", readPlainNumber(displayText(readPlainNumber(headTexts[i]) + *gaugeZero)));
            point.number("head_mm", readPlainNumber(headTexts[i])).number(key, readPlainNumber(flowTexts[i]));
            points.object(point);
        }
        json.text("unit", names(unit).name).integer("points", static_cast<long long>(heads.size())).array("table", points)
            .number("max_error", errorInUnit).number("max_error_percent", percent)
            .number("least_possible_error", leastInUnit);
        o << json.str() << "\n";
    } else {
        if (gaugeZero) o << "reading_mm,";
        o << "head_mm," << key << "\n";
        for (std::size_t i = 0; i < heads.size(); ++i) {
            if (gaugeZero) o << displayText(readPlainNumber(headTexts[i]) + *gaugeZero) << ",";
            o << headTexts[i] << "," << flowTexts[i] << "\n";
        }
    }
    if (!o.flush()) return lostOutput(err);
    if (!options.json)
        std::fprintf(err, "vordanel-cli: table: %zu points; largest error of the straight lines %s %s (%s%% of the greatest flow); "
                          "no %zu points on the curve err by less than %s %s\n",
                     heads.size(), generalText(errorInUnit, 4).c_str(), names(unit).name, generalText(percent, 3).c_str(),
                     heads.size(), generalText(leastInUnit, 4).c_str(), names(unit).name);
    return Answer;
}

}  // namespace vordanel::cli
