#include "flow.h"

#include "words.h"

#include "vordanel/calculation.h"
#include "vordanel/numtext.h"
#include "vordanel/units.h"

#include <CLI/CLI.hpp>

namespace vordanel::cli {

void addFlowOptions(CLI::App& command, FlowOptions& options)
{
    command.add_option("-d,--diameter", options.diameter, "weir diameter (mm)")->required();
    command.add_option("--head", options.head, "overflow head above the bottom of the opening (mm)")->required();
    command.footer("Example:\n"
                   "  $ vordanel-cli flow -d 100 --head 50\n"
                   "  流量(L/min) 44.6420714899635");
}

int flow(const FlowOptions& options, std::FILE* out, std::FILE* err)
{
    const ParsedNumber diameter = parseNumber(options.diameter), head = parseNumber(options.head);
    for (const auto& [parsed, input] : {std::pair{&diameter, Input::Diameter}, std::pair{&head, Input::Head}}) {
        if (parsed->fault) {
            reportFault(err, *parsed->fault, input);
            return Failure;
        }
    }
    const Curve curve = curveOf(toMetres(diameter.value));
    const Discharge d = dischargeAt(curve, toMetres(head.value));
    if (d.fault) {
        reportFault(err, *d.fault, d.faultInput);
        return Failure;
    }
    if (d.beyondZero) {
        std::fprintf(out,
                     "The formula gives no flow at this head: over a %s mm weir its discharge falls to zero at %s mm "
                     "(%s times the diameter) and is negative above.\n",
                     displayText(diameter.value).c_str(), hundredthsText(curve.zeroHead * 1000).c_str(),
                     hundredthsText(zeroRatio()).c_str());
        return finish(out, err, NoSolution);
    }
    std::fprintf(out, "%s %s\n", flowCaption.data(), displayText(toLitresPerMinute(d.flow)).c_str());
    if (d.fallingSide)
        std::fprintf(out,
                     "This head lies on the falling side of the curve: above %s mm, where the flow peaks at %s L/min, "
                     "more head gives less flow.\n",
                     hundredthsText(curve.peakHead * 1000).c_str(), hundredthsText(curve.peakFlow * 1000).c_str());
    return finish(out, err, Answer);
}

}  // namespace vordanel::cli
