#pragma once

#include "vordanel/calculation.h"
#include "vordanel/curve.h"
#include "vordanel/gauge.h"
#include "vordanel/units.h"

#include <cstdio>
#include <optional>
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

// The gauge the options give, with the options it answers: the weir, its zero, the step, the
// marks and the drawing's frame; or why none is drawn, naming the entry at fault where one is.
struct GaugeResult {
    struct Refusal {
        std::optional<Input> input;
        std::string error;     // the command line's line on standard error
        std::string japanese;  // the same, for a front end that says it itself
    };
    GaugeOptions options;
    std::optional<Refusal> refusal;
    double diameter = 0, zero = 0, step = 0;
    GaugeScale scale;
    GaugeDrawing drawing;
    std::string date;
};
GaugeResult computeGauge(const GaugeOptions& options);
// The gauge as an SVG document, in millimetres.
std::string gaugeSvg(const GaugeResult& result);

// A discharge staff gauge (流量目盛の量水標) for one weir, true to scale, as SVG in millimetres: a
// staff with millimetre ticks from its zero on one side and the flows' marks on the other.
// `refusal`, where given, is told why no gauge was drawn, in Japanese, for a front end that says it.
int gauge(const GaugeOptions& options, std::FILE* out, std::FILE* err, std::string* refusal = nullptr);

}  // namespace vordanel::cli
