#pragma once

#include "vordanel/formula.h"

#include <functional>

namespace vordanel {

// What one pass decided after evaluating its midpoint.
enum class Step {
    Converged,     // |fMid| < tolerance: xMid is the answer
    RaiseLow,      // fMid and fHigh differ in sign: xLow = xMid
    LowerHigh,     // fMid and fLow differ in sign: xHigh = xMid
    NoSignChange,  // neither half shows a sign change: no answer in the bracket
    Stalled,       // a bracket end was to move onto itself: the bracket is two adjacent doubles
};

// How a trace names each step.
struct StepNames {
    Step step;
    const char* text;  // "xLow = xMid", ...
};
const StepNames& names(Step step);

// The three points a pass evaluates, in the order it evaluates them.
enum class Point { High, Low, Mid };

// One pass as it ended: the bracket it started from, its three residuals and its decision.
struct Pass {
    int trialCount;
    double xLow, xHigh, xMid;
    double fLow, fHigh, fMid;
    Step step;
};

using PassObserver = std::function<void(const Pass&)>;

struct SearchResult {
    enum class Outcome { Converged, NoSignChange, Fault };
    Outcome outcome = Outcome::NoSignChange;
    double xMid = 0.0;     // the accepted head (m), when converged
    int trialCount = 0;    // passes made, the faulted one included
    int evaluations = 0;   // evaluations of FN1, the faulted one included
    bool toleranceMet = false;  // converged with |fMid| < tolerance, not by the stall guard
    double fLowFirst = 0, fHighFirst = 0;  // the residuals at the ends as given, once evaluated
    Fault fault = Fault::Overflow;  // when Outcome::Fault
    Point faultAt = Point::High;    // the point whose evaluation faulted, when Outcome::Fault
};

inline constexpr double residualTolerance = 0.00001;  // m^3/min, that is 0.01 L/min

// Bisection for the head at which FN1 vanishes, between xLow and xHigh (metres, either order).
//
// Needs: Q and D in m^3/min and m. Nothing is required of the bracket; invalid heads come back
// as faults of FN1 at the point that was evaluated.
// Each pass works with the residuals at xHigh, xLow and xMid = (xLow + xHigh) / 2. Pass 1
// evaluates FN1 at all three, in this order; a later pass evaluates only its midpoint, since one
// end is the previous midpoint and the other is unchanged, and FN1 is a pure function of its
// arguments: the remembered residuals are the very numbers a new evaluation would give. A run of
// n passes therefore makes exactly n + 2 evaluations (fewer when it faults in pass 1). It stops
//   - converged, as soon as |fMid| < residualTolerance (strictly), checked before any sign;
//   - by moving xLow to xMid if fMid * fHigh < 0, else xHigh to xMid if fMid * fLow < 0
//     (the upper half is preferred; an exactly zero product is not a sign change);
//   - with no sign change when neither product is negative;
//   - converged as well when an end is to move to an xMid that already equals an end: the
//     root then lies between two adjacent doubles and cannot be narrowed further, which is what
//     keeps a tolerance that double precision cannot meet from looping forever (toleranceMet
//     tells the two apart);
//   - with a fault at the first evaluation of FN1 that faults.
// Every run therefore ends; a bracket of positive heads needs at most a few thousand passes.
// The observer, when given, sees every pass as it ends.
SearchResult search(double Q, const Weir& weir, double xLow, double xHigh, const PassObserver& observer = {});
SearchResult search(double Q, double D, double xLow, double xHigh, const PassObserver& observer = {});

}  // namespace vordanel
