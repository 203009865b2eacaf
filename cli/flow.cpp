// The options of `vordanel-cli flow` and its help, filling the command's options struct.
#include "flow.h"
#include "options.h"

#include "vordanel/units.h"

#include "csv.h"
#include "words.h"
#include "vordanel/calculation.h"
#include "vordanel/catalogue.h"
#include "vordanel/numtext.h"
#include "vordanel/search.h"

#include <CLI/CLI.hpp>

namespace vordanel::cli {

void addFlowOptions(CLI::App& command, FlowOptions& options)
{
    command.add_option("-d,--diameter", options.diameter, "weir diameter (mm)")->required();
    command.add_option("--head", options.head, "overflow head above the bottom of the opening (mm)")->required();
    addFlowUnitOption(command, options.flowUnit);
    addGaugeZeroOption(command, options.gaugeZero, "--head is then a reading on that gauge");
    command.add_flag("--json", options.json, "print one JSON object: the flow in full, its side of the curve, "
                                             "whether the head is above the weir");
    command.footer("Example:\n"
                   "  $ vordanel-cli flow -d 100 --head 50\n"
                   "  " + flowCaption(FlowUnit::LitresPerMinute) + " 44.64\n"
                   "  $ vordanel-cli flow -d 100 --head 50 --flow-unit m3/h --json\n"
                   "  {\"outcome\":\"flow\",\"flow_m3h\":2.678524289397808,\"flow_text\":\"2.6785\",\"side\":\"rising\","
                   "\"above_weir\":false}\n"
                   "The flow is printed to 0.01 L/min, the search's own tolerance (in another unit, to the places\n"
                   "that resolve it). A head above the peak of the curve lies on its falling side; above the curve's\n"
                   "zero the formula gives no flow (outcome no_flow, exit status 1). With --gauge-zero the head\n"
                   "is the reading less the gauge zero, and --json adds reading_mm, gauge_zero_mm and head_mm.");
}

}  // namespace vordanel::cli
