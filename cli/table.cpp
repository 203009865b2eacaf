#include "table.h"

#include "output.h"
#include "words.h"

#include "vordanel/calculation.h"
#include "vordanel/numtext.h"
#include "vordanel/units.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cmath>

namespace vordanel::cli {

namespace {

// Guards a table against a step so small that it would run for ever.
constexpr double maxTableRows = 100'000'000;

struct Flows {
    double from = 0, step = 0;
    long long rows = 0;
};

// FROM:TO:STEP, or why not.
std::optional<Flows> readFlows(std::string_view flows, const char*& why)
{
    const auto firstColon = flows.find(':');
    const auto secondColon = firstColon == std::string_view::npos ? firstColon : flows.find(':', firstColon + 1);
    if (secondColon == std::string_view::npos || flows.find(':', secondColon + 1) != std::string_view::npos) {
        why = "not three numbers separated by colons";
        return std::nullopt;
    }
    const auto from = parseNumber(flows.substr(0, firstColon));
    const auto to = parseNumber(flows.substr(firstColon + 1, secondColon - firstColon - 1));
    const auto step = parseNumber(flows.substr(secondColon + 1));
    if (from.fault || to.fault || step.fault) why = "a bound or the step is not a number";
    else if (!(step.value > 0)) why = "the step must be above zero";
    else if (to.value < from.value) why = "TO is below FROM";
    else {
        // A hair of slack so that a TO reached by the steps is not lost to rounding.
        const double steps = std::floor((to.value - from.value) / step.value * (1 + 1e-12));
        if (steps < maxTableRows) return Flows{from.value, step.value, static_cast<long long>(steps) + 1};
        why = "too many rows (more than 100000000)";
    }
    return std::nullopt;
}

}  // namespace

void addTableOptions(CLI::App& command, TableOptions& options)
{
    command.add_option("-d,--diameter", options.diameter, "weir diameter (mm)")->required();
    addBracketOptions(command, options.bracket);
    command.add_option("--flows", options.flows, "flows FROM:TO:STEP (L/min)")->required();
    command.footer("Example:\n"
                   "  $ vordanel-cli table -d 100 --min 1 --max 100 --flows 20:60:20\n"
                   "  flow_lpm,head_mm,trials,note\n"
                   "  20,32.49,12,\n"
                   "  40,47.1,13,\n"
                   "  60,58.87,14,\n"
                   "Notes: above_weir, no_solution, stalled (tolerance not met), two_heads (the bracket holds\n"
                   "both heads of the flow), or the fault; several join with ';'. Failed rows are counted on\n"
                   "standard error.");
}

int table(const TableOptions& options, std::FILE* out, std::FILE* err)
{
    std::vector<std::pair<std::string_view, Input>> fixed = {{options.diameter, Input::Diameter}};
    if (options.bracket) fixed.insert(fixed.end(), {{options.bracket->min, Input::Min}, {options.bracket->max, Input::Max}});
    double numbers[3] = {};
    for (std::size_t k = 0; k < fixed.size(); ++k) {
        const auto parsed = parseNumber(fixed[k].first);
        if (parsed.fault) {
            reportFault(err, *parsed.fault, fixed[k].second);
            return Failure;
        }
        numbers[k] = toMetres(parsed.value);
    }
    const char* why = "";
    const auto flows = readFlows(options.flows, why);
    if (!flows) {
        std::fprintf(err, "vordanel-cli: --flows: %s (expected FROM:TO:STEP in L/min, e.g. 10:100:10)\n", why);
        return Failure;
    }

    // The weir's terms and curve once for the whole table.
    const Curve curve = curveOf(numbers[0]);
    Output o(out);
    o << "flow_lpm,head_mm,trials,note\n";
    int worst = Answer;
    long long failed = 0;
    std::optional<Calculation> firstFailure;
    for (long long i = 0; i < flows->rows; ++i) {
        // Each row is solved from the flow as it is printed, exactly as the window would solve it;
        // the printed text is in the plain form that reads back as parseNumber would read it.
        char flowText[32];
        char* const flowEnd = writeDisplayText(flowText, flowText + sizeof flowText, flows->from + static_cast<double>(i) * flows->step);
        const std::string_view printed(flowText, static_cast<std::size_t>(flowEnd - flowText));
        const double Q = toCubicMetresPerMinute(readPlainNumber(printed));
        const Calculation c = options.bracket ? solve(curve.weir, Q, numbers[1], numbers[2]) : solveRising(curve, Q);
        o << printed << ',';
        if (c.outcome == Calculation::Outcome::Converged) o.number(c.headMillimetres) << ',' << c.search.trialCount;
        else o << ',';
        o << ',';
        putNote(o, c, options.bracket && holdsTwoHeads(curve, c));
        o << '\n';
        const int status = exitFor(c);
        if (status == Failure && failed++ == 0) firstFailure = c;
        worst = std::max(worst, status);
        if (!o.flushIfFull()) return lostOutput(err);
    }
    if (!o.flush()) return lostOutput(err);
    if (firstFailure) {
        std::fprintf(err, "vordanel-cli: table: %lld row(s) failed, the first with %s; see the note column\n", failed,
                     faultText(firstFailure->fault, firstFailure->faultInput).c_str());
    }
    return worst;
}

}  // namespace vordanel::cli
