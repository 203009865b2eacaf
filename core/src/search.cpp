#include "vordanel/search.h"

#include <cmath>

namespace vordanel {

SearchResult search(double Q, double D, double xLow, double xHigh, const PassObserver& observer)
{
    SearchResult result;
    double F = 0.0;
    auto evaluate = [&](double h, Point point) {
        ++result.evaluations;
        const auto fault = FN1(F, h, Q, D);
        if (fault) {
            result.outcome = SearchResult::Outcome::Fault;
            result.fault = *fault;
            result.faultAt = point;
        }
        return !fault;
    };

    for (int trialCount = 0;;) {
        if (!evaluate(xHigh, Point::High)) break;
        const double fHigh = F;
        if (!evaluate(xLow, Point::Low)) break;
        const double fLow = F;
        const double xMid = (xLow + xHigh) / 2;
        result.trialCount = ++trialCount;
        if (!evaluate(xMid, Point::Mid)) break;
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
            xLow = xMid;
            continue;
        case Step::LowerHigh:
            xHigh = xMid;
            continue;
        case Step::Converged:
        case Step::Stalled:
            result.outcome = SearchResult::Outcome::Converged;
            result.xMid = xMid;
            return result;
        case Step::NoSignChange:
            result.outcome = SearchResult::Outcome::NoSignChange;
            return result;
        }
    }
    return result;
}

}  // namespace vordanel
