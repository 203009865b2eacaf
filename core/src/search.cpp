#include "vordanel/search.h"

#include <cmath>

namespace vordanel {

namespace {
constexpr StepNames stepNames[] = {
    {Step::Converged, "converged"},
    {Step::RaiseLow, "xLow = xMid"},
    {Step::LowerHigh, "xHigh = xMid"},
    {Step::NoSignChange, "no sign change"},
    {Step::Stalled, "stalled between adjacent doubles"},
};
}  // namespace

const StepNames& names(Step step) { return stepNames[static_cast<int>(step)]; }

SearchResult search(double Q, const Weir& weir, double xLow, double xHigh, const PassObserver& observer)
{
    SearchResult result;
    double F = 0.0;
    auto evaluate = [&](double h, Point point) {
        ++result.evaluations;
        const auto fault = weir.residual(F, h, Q);
        if (fault) {
            result.outcome = SearchResult::Outcome::Fault;
            result.fault = *fault;
            result.faultAt = point;
        }
        return !fault;
    };

    if (!evaluate(xHigh, Point::High)) return result;
    double fHigh = result.fHighFirst = F;
    if (!evaluate(xLow, Point::Low)) return result;
    double fLow = result.fLowFirst = F;
    for (int trialCount = 0;;) {
        const double xMid = (xLow + xHigh) / 2;
        result.trialCount = ++trialCount;
        if (!evaluate(xMid, Point::Mid)) return result;
        const double fMid = F;

        Step step;
        if (std::fabs(fMid) < residualTolerance)
            step = Step::Converged;
        else if (fMid * fHigh < 0)
            step = Step::RaiseLow;
        else if (fMid * fLow < 0)
            step = Step::LowerHigh;
        else
            step = Step::NoSignChange;
        if ((step == Step::RaiseLow || step == Step::LowerHigh) && (xMid == xLow || xMid == xHigh))
            step = Step::Stalled;

        if (observer) observer(Pass{trialCount, xLow, xHigh, xMid, fLow, fHigh, fMid, step});

        switch (step) {
        case Step::RaiseLow:
            xLow = xMid, fLow = fMid;
            continue;
        case Step::LowerHigh:
            xHigh = xMid, fHigh = fMid;
            continue;
        case Step::Converged:
        case Step::Stalled:
            result.outcome = SearchResult::Outcome::Converged;
            result.xMid = xMid;
            result.toleranceMet = step == Step::Converged;
            return result;
        case Step::NoSignChange:
            result.outcome = SearchResult::Outcome::NoSignChange;
            return result;
        }
    }
}

SearchResult search(double Q, double D, double xLow, double xHigh, const PassObserver& observer)
{
    return search(Q, Weir(D), xLow, xHigh, observer);
}

}  // namespace vordanel
