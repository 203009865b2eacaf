#pragma once

#include "vordanel/curve.h"
#include "vordanel/units.h"

#include <string>
#include <vector>

namespace vordanel {

// A discharge staff gauge (流量目盛の量水標): marks at the heights where the flow is each multiple of
// a step, on the rising side of the curve, up to the top of the opening or the head of greatest
// flow, whichever is lower. Each height is the rising-side head the companion's `head` gives for
// that flow without a bracket, so that the gauge and the calculation never disagree.
struct GaugeMark {
    std::string flowText;    // the flow as the mark is numbered (in the gauge's unit)
    double flow = 0;         // that number, as it reads back
    double headMillimetres = 0;  // its head as shown, above the bottom of the opening
    bool major = false;      // every fifth mark
};
struct GaugeScale {
    double topMillimetres = 0;  // the lower of the top of the opening and the head of greatest flow
    std::vector<GaugeMark> marks;
    bool tooMany = false;       // the step would give more than maxGaugeMarks marks
};
inline constexpr int maxGaugeMarks = 1000;

// The round step (1, 2 or 5 times a power of ten, in the unit) that gives the most marks up to 40
// (no fewer than 16, as the next round step is at most 2.5 times as large). Needs a curve without fault.
double gaugeStep(const Curve& curve, FlowUnit unit);
GaugeScale gaugeScale(const Curve& curve, FlowUnit unit, double step);

// An operator's card (掲示用の流量早見表): staff readings from the gauge zero up to the top of the
// gauge's scale, in the round step (1, 2 or 5 times a power of ten, mm) that gives the most rows up
// to `rows`, each with its flow. Needs a curve without fault.
struct CardReadings {
    double from = 0, to = 0, step = 0;  // mm on the staff
};
CardReadings cardReadings(const Curve& curve, double gaugeZeroMillimetres, int rows);

}  // namespace vordanel
