#include "vordanel/series.h"

#include <algorithm>
#include <cmath>

namespace vordanel {

namespace {

double flowAt(const Curve& curve, double h)
{
    double F = 0;
    if (!(h > 0) || curve.weir.residual(F, h, 0)) return 0;
    return F;
}

// The largest |Q(h) - line| over one segment: sampled evenly, then the worst sample refined by a
// golden-section search between its neighbours. The error of a chord vanishes at both ends and,
// where the curve bends one way, has one hump; where an inflection lies inside, the samples find
// the larger hump.
double segmentError(const Curve& curve, double a, double b, double qa, double qb, int samples)
{
    const auto error = [&](double h) {
        const double line = qa + (qb - qa) * (h - a) / (b - a);
        return std::fabs(flowAt(curve, h) - line);
    };
    double worst = 0;
    int at = 0;
    for (int i = 1; i < samples; ++i) {
        const double e = error(a + (b - a) * i / samples);
        if (e > worst) worst = e, at = i;
    }
    double lo = a + (b - a) * std::max(at - 1, 0) / samples, hi = a + (b - a) * std::min(at + 1, samples) / samples;
    constexpr double golden = 0.6180339887498949;
    double x1 = hi - golden * (hi - lo), x2 = lo + golden * (hi - lo);
    double e1 = error(x1), e2 = error(x2);
    for (int i = 0; i < 60 && hi - lo > 1e-15 * b; ++i) {
        if (e1 > e2) hi = x2, x2 = x1, e2 = e1, x1 = hi - golden * (hi - lo), e1 = error(x1);
        else lo = x1, x1 = x2, e1 = e2, x2 = lo + golden * (hi - lo), e2 = error(x2);
    }
    return std::max({worst, e1, e2});
}

// The points that the largest error E allows, each segment reaching as far as its error stays
// within E; none where N points do not reach `to`. Across an inflection a chord's error need not
// grow as the chord is stretched, so the farthest end is sought from `to` downwards on a grid,
// then refined between the farthest end within E and the grid point past it.
std::optional<std::vector<double>> greedy(const Curve& curve, double from, double to, int count, double E)
{
    constexpr int grid = 64;
    std::vector<double> heads{from};
    double x = from;
    while (x < to) {
        if (static_cast<int>(heads.size()) >= count) return std::nullopt;
        const double qx = flowAt(curve, x);
        const auto within = [&](double y) { return segmentError(curve, x, y, qx, flowAt(curve, y), 32) <= E; };
        if (within(to)) {
            heads.push_back(to);
            break;
        }
        int j = grid - 1;
        while (j > 0 && !within(x + (to - x) * j / grid)) --j;
        double lo = j > 0 ? x + (to - x) * j / grid : x, hi = x + (to - x) * (j + 1) / grid;
        for (int i = 0; i < 48; ++i) {
            const double mid = lo + (hi - lo) / 2;
            (within(mid) ? lo : hi) = mid;
        }
        if (!(lo > x)) return std::nullopt;
        heads.push_back(lo);
        x = lo;
    }
    return heads;
}

// Each inner point moved, in turn, to where the errors of its two segments are equal, sweep after
// sweep: the table whose segments all have one error, which no moving of a point betters.
void equalize(const Curve& curve, std::vector<double>& heads)
{
    const auto error = [&](double a, double b) { return segmentError(curve, a, b, flowAt(curve, a), flowAt(curve, b), 48); };
    for (int sweep = 0; sweep < 12; ++sweep)
        for (std::size_t i = 1; i + 1 < heads.size(); ++i) {
            double lo = heads[i - 1], hi = heads[i + 1];
            for (int k = 0; k < 40; ++k) {
                const double mid = lo + (hi - lo) / 2;
                (error(heads[i - 1], mid) < error(mid, heads[i + 1]) ? lo : hi) = mid;
            }
            heads[i] = lo + (hi - lo) / 2;
        }
}

}  // namespace

double interpolationError(const Curve& curve, const std::vector<double>& heads, const std::vector<double>& flows)
{
    double worst = 0;
    for (std::size_t i = 0; i + 1 < heads.size(); ++i)
        worst = std::max(worst, segmentError(curve, heads[i], heads[i + 1], flows[i], flows[i + 1], 512));
    return worst;
}

Breakpoints breakpointTable(const Curve& curve, double from, double to, int count)
{
    Breakpoints table;
    if (curve.fault) {
        table.fault = curve.fault;
        return table;
    }
    // The least E for which N points reach the end, by bisection: at it every segment but the last
    // has the error E and the last no more, which no other placing of N points betters (moving any
    // inner point stretches one of its two segments).
    double lo = 0, hi = segmentError(curve, from, to, flowAt(curve, from), flowAt(curve, to), 64);
    std::vector<double> heads{from, to};
    for (int i = 0; i < 60 && hi - lo > 1e-13 * hi; ++i) {
        const double mid = lo + (hi - lo) / 2;
        if (auto found = greedy(curve, from, to, count, mid)) hi = mid, heads = std::move(*found);
        else lo = mid;
    }
    // Fewer points than asked reach the end (a curve almost straight there): the widest segments
    // halved, which can only lessen the error.
    while (static_cast<int>(heads.size()) < count) {
        std::size_t widest = 0;
        for (std::size_t i = 1; i + 1 < heads.size(); ++i)
            if (heads[i + 1] - heads[i] > heads[widest + 1] - heads[widest]) widest = i;
        heads.insert(heads.begin() + static_cast<long>(widest) + 1, (heads[widest] + heads[widest + 1]) / 2);
    }
    const auto flowsAt = [&](const std::vector<double>& at) {
        std::vector<double> flows;
        for (const double h : at) flows.push_back(flowAt(curve, h));
        return flows;
    };
    table.heads = heads;
    table.flows = flowsAt(heads);
    table.maxError = interpolationError(curve, table.heads, table.flows);
    // Kept only where it is better by the dense evaluation, the one that states the error.
    std::vector<double> even = heads;
    equalize(curve, even);
    const std::vector<double> evenFlows = flowsAt(even);
    const double evenError = interpolationError(curve, even, evenFlows);
    if (evenError < table.maxError) table.heads = even, table.flows = evenFlows, table.maxError = evenError;
    return table;
}

}  // namespace vordanel
