#pragma once

#include "vordanel/calculation.h"
#include "vordanel/curve.h"
#include "vordanel/numtext.h"

#include <string_view>

namespace vordanel {

// The flow at a head as every front end works it out: the entries as read (the head less the gauge
// zero, where one is given), the weir's curve and the discharge there; a fault names the entry at
// fault (diameter, head or gauge zero). `gaugeZero` empty: the head is read off the opening itself.
struct FlowAnswer {
    ParsedNumber diameter, head, zero;
    bool onGauge = false;
    double reading = 0;  // the head as entered: a reading on the staff where onGauge
    Curve curve;
    Discharge discharge;
    // With onGauge, a head below the bottom of the opening: a reading below the gauge zero.
    bool belowZero() const;
};
FlowAnswer flowAt(std::string_view diameter, std::string_view head, std::string_view gaugeZero);

}  // namespace vordanel
