#include "vordanel/curve.h"

#include "vordanel/units.h"

#include <cmath>

namespace vordanel {

namespace {

// phi'(r) = mu'(r) k(r) + mu(r) k'(r), with mu(r) = muBase + 1 / (muDivisor r) + muHeadFactor r and
// k(r) = firstFactor r^firstExponent - secondFactor r^secondExponent (formula.h).
double phiSlope(double r)
{
    using namespace staus;
    const double mu = muBase + 1 / (muDivisor * r) + muHeadFactor * r;
    const double muSlope = -1 / (muDivisor * r * r) + muHeadFactor;
    const double k = firstFactor * std::pow(r, firstExponent) - secondFactor * std::pow(r, secondExponent);
    const double kSlope = firstFactor * firstExponent * std::pow(r, firstSlopeExponent)
                          - secondFactor * secondExponent * std::pow(r, secondSlopeExponent);
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
    // k(r) = 0: r^(secondExponent - firstExponent) = firstFactor / secondFactor.
    using namespace staus;
    static const double ratio = std::pow(firstFactor / secondFactor, 1 / (secondExponent - firstExponent));
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
