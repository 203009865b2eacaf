#include "flow.h"

#include "gauge.h"
#include "head.h"
#include "json.h"
#include "words.h"

#include "vordanel/calculation.h"
#include "vordanel/numtext.h"

namespace vordanel::cli {

FlowAnswer flowAt(const FlowOptions& options) { return vordanel::flowAt(options.diameter, options.head, options.gaugeZero); }

int flow(const FlowOptions& options, std::FILE* out, std::FILE* err)
{
    const FlowAnswer a = flowAt(options);
    const ParsedNumber &diameter = a.diameter, &head = a.head, &zero = a.zero;
    const bool onGauge = a.onGauge, belowZero = a.belowZero();
    const double reading = a.reading;
    const Curve& curve = a.curve;
    const Discharge& d = a.discharge;
    const FlowUnitNames& unit = names(options.flowUnit);
    const double litres = toLitresPerMinute(d.flow);

    if (belowZero)
        std::fprintf(err, "vordanel-cli: --head: %s: the reading %s lies below the gauge zero %s\n", describe(*d.fault),
                     displayText(reading).c_str(), displayText(zero.value).c_str());
    else if (d.fault) reportFault(err, *d.fault, d.faultInput);
    if (options.json) {
        JsonObject json;
        if (d.fault) {
            putFault(json, *d.fault, d.faultInput);
        } else {
            json.text("outcome", d.beyondZero ? "no_flow" : "flow");
            if (!d.beyondZero)
                json.number(std::string("flow_") + unit.key, fromLitresPerMinute(litres, options.flowUnit))
                    .text("flow_text", flowText(litres, options.flowUnit));
            json.text("side", d.fallingSide ? "falling" : "rising").boolean("above_weir", d.aboveWeir);
            if (d.beyondZero) json.number("zero_head_mm", curve.zeroHead * 1000);
        }
        if (onGauge && !head.fault && !zero.fault)
            json.number(names(Input::Reading).column, reading)
                .number(names(Input::GaugeZero).column, zero.value)
                .number(names(Input::Head).column, head.value);
        putText(out, json.str() + "\n");
        return finish(out, err, d.fault ? Failure : d.beyondZero ? NoSolution : Answer);
    }

    if (d.fault) return Failure;
    if (d.beyondZero) {
        std::fprintf(out,
                     "The formula gives no flow at this head: over a %s mm weir its discharge falls to zero at %s mm "
                     "(%s times the diameter) and is negative above.\n",
                     displayText(diameter.value).c_str(), hundredthsText(curve.zeroHead * 1000).c_str(),
                     hundredthsText(zeroRatio()).c_str());
        return finish(out, err, NoSolution);
    }
    std::fprintf(out, "%s %s\n", flowCaption(options.flowUnit).c_str(), flowText(litres, options.flowUnit).c_str());
    if (d.aboveWeir) std::fprintf(out, "%s\n", names(Note::AboveWeir).japanese);
    if (d.fallingSide)
        std::fprintf(out,
                     "This head lies on the falling side of the curve: above %s mm, where the flow peaks at %s %s, "
                     "more head gives less flow.\n",
                     hundredthsText(curve.peakHead * 1000).c_str(),
                     flowText(toLitresPerMinute(curve.peakFlow), options.flowUnit).c_str(), unit.symbol);
    return finish(out, err, Answer);
}

}  // namespace vordanel::cli
