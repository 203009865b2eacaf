#include "commands.h"

#include "vordanel/search.h"

#include <benchmark/benchmark.h>

#include <cstdio>

// A 1,000,000-row rating table for a 100 mm weir, flows 0.001 to 140 L/min, bracket 1 to 100 mm:
// the whole companion path (flow text, conversions, search, shown head, CSV) against the bare
// searches for the same flows.
namespace {

constexpr double from = 0.001, to = 140.0;
constexpr long long rows = 1'000'000;
const double step = (to - from) / (rows - 1);

void BM_TableMillionRows(benchmark::State& state)
{
    std::FILE* sink = std::fopen("/dev/null", "w");
    char flows[96];
    std::snprintf(flows, sizeof flows, "0.001:140:%.17g", step);
    for (auto _ : state) benchmark::DoNotOptimize(vordanel::cli::table("100", "1", "100", flows, sink, stderr));
    std::fclose(sink);
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_TableMillionRows)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_BareSearchesMillionRows(benchmark::State& state)
{
    for (auto _ : state) {
        for (long long i = 0; i < rows; ++i) {
            const double flow = from + static_cast<double>(i) * step;
            benchmark::DoNotOptimize(vordanel::search(flow / 1000, 0.1, 0.001, 0.1));
        }
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_BareSearchesMillionRows)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
