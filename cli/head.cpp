// The options of `vordanel-cli head` and its help, filling the command's options struct.
#include "head.h"
#include "options.h"
#include "words.h"

#include "vordanel/units.h"

#include "csv.h"
#include "words.h"
#include "vordanel/calculation.h"
#include "vordanel/catalogue.h"
#include "vordanel/numtext.h"
#include "vordanel/search.h"

#include <CLI/CLI.hpp>

namespace vordanel::cli {

void addBracketOptions(CLI::App& command, std::optional<Bracket>& bracket)
{
    const auto end = [&bracket](std::string Bracket::*which) {
        return [&bracket, which](const std::string& value) {
            if (!bracket) bracket.emplace();
            (*bracket).*which = value;
        };
    };
    auto* low = command.add_option_function<std::string>("--min", end(&Bracket::min),
                                                         "bracket minimum (mm); without a bracket, the rising side");
    auto* high = command.add_option_function<std::string>("--max", end(&Bracket::max), "bracket maximum (mm)");
    low->needs(high);
    high->needs(low);
}

void addFlowUnitOption(CLI::App& command, FlowUnit& unit)
{
    command
        .add_option_function<std::string>(
            "--flow-unit", [&unit](const std::string& name) { unit = *flowUnitNamed(name); },
            std::string("the unit of flows in and out: ") + flowUnitList() + " (m³ for m3 too; default L/min)")
        ->check(CLI::Validator(
            [](std::string& name) {
                return flowUnitNamed(name) ? std::string() : "unknown unit '" + name + "' (units: " + flowUnitList() + ")";
            },
            "UNIT"));
}

void addHeadOptions(CLI::App& command, HeadOptions& options)
{
    command.add_option("-d,--diameter", options.diameter, "weir diameter (mm)")->required();
    command.add_option("-q,--flow", options.flow, "flow rate (L/min, or in --flow-unit)")->required();
    addBracketOptions(command, options.bracket);
    addFlowUnitOption(command, options.flowUnit);
    command.add_flag("--trace", options.trace, "also show the search pass by pass");
    command.add_flag("--json", options.json, "print one JSON object instead of text");
    command.footer(std::string("Example:\n"
                               "  $ vordanel-cli head -d 100 -q 40 --min 1 --max 99\n"
                               "  ") + std::string(headCaption()) + " 47.1\n"
                               "  " + std::string(trialsCaption()) + " 12\n"
                               "  $ vordanel-cli head -d 100 -q 40 --min 1 --max 99 --json\n"
                               "  {\"outcome\":\"converged\",\"head_mm\":\"47.1\",\"head_m\":0.04710498046875,\"trials\":12,"
                               "\"above_weir\":false,\"tolerance_met\":true}\n"
                               "  $ vordanel-cli head -d 100 -q 2.4 --flow-unit m3/h\n"
                               "  " + std::string(headCaption()) + " 47.1\n"
                               "  " + std::string(trialsCaption()) + " 11\n\n"
                   + curveNote);
}

}  // namespace vordanel::cli
