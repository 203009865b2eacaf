// The options of `vordanel-cli table` and its help, filling the command's options struct.
#include "table.h"
#include "options.h"

#include "vordanel/units.h"

#include <CLI/CLI.hpp>

namespace vordanel::cli {

void addTableOptions(CLI::App& command, TableOptions& options)
{
    command.add_option("-d,--diameter", options.diameter, "weir diameter (mm)")->required();
    addBracketOptions(command, options.bracket);
    auto* flows = command.add_option("--flows", options.flows, "flows FROM:TO:STEP (L/min, or in --flow-unit): heads by flow");
    auto* heads = command.add_option("--heads", options.heads, "heads FROM:TO:STEP (mm): flows by head, to post at the weir");
    flows->excludes(heads);
    addGaugeZeroOption(command, options.gaugeZero, "with --heads, FROM:TO:STEP are readings on that gauge,\n"
                                                   "each listed (reading_mm) beside its head");
    heads->excludes("--min")->excludes("--max");
    addFlowUnitOption(command, options.flowUnit);
    command.add_option("--breakpoints", options.breakpoints,
                       "a level meter's table of N points (2 to 1000) whose straight lines follow the formula most\n"
                       "closely from 0 (or --heads FROM:TO, mm) to the lower of the top of the weir and the head of\n"
                       "greatest flow; its largest error is told on standard error, with the least error that any\n"
                       "N points on the curve could have")
        ->check(CLI::Range(2, 1000))->excludes(flows);
    command.add_flag("--json", options.json, "with --breakpoints: one JSON object, with max_error, max_error_percent and\n"
                                               "least_possible_error");
    command.add_option("-o,--output", options.output, "the CSV file, replaced whole once the table is done (default:\n"
                                                       "standard output)");
    command.footer("Examples:\n"
                   "  $ vordanel-cli table -d 100 --min 1 --max 100 --flows 20:60:20\n"
                   "  flow_lpm,head_mm,trials,note\n"
                   "  20,32.49,12,\n"
                   "  40,47.1,13,\n"
                   "  60,58.87,14,\n"
                   "  $ vordanel-cli table -d 100 --heads 50:200:50 --flow-unit m3/h\n"
                   "  head_mm,flow_m3h,note\n"
                   "  50,2.6785,\n"
                   "  100,8.5647,\n"
                   "  150,12.1935,above_weir;falling_side\n"
                   "  200,4.5611,above_weir;falling_side\n"
                   "Without --min and --max (or with both blank) heads are sought on the rising side.\n"
                   "Notes by flow: above_weir, no_solution, above_peak or flow_not_positive (no head on the rising\n"
                   "side), stalled (tolerance not met), two_heads (the bracket holds both heads of the flow), or the\n"
                   "fault. Notes by head: above_weir (the head is above the top of the weir), falling_side (past\n"
                   "the peak), no_flow (past the formula's zero; no flow), or the fault. Several join with ';'.\n"
                   "Rows without an answer and failed rows are counted on standard error. A reading below the\n"
                   "gauge zero is a head below zero (invalid_argument).");
}

}  // namespace vordanel::cli
