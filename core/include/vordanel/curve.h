#pragma once

#include "vordanel/formula.h"
#include "vordanel/search.h"

#include <optional>

namespace vordanel {

// The shape of the discharge curve. With r = h / D the formula's discharge (formula.h) is
// D^diameterExponent * phi(r), phi(r) = mu(r) k(r) with mu and k as functions of r alone:
// it rises from zero, peaks once and falls back to zero. So a weir passes at most the flow at
// its peak, and every smaller positive flow has two heads, one on each side of the peak.

// The ratio h / D of greatest discharge (about 1.49), found once as the root of phi'.
double peakRatio();
// The ratio h / D above the peak at which the discharge is zero again (about 2.11).
double zeroRatio();

// The curve of one weir (metres, m^3/min).
struct Curve {
    Weir weir;
    double peakHead = 0;   // the head of greatest discharge
    double peakFlow = 0;   // that discharge, as the formula gives it at peakHead
    double zeroHead = 0;   // the head above the peak where the discharge returns to zero
    // The formula faults at the peak, or the peak's flow or the zero head lies beyond the double
    // range in L/min or mm, or the peak's flow underflows to zero: the weir has no usable curve.
    std::optional<Fault> fault;
};
Curve curveOf(double D);

// The lowest head the rising-side search starts from: just above zero, far below any head a
// flow the formula resolves would need.
double risingStart(const Curve& curve);

// The head of Q on the rising side (the one a user means), by the usual search between
// risingStart and peakHead; NoSignChange when Q is not above zero or above the peak's flow.
SearchResult risingHead(const Curve& curve, double Q, const PassObserver& observer = {});
// The head of Q on the falling side, between peakHead and zeroHead.
SearchResult fallingHead(const Curve& curve, double Q);

// Whether a bracket holds both heads of Q, told from the residuals at its two ends (evaluated
// by the search in pass 1): it spans the peak, Q lies below the peak's flow, and neither end
// passes more than Q, so one end lies at or below the rising head and the other at or above
// the falling one.
bool holdsTwoHeads(const Curve& curve, double Q, double xLow, double xHigh, double fLow, double fHigh);

}  // namespace vordanel
