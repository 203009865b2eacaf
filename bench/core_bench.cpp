#include "vordanel/formula.h"
#include "vordanel/search.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

void BM_FN1(benchmark::State& state)
{
    double h = 0.05, Q = 0.04, D = 0.1, F = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(h);
        benchmark::DoNotOptimize(vordanel::FN1(F, h, Q, D));
        benchmark::DoNotOptimize(F);
    }
}
BENCHMARK(BM_FN1);

// One residual over a weir whose terms are already worked out, as the search evaluates it.
void BM_WeirResidual(benchmark::State& state)
{
    const vordanel::Weir weir(0.1);
    double h = 0.05, Q = 0.04, F = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(h);
        benchmark::DoNotOptimize(weir.residual(F, h, Q));
        benchmark::DoNotOptimize(F);
    }
}
BENCHMARK(BM_WeirResidual);

// The first worked run: both ends once, then a midpoint a pass.
void BM_SearchFirstWorkedRun(benchmark::State& state)
{
    double Q = 0.04, D = 0.1, xLow = 0.001, xHigh = 0.099;
    vordanel::SearchResult r;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Q);
        r = vordanel::search(Q, D, xLow, xHigh);
        benchmark::DoNotOptimize(r);
    }
    state.counters["evaluations"] = r.evaluations;
}
BENCHMARK(BM_SearchFirstWorkedRun);

// The residuals the first worked run evaluates, alone: the search's floor.
void BM_FirstWorkedRunEvaluationsAlone(benchmark::State& state)
{
    std::vector<double> heads{0.099, 0.001};
    vordanel::search(0.04, 0.1, 0.001, 0.099, [&](const vordanel::Pass& p) { heads.push_back(p.xMid); });
    const vordanel::Weir weir(0.1);
    double Q = 0.04, F = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Q);
        for (const double h : heads) {
            benchmark::DoNotOptimize(weir.residual(F, h, Q));
            benchmark::DoNotOptimize(F);
        }
    }
    state.counters["evaluations"] = static_cast<double>(heads.size());
}
BENCHMARK(BM_FirstWorkedRunEvaluationsAlone);

// A 10 km weir at 1e14 L/min: the tolerance cannot be met, the stall guard ends the run.
void BM_SearchStalledHugeWeir(benchmark::State& state)
{
    double Q = 1e11, D = 1e7, xLow = 0.001, xHigh = 1e7;
    vordanel::SearchResult r;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Q);
        r = vordanel::search(Q, D, xLow, xHigh);
        benchmark::DoNotOptimize(r);
    }
    state.counters["evaluations"] = r.evaluations;
}
BENCHMARK(BM_SearchStalledHugeWeir);

}  // namespace

BENCHMARK_MAIN();
