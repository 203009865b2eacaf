#include "commands.h"

#include "vordanel/numtext.h"
#include "vordanel/search.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <string>

// A 1,000,000-row rating table for a 100 mm weir, flows 0.001 to 140 L/min, bracket 1 to 100 mm:
// the whole companion path against the floor, the same bytes made the plainest fast way (each
// residual once, the weir's terms once, numbers written with to_chars into one buffer).
namespace {

constexpr double from = 0.001, to = 140.0;
constexpr long long rows = 1'000'000;
const double step = (to - from) / (rows - 1);

void BM_TableMillionRows(benchmark::State& state)
{
    std::FILE* sink = std::fopen("/dev/null", "w");
    char flows[96];
    std::snprintf(flows, sizeof flows, "0.001:140:%.17g", step);
    const vordanel::cli::TableOptions options{"100", vordanel::cli::Bracket{"1", "100"}, flows};
    for (auto _ : state) benchmark::DoNotOptimize(vordanel::cli::table(options, sink, stderr));
    std::fclose(sink);
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_TableMillionRows)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_TableFloorMillionRows(benchmark::State& state)
{
    std::FILE* sink = std::fopen("/dev/null", "w");
    const vordanel::Weir weir(0.1);
    std::string buffer;
    for (auto _ : state) {
        buffer = "flow_lpm,head_mm,trials,note\n";
        for (long long i = 0; i < rows; ++i) {
            char text[32];
            char* end = vordanel::writeDisplayText(text, text + sizeof text, from + static_cast<double>(i) * step);
            double flow = 0;
            std::from_chars(text, end, flow);
            buffer.append(text, end).push_back(',');
            const auto r = vordanel::search(flow / 1000, weir, 0.001, 0.1);
            if (r.outcome == vordanel::SearchResult::Outcome::Converged) {
                end = vordanel::writeDisplayText(text, text + sizeof text, *vordanel::shownHeadMillimetres(r.xMid));
                buffer.append(text, end).push_back(',');
                buffer.append(text, std::to_chars(text, text + sizeof text, r.trialCount).ptr);
                buffer += r.xMid > 0.1 ? ",above_weir\n" : ",\n";
            } else {
                buffer += ",,no_solution\n";
            }
            if (buffer.size() >= (1 << 16)) {
                std::fwrite(buffer.data(), 1, buffer.size(), sink);
                buffer.clear();
            }
        }
        std::fwrite(buffer.data(), 1, buffer.size(), sink);
    }
    std::fclose(sink);
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_TableFloorMillionRows)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
