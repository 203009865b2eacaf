#include "floor.h"
#include "table.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

// The rating table of a 100 mm weir, bracket 1 to 100 mm, flows 0.001 to 140 L/min by 0.00014
// (999,993 rows): the companion's whole path, through the command library, against a floor, the
// same bytes made the plainest fast way: the core's search for each flow as printed (each residual
// once), the weir's terms once, the numbers written by std::to_chars into one buffer. Before
// anything is timed the two tables are compared byte for byte; the companion's time is also given
// as a multiple of the floor's (scripts/measure_floor.sh runs it).
namespace {

using namespace floor_bench;

constexpr std::string_view diameterText = "100", minText = "1", maxText = "100";
constexpr std::string_view fromText = "0.001", toText = "140", stepText = "0.00014";

const vordanel::cli::TableOptions& companionOptions()
{
    static const vordanel::cli::TableOptions options = [] {
        vordanel::cli::TableOptions o;
        o.diameter = diameterText;
        o.bracket = vordanel::cli::Bracket{std::string(minText), std::string(maxText)};
        o.flows = std::string(fromText) + ':' + std::string(toText) + ':' + std::string(stepText);
        return o;
    }();
    return options;
}

void companionTable(std::FILE* out) { benchmark::DoNotOptimize(vordanel::cli::table(companionOptions(), out, quiet())); }

// The floor's table into `out`.
void floorTable(std::FILE* out)
{
    const double D = read(diameterText) / 1000, xLow = read(minText) / 1000, xHigh = read(maxText) / 1000;
    const double from = read(fromText), to = read(toText), step = read(stepText);
    const auto rows = static_cast<long long>(std::floor((to - from) / step * (1 + 1e-12))) + 1;
    const vordanel::Weir weir(D);
    Block block(out);
    block.at = put(block.at, "flow_lpm,head_mm,trials,note\n");
    for (long long i = 0; i < rows; ++i) {
        char* const flowText = block.at;
        block.at = put15(block.at, from + static_cast<double>(i) * step);
        const double flow = read({flowText, static_cast<std::size_t>(block.at - flowText)});
        *block.at++ = ',';
        block.at = putHead(block.at, weir, flow / 1000, xLow, xHigh);
        *block.at++ = '\n';
        block.flushIfFull();
    }
    block.flush();
    std::fflush(out);
}

void BM_TableCompanion(benchmark::State& state)
{
    std::FILE* sink = std::fopen("/dev/null", "w");
    for (auto _ : state) companionTable(sink);
    std::fclose(sink);
}
BENCHMARK(BM_TableCompanion)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_TableFloor(benchmark::State& state)
{
    std::FILE* sink = std::fopen("/dev/null", "w");
    for (auto _ : state) floorTable(sink);
    std::fclose(sink);
}
BENCHMARK(BM_TableFloor)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_TableCompanionOverFloor(benchmark::State& state) { companionOverFloor(state, companionTable, floorTable); }
BENCHMARK(BM_TableCompanionOverFloor)->Unit(benchmark::kMillisecond)->Iterations(7);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    requireSame("table", companionTable, floorTable);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
