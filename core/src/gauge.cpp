#include "vordanel/gauge.h"

#include "vordanel/calculation.h"
#include "vordanel/numtext.h"

#include <algorithm>
#include <cmath>

namespace vordanel {

namespace {

double topHead(const Curve& curve) { return std::min(curve.weir.diameter(), curve.peakHead); }

// The flow (in the unit) at the top of the scale.
double topFlow(const Curve& curve, FlowUnit unit)
{
    return fromLitresPerMinute(toLitresPerMinute(dischargeAt(curve, topHead(curve)).flow), unit);
}

// m times 10^k, as the nearest double to the decimal: a division for negative k, so that 0.005 is 5/1000.
double roundStep(int m, int k) { return k >= 0 ? m * std::pow(10.0, k) : m / std::pow(10.0, -k); }

// The smallest round step that divides a span into `most` steps at most.
double roundStepOver(double span, int most)
{
    for (int k = static_cast<int>(std::floor(std::log10(span / most))) - 1;; ++k)
        for (const int m : {1, 2, 5})
            if (std::floor(span / roundStep(m, k) * (1 + 1e-12)) <= most) return roundStep(m, k);
}

}  // namespace

double gaugeTopMillimetres(const Curve& curve) { return topHead(curve) * 1000; }

GaugeDrawing gaugeDrawing(double gaugeZeroMillimetres, double topMillimetres)
{
    return {std::ceil((gaugeZeroMillimetres + topMillimetres) / 10) * 10};
}

std::vector<GaugePiece> gaugePieces(const GaugeDrawing& drawing)
{
    const double height = drawing.height(), advance = gaugePieceLength - gaugeOverlap;
    // So many pieces that the last one is longer than the overlap, however the height falls.
    const int count = height <= gaugePieceLength ? 1 : static_cast<int>(std::ceil((height - gaugeOverlap) / advance));
    std::vector<GaugePiece> pieces(count);
    for (int i = 0; i < count; ++i) {
        GaugePiece& piece = pieces[i];
        piece.top = i * advance;
        piece.height = std::min(gaugePieceLength, height - piece.top);
        if (i + 1 < count) {
            const double y = (i + 1) * advance + gaugeOverlap / 2;
            piece.below = GaugeJoin{i + 1, y, drawing.reading(y)};
        }
        if (i > 0) piece.above = pieces[i - 1].below;
    }
    return pieces;
}

double gaugeStep(const Curve& curve, FlowUnit unit) { return roundStepOver(topFlow(curve, unit), 40); }

CardReadings cardReadings(const Curve& curve, double gaugeZeroMillimetres, int rows)
{
    const double top = topHead(curve) * 1000;
    const double step = roundStepOver(top, rows - 1);
    // The last reading as it is written (12 steps of 0.2 mm are 2.4 mm, not 2.4000000000000004).
    const double last = gaugeZeroMillimetres + std::floor(top / step * (1 + 1e-12)) * step;
    return {gaugeZeroMillimetres, readPlainNumber(displayText(last)), step};
}

GaugeScale gaugeScale(const Curve& curve, FlowUnit unit, double step)
{
    GaugeScale scale;
    scale.topMillimetres = topHead(curve) * 1000;
    const double top = dischargeAt(curve, topHead(curve)).flow;
    for (long long k = 1;; ++k) {
        // Each mark is solved for the flow it is numbered with, as `head -q` would read that number.
        const std::string text = displayText(static_cast<double>(k) * step);
        const double flow = readPlainNumber(text);
        const double Q = toCubicMetresPerMinute(toLitresPerMinute(flow, unit));
        if (!(Q <= top)) break;
        const Calculation c = solveRising(curve, Q);
        if (c.outcome != Calculation::Outcome::Converged || c.headMillimetres > scale.topMillimetres) break;
        if (scale.marks.size() == maxGaugeMarks) {
            scale.tooMany = true;
            break;
        }
        scale.marks.push_back({text, flow, c.headMillimetres, k % 5 == 0});
    }
    return scale;
}

}  // namespace vordanel
