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

namespace {

std::vector<CardRow> cardRowsWithin(const Curve& curve, double zero, double spread)
{
    const auto row = [&](double reading) {
        const double head = headOfReading(reading, zero);
        return CardRow{reading, head, toLitresPerMinute(dischargeAt(curve, toMetres(head)).flow)};
    };
    const double first = std::ceil(zero), last = std::floor(zero + topHead(curve) * 1000 * (1 + 1e-12));
    const double top = row(last).litresPerMinute;
    // The next reading from `at`: the next millimetre, or the next multiple of a larger round step
    // while its flow stays within the spread of the one before, or a tenth of it of the top flow
    // (near the zero, where flows are small and every millimetre multiplies them).
    // The top itself where the next round reading lies beyond it.
    const auto after = [&](const CardRow& at) {
        const auto within = [&](const CardRow& r) {
            return r.litresPerMinute <= std::max(at.litresPerMinute * (1 + spread), at.litresPerMinute + spread / 10 * top);
        };
        CardRow next = row(at.reading + 1);
        for (int k = 0;; ++k)
            for (const int m : {1, 2, 5}) {
                const double step = roundStep(m, k), reading = (std::floor(at.reading / step) + 1) * step;
                if (step == 1) continue;
                const CardRow further = row(std::min(reading, last));
                if (!within(further)) return next;
                next = further;
                if (reading >= last) return next;
            }
    };
    std::vector<CardRow> rows{row(first)};
    while (rows.back().reading < last && rows.size() <= static_cast<std::size_t>(cardMostRows)) rows.push_back(after(rows.back()));
    return rows;
}

}  // namespace

Card card(const Curve& curve, double gaugeZeroMillimetres)
{
    Card c;
    for (;; c.spread *= 1.25) {
        c.rows = cardRowsWithin(curve, gaugeZeroMillimetres, c.spread);
        if (c.rows.size() <= static_cast<std::size_t>(cardMostRows)) return c;
    }
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
