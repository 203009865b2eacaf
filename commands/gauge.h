#pragma once

#include "vordanel/units.h"

#include <cstdio>
#include <string>

namespace vordanel::cli {

struct GaugeOptions {
    std::string diameter;
    FlowUnit flowUnit = FlowUnit::LitresPerMinute;
    std::string step;       // in flowUnit; empty: a round step giving 16 to 40 marks
    std::string gaugeZero;  // the staff's reading at the bottom of the opening (mm); empty: 0
    std::string output;     // the SVG file; empty or "-": standard output
    std::string date;       // printed in the foot; empty: today
};

// A discharge staff gauge (流量目盛の量水標) for one weir, true to scale, as SVG in millimetres: a
// staff with millimetre ticks from its zero on one side and the flows' marks on the other.
// `refusal`, where given, is told why no gauge was drawn, in Japanese, for a front end that says it.
int gauge(const GaugeOptions& options, std::FILE* out, std::FILE* err, std::string* refusal = nullptr);

}  // namespace vordanel::cli
