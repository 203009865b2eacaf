#include "vordanel/curve.h"

#include "vordanel/units.h"

#include <cmath>

namespace vordanel {

namespace {

// phi'(r) = mu'(r) k(r) + mu(r) k'(r), with mu = 0.555 + 1 / (110 r) + 0.041 r and
// k = 10.12 r^1.975 - 2.66 r^3.76.
double phiSlope(double r)
{
    const double mu = 0.555 + 1 / (110 * r) + 0.041 * r;
    const double muSlope = -1 / (110 * r * r) + 0.041;
    const double k = 10.12 * std::pow(r, 1.975) - 2.66 * std::pow(r, 3.76);
    const double kSlope = 10.12 * 1.975 * std::pow(r, 0.975) - 2.66 * 3.76 * std::pow(r, 2.76);
    return muSlope * k + mu * kSlope;
}

// phi rises on [1, 1.49) and falls on (1.49, 2]: bisect the sign of its slope down to
// adjacent doubles.
double findPeakRatio()
{
    double rising = 1.0, falling = 2.0;
    for (;;) {
        const double mid = (rising + falling) / 2;
        if (mid == rising || mid == falling) return mid;
        (phiSlope(mid) > 0 ? rising : falling) = mid;
    }
}

}  // namespace

double peakRatio()
{
    static const double ratio = findPeakRatio();
    return ratio;
}

double zeroRatio()
{
    // k(r) = 0: r^(3.76 - 1.975) = 10.12 / 2.66.
    static const double ratio = std::pow(10.12 / 2.66, 1 / (3.76 - 1.975));
    return ratio;
}

Curve curveOf(double D)
{
    Curve curve{Weir(D), 0, 0, 0, std::nullopt};
    curve.peakHead = peakRatio() * D;
    curve.zeroHead = zeroRatio() * D;
    double F = 0;
    curve.fault = curve.weir.residual(F, curve.peakHead, 0);
    if (!curve.fault) curve.peakFlow = F;
    // A curve whose greatest flow or zero head cannot be told in L/min and mm, or whose greatest
    // flow is lost below the smallest double, is of no use to anyone who reads it there: the weir
    // is beyond the double range, one way or the other.
    const double peakLitres = toLitresPerMinute(curve.peakFlow);
    if (!curve.fault && !(std::isfinite(peakLitres) && peakLitres > 0 && std::isfinite(curve.zeroHead * 1000)))
        curve.fault = Fault::Overflow;
    return curve;
}

double risingStart(const Curve& curve) { return std::ldexp(curve.peakHead, -30); }

SearchResult risingHead(const Curve& curve, double Q, const PassObserver& observer)
{
    if (curve.fault || !(Q > 0) || Q > curve.peakFlow) return {};
    return search(Q, curve.weir, risingStart(curve), curve.peakHead, observer);
}

SearchResult fallingHead(const Curve& curve, double Q)
{
    if (curve.fault || !(Q > 0) || Q > curve.peakFlow) return {};
    return search(Q, curve.weir, curve.peakHead, curve.zeroHead);
}

bool holdsTwoHeads(const Curve& curve, double Q, double xLow, double xHigh, double fLow, double fHigh)
{
    if (curve.fault || !(Q > 0) || !(Q < curve.peakFlow)) return false;
    const bool spansPeak = std::fmin(xLow, xHigh) < curve.peakHead && curve.peakHead < std::fmax(xLow, xHigh);
    return spansPeak && fLow <= 0 && fHigh <= 0;
}

}  // namespace vordanel
