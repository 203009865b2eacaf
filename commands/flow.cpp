#include "flow.h"

#include "gauge.h"
#include "head.h"
#include "json.h"
#include "words.h"

#include "vordanel/calculation.h"
#include "vordanel/catalogue.h"
#include "vordanel/numtext.h"

namespace vordanel::cli {

FlowResult flowAt(const FlowOptions& options)
{
    return {options, vordanel::flowAt(options.diameter, options.head, options.gaugeZero)};
}

std::string flowJson(const FlowResult& r)
{
    const FlowAnswer& a = r.answer;
    const Discharge& d = a.discharge;
    const FlowUnit unit = r.options.flowUnit;
    const double litres = toLitresPerMinute(d.flow);
    JsonObject json;
    if (d.fault) {
        putFault(json, *d.fault, d.faultInput);
    } else {
        json.text("outcome", d.beyondZero ? "no_flow" : "flow");
        if (!d.beyondZero)
            json.number(std::string("flow_") + names(unit).key, fromLitresPerMinute(litres, unit)).text("flow_text", flowText(litres, unit));
        json.text("side", d.fallingSide ? "falling" : "rising").boolean("above_weir", d.aboveWeir);
        if (d.beyondZero) json.number("zero_head_mm", a.curve.zeroHead * 1000);
    }
    if (a.onGauge && !a.head.fault && !a.zero.fault)
        json.number(names(Input::Reading).column, a.reading)
            .number(names(Input::GaugeZero).column, a.zero.value)
            .number(names(Input::Head).column, a.head.value);
    return json.str() + "\n";
}

void putFlowText(std::FILE* out, const FlowResult& r)
{
    const FlowAnswer& a = r.answer;
    const Discharge& d = a.discharge;
    const FlowUnit unit = r.options.flowUnit;
    const double litres = toLitresPerMinute(d.flow);
    if (d.fault) return;
    if (d.beyondZero) {
        std::fprintf(out,
                     "The formula gives no flow at this head: over a %s mm weir its discharge falls to zero at %s mm "
                     "(%s times the diameter) and is negative above.\n",
                     displayText(a.diameter.value).c_str(), hundredthsText(a.curve.zeroHead * 1000).c_str(),
                     hundredthsText(zeroRatio()).c_str());
        return;
    }
    std::fprintf(out, "%s %s\n", flowCaption(unit).c_str(), flowText(litres, unit).c_str());
    if (d.aboveWeir) std::fprintf(out, "%s\n", names(Note::AboveWeir).japanese);
    if (d.fallingSide)
        std::fprintf(out,
                     "This head lies on the falling side of the curve: above %s mm, where the flow peaks at %s %s, "
                     "more head gives less flow.\n",
                     hundredthsText(a.curve.peakHead * 1000).c_str(),
                     flowText(toLitresPerMinute(a.curve.peakFlow), unit).c_str(), names(unit).symbol);
}

int flow(const FlowOptions& options, std::FILE* out, std::FILE* err)
{
    const FlowResult r = flowAt(options);
    const FlowAnswer& a = r.answer;
    const Discharge& d = a.discharge;
    if (a.belowZero())
        std::fprintf(err, "vordanel-cli: --head: %s: the reading %s lies below the gauge zero %s\n", describe(*d.fault),
                     displayText(a.reading).c_str(), displayText(a.zero.value).c_str());
    else if (d.fault) reportFault(err, *d.fault, d.faultInput);
    const int status = d.fault ? Failure : d.beyondZero ? NoSolution : Answer;
    if (options.json) putText(out, flowJson(r));
    else if (d.fault) return Failure;
    else putFlowText(out, r);
    return finish(out, err, status);
}

}  // namespace vordanel::cli
