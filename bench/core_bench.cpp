#include "vordanel/formula.h"
#include "vordanel/search.h"

#include <benchmark/benchmark.h>

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

// The first worked run: 12 passes, 14 evaluations of FN1 (both ends once, then a midpoint a pass).
void BM_SearchFirstWorkedRun(benchmark::State& state)
{
    double Q = 0.04, D = 0.1, xLow = 0.001, xHigh = 0.099;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Q);
        auto r = vordanel::search(Q, D, xLow, xHigh);
        benchmark::DoNotOptimize(r);
    }
    state.counters["evaluations"] = 14;
}
BENCHMARK(BM_SearchFirstWorkedRun);

// A 10 km weir at 1e14 L/min: the tolerance cannot be met, the stall guard ends the run.
void BM_SearchStalledHugeWeir(benchmark::State& state)
{
    double Q = 1e11, D = 1e7, xLow = 0.001, xHigh = 1e7;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Q);
        auto r = vordanel::search(Q, D, xLow, xHigh);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_SearchStalledHugeWeir);

}  // namespace

BENCHMARK_MAIN();
