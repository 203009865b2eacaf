// The options of `vordanel-cli gauge` and its help, filling the command's options struct.
#include "gauge.h"
#include "options.h"

#include "vordanel/units.h"

#include <CLI/CLI.hpp>

namespace vordanel::cli {

void addGaugeZeroOption(CLI::App& command, std::string& gaugeZero, const std::string& what)
{
    command.add_option("--gauge-zero", gaugeZero,
                       "a staff gauge's reading at the bottom of the opening (mm), its zero lying that far below: " + what)
        ->type_name("MM");
}

void addGaugeOptions(CLI::App& command, GaugeOptions& options)
{
    command.add_option("-d,--diameter", options.diameter, "weir diameter (mm)")->required();
    addFlowUnitOption(command, options.flowUnit);
    command.add_option("--step", options.step, "flow between marks, in --flow-unit (default: 1, 2 or 5 times a power\n"
                                               "of ten giving 16 to 40 marks)");
    addGaugeZeroOption(command, options.gaugeZero, "the staff's millimetres count from\nits zero, the marks stand that much higher (default 0)");
    command.add_option("-o,--output", options.output, "the SVG file (default: standard output)");
    command.add_option("--date", options.date, "the date in the foot, YYYY-MM-DD (default: today)");
    command.footer("Example:\n"
                   "  $ vordanel-cli gauge -d 100 --flow-unit m3/h --gauge-zero 50 --date 2024-04-01 -o gauge.svg\n"
                   "The SVG is true to scale (width and height in mm, one unit of its viewBox a millimetre): print it\n"
                   "at 100 % and post it at the weir. The staff has millimetre ticks from its zero (longer every 5\n"
                   "and 10 mm, numbered in centimetres) on the left; on the right, a mark where the flow is each\n"
                   "multiple of the step (every fifth longer and numbered large), at the head `vordanel-cli head`\n"
                   "gives for that flow without a bracket, plus the gauge zero, up to the top of the opening. Each\n"
                   "mark carries data-flow, data-height-mm (above the bottom of the opening) and data-reading-mm.");
}

}  // namespace vordanel::cli
