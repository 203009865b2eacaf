#include "vordanel/flow.h"

#include "vordanel/units.h"

namespace vordanel {

FlowAnswer flowAt(std::string_view diameterText, std::string_view headText, std::string_view gaugeZero)
{
    const ParsedNumber diameter = parseNumber(diameterText);
    ParsedNumber head = parseNumber(headText);
    const bool onGauge = !gaugeZero.empty();
    const ParsedNumber zero = parseNumber(onGauge ? gaugeZero : std::string_view{"0"});
    const double reading = head.value;
    if (onGauge && !head.fault && !zero.fault) head.value = headOfReading(reading, zero.value);
    const Curve curve = curveOf(toMetres(diameter.value));
    Discharge d;
    if (diameter.fault) d.fault = diameter.fault, d.faultInput = Input::Diameter;
    else if (head.fault) d.fault = head.fault, d.faultInput = Input::Head;
    else if (zero.fault) d.fault = zero.fault, d.faultInput = Input::GaugeZero;
    else d = dischargeAt(curve, toMetres(head.value));
    return {diameter, head, zero, onGauge, reading, curve, d};
}

bool FlowAnswer::belowZero() const
{
    return discharge.fault && onGauge && discharge.faultInput == Input::Head && head.value < 0;
}

}  // namespace vordanel
