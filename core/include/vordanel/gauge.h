#pragma once

#include "vordanel/curve.h"
#include "vordanel/units.h"

#include <optional>
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

// The top of the gauge's scale (mm above the bottom of the opening): the lower of the top of the
// opening and the head of greatest flow. Needs a curve without fault.
double gaugeTopMillimetres(const Curve& curve);

// The gauge as drawn, in millimetres of paper (one unit of the SVG a millimetre): a title band, the
// staff from its zero past the top of the scale to a whole centimetre, and a foot of four lines.
struct GaugeDrawing {
    static constexpr double width = 110, top = 15, foot = 32;
    double length = 0;  // the staff, mm
    double height() const { return top + length + foot; }
    double y(double reading) const { return top + length - reading; }  // where a reading (mm) stands
    double reading(double y) const { return top + length - y; }
};
// The longest staff drawn: beyond it no one posts a gauge, and the file would run to megabytes.
inline constexpr double longestStaff = 20000;  // mm
GaugeDrawing gaugeDrawing(double gaugeZeroMillimetres, double topMillimetres);

// The drawing on A4 at 100 %: pieces of gaugePieceLength mm at most, each page's last
// gaugeOverlap mm repeated at the top of the next. A join is marked on both of its pieces by one
// line at the middle of their overlap, at the same height of the drawing (hence the same staff
// reading), numbered alike: laid so that the two lines coincide, the pieces make the staff true.
// Each piece is cut at the edges it shares with a neighbour. No piece is shorter than the overlap.
inline constexpr double gaugePieceLength = 240, gaugeOverlap = 10;  // mm
struct GaugeJoin {
    int number = 0;      // 1 for the join between the first piece and the second
    double y = 0;        // height in the drawing
    double reading = 0;  // the staff reading there (mm; below the zero where the join is in the foot)
};
struct GaugePiece {
    double top = 0, height = 0;  // the part of the drawing on this page
    std::optional<GaugeJoin> above, below;  // the joins with the pieces before and after
};
std::vector<GaugePiece> gaugePieces(const GaugeDrawing& drawing);

// An operator's card (掲示用の流量早見表): flows by staff reading, at readings the operator sees on a
// staff read to the millimetre, from the first whole millimetre at or above the gauge zero to the
// last at or below the top of the gauge's scale. Each next reading is the next multiple of the
// largest round step (1, 2 or 5 times a power of ten, mm) whose flow exceeds the one before by
// `spread` of it at most, or by a tenth of `spread` of the top flow (so that the small flows just
// above the zero take few rows); where even a millimetre gives more, the next millimetre. The spread is cardSpread, or as much more as keeps the rows within cardMostRows.
// Needs a curve without fault.
inline constexpr double cardSpread = 0.10;
inline constexpr int cardMostRows = 90;  // three columns on one A4 page in large print
struct CardRow {
    double reading = 0;  // mm on the staff
    double head = 0;     // mm above the bottom of the opening
    double litresPerMinute = 0;
};
struct Card {
    std::vector<CardRow> rows;
    double spread = cardSpread;
};
Card card(const Curve& curve, double gaugeZeroMillimetres);

}  // namespace vordanel
