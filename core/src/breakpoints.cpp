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

// Where the curve turns from bending one way to the other between `from` and `to`: where the
// formula's exact slope stops rising or falling, found on a grid dense near the opening (the
// first lies a few ten-thousandths of D above it) and refined by bisection.
std::vector<double> inflections(const Curve& curve, double from, double to)
{
    const auto bend = [&](double h) {
        const double step = (to - from) * 1e-7;
        return dischargeSlope(curve.weir, h + step) - dischargeSlope(curve.weir, std::max(h - step, from + step / 2));
    };
    std::vector<double> grid;
    for (int i = 1; i < 512; ++i) grid.push_back(from + (to - from) * i / 512);
    for (int i = 1; i < 64; ++i) grid.push_back(from + (to - from) * std::pow(2.0, -i * 0.3));
    std::sort(grid.begin(), grid.end());
    std::vector<double> found;
    for (std::size_t i = 0; i + 1 < grid.size(); ++i) {
        double lo = grid[i], hi = grid[i + 1];
        const bool rising = bend(lo) > 0;
        if ((bend(hi) > 0) == rising) continue;
        for (int k = 0; k < 60; ++k) {
            const double mid = lo + (hi - lo) / 2;
            ((bend(mid) > 0) == rising ? lo : hi) = mid;
        }
        found.push_back(lo + (hi - lo) / 2);
    }
    return found;
}

// The search for the least error that N points allow, for one curve over one range.
//
// On a stretch where the curve bends one way, a chord's error grows as the chord is stretched, so
// the table that reaches farthest with k segments takes each segment as long as its error allows.
// Across an inflection a shorter chord can be worse than a longer one, so there the farthest
// reach is sought over every start that k segments can reach. That gives, for an error E, the
// farthest head that any k segments within E could reach: if N - 1 of them fall short of the
// end, no table of N points has error E. The least E that reaches the end bounds every table
// from below; the table built from the starts found has an error within a hair of it.
class Search
{
public:
    Search(const Curve& curve, double from, double to)
        : curve_(curve), from_(from), to_(to), inflections_(inflections(curve, from, to)) {}

    struct Reach {
        std::vector<double> starts;  // the k-th segment's start; the first is `from`
        bool reached = false;
    };

    // The farthest reach of `count` - 1 segments within E, and the starts that give it.
    Reach reach(int count, double E) const
    {
        Reach r;
        double before = from_, farthest = from_;
        r.starts.push_back(from_);
        for (int k = 1; k < count; ++k) {
            double start = farthest, next = farthestEnd(farthest, E);
            if (mayCross(before, farthest, E)) {
                // Any start from the last step's reach on may do better: tried on a grid, the best refined.
                constexpr int tries = 24;
                int best = tries;
                for (int j = 0; j < tries; ++j) {
                    const double p = before + (farthest - before) * j / tries;
                    const double q = farthestEnd(p, E);
                    if (q > next) next = q, start = p, best = j;
                }
                if (best < tries) {
                    double lo = before + (farthest - before) * std::max(best - 1, 0) / tries;
                    double hi = before + (farthest - before) * (best + 1) / tries;
                    for (int i = 0; i < 24; ++i) {
                        const double a = lo + (hi - lo) / 3, b = hi - (hi - lo) / 3;
                        const double qa = farthestEnd(a, E), qb = farthestEnd(b, E);
                        if (qa > next) next = qa, start = a;
                        if (qb > next) next = qb, start = b;
                        (qa < qb ? lo : hi) = qa < qb ? a : b;
                    }
                }
            }
            if (k > 1) r.starts.push_back(start);
            before = farthest, farthest = next;
            if (farthest >= to_) {
                r.reached = true;
                break;
            }
        }
        return r;
    }

    double error(double a, double b, int samples = 32) const
    {
        return segmentError(curve_, a, b, flowAt(curve_, a), flowAt(curve_, b), samples);
    }

private:
    bool inflectionIn(double a, double b) const
    {
        return std::any_of(inflections_.begin(), inflections_.end(), [&](double c) { return c > a && c < b; });
    }
    double nextInflection(double x) const
    {
        const auto c = std::upper_bound(inflections_.begin(), inflections_.end(), x);
        return c == inflections_.end() ? to_ : *c;
    }
    // Whether a segment within E from some start in [a, b] may cross an inflection. Where the
    // curve bends one way, no straight line keeps closer to it than half its chord's error (the
    // best line's error), so a segment from b whose chord to the next inflection errs by more than
    // 2E ends before it, as does every segment from a start before b.
    bool mayCross(double a, double b, double E) const
    {
        if (inflectionIn(a, b)) return true;
        const double c = nextInflection(b);
        return c < to_ && error(b, c) <= 2 * E;
    }

    // The farthest end within E of a segment from x. Up to the next inflection the chord's error
    // grows with its length, so bisection finds it where no segment can cross (mayCross). Past an
    // inflection the error falls, then rises again, and may dip within E only on a narrow
    // stretch: it is sampled, its least value refined, and the farthest end sought above the last
    // sample within E, or above the least value where no sample is.
    double farthestEnd(double x, double E) const
    {
        if (error(x, to_) <= E) return to_;
        const double c = nextInflection(x);
        const auto bisect = [&](double lo, double hi) {  // error(x, lo) <= E < error(x, hi)
            for (int i = 0; i < 48 && hi - lo > 1e-12 * to_; ++i) {
                const double mid = lo + (hi - lo) / 2;
                (error(x, mid) <= E ? lo : hi) = mid;
            }
            return lo;
        };
        if (!mayCross(x, x, E)) return bisect(x, c);
        constexpr int samples = 64;
        const auto at = [&](int j) { return c + (to_ - c) * j / samples; };
        std::vector<double> e(samples + 1);
        int least = 0;
        for (int j = 0; j <= samples; ++j)
            if ((e[j] = error(x, at(j))) < e[least]) least = j;
        for (int j = samples - 1; j >= 0; --j)
            if (e[j] <= E) return bisect(at(j), at(j + 1));
        double lo = at(std::max(least - 1, 0)), hi = at(std::min(least + 1, samples));
        for (int i = 0; i < 40; ++i) {
            const double a = lo + (hi - lo) / 3, b = hi - (hi - lo) / 3;
            (error(x, a) < error(x, b) ? hi : lo) = error(x, a) < error(x, b) ? b : a;
        }
        const double dip = lo + (hi - lo) / 2;
        if (error(x, dip) <= E) return bisect(dip, at(std::min(least + 1, samples)));
        return bisect(x, c);
    }

    const Curve& curve_;
    double from_, to_;
    std::vector<double> inflections_;
};

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
    const Search search(curve, from, to);
    // The least E for which N points reach the end, by bisection: `lo` is an error no table of N
    // points attains, `hi` one the starts found attain.
    double lo = 0, hi = search.error(from, to, 64);
    std::vector<double> heads{from, to};
    for (int i = 0; i < 60 && hi - lo > 1e-9 * hi; ++i) {
        const double mid = lo + (hi - lo) / 2;
        auto found = search.reach(count, mid);
        if (found.reached) hi = mid, heads = std::move(found.starts), heads.push_back(to);
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
    table.heads = heads;
    for (const double h : heads) table.flows.push_back(flowAt(curve, h));
    table.maxError = interpolationError(curve, table.heads, table.flows);
    table.leastPossible = lo;
    return table;
}

}  // namespace vordanel
