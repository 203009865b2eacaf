#pragma once

#include "vordanel/calculation.h"
#include "vordanel/curve.h"
#include "vordanel/numtext.h"
#include "vordanel/units.h"

#include <cstdio>
#include <string>

namespace CLI {
class App;
}

namespace vordanel::cli {

struct FlowOptions {
    std::string diameter, head;
    std::string gaugeZero;  // a staff gauge's reading at the bottom of the opening (mm): head is then a reading
    FlowUnit flowUnit = FlowUnit::LitresPerMinute;
    bool json = false;
};

// The flow at the head as the options give it: the entries as read (the head less the gauge zero,
// where one is given), the weir's curve and the discharge there; a fault names the entry at fault
// (diameter, head or gauge zero).
struct FlowAnswer {
    ParsedNumber diameter, head, zero;
    bool onGauge = false;
    double reading = 0;  // the head as entered: a reading on the staff where onGauge
    Curve curve;
    Discharge discharge;
    // With onGauge, a head below the bottom of the opening: a reading below the gauge zero.
    bool belowZero() const;
};
FlowAnswer flowAt(const FlowOptions& options);

// The flow the formula gives over a weir of that diameter at that head (mm), to 0.01 L/min (in
// flowUnit, to the same resolution), or in full as JSON.
int flow(const FlowOptions& options, std::FILE* out, std::FILE* err);
void addFlowOptions(CLI::App& command, FlowOptions& options);

}  // namespace vordanel::cli
