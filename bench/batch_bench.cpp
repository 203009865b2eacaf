#include "batch.h"
#include "floor.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>

// A batch of a million rows (weirs of 50, 100 and 200 mm, each bracketed from 1 mm to its
// diameter, flows of one to four decimals up to what the weir passes at a head of its diameter):
// the companion's whole path through the command library against a floor that makes the same
// bytes the plainest fast way: each line split at its commas, the numbers read by std::from_chars,
// the core's search (each residual once), the results written by std::to_chars into one buffer.
// Both read the same file from its start each run. Before anything is timed the two outputs are
// compared byte for byte; the companion's time is also given as a multiple of the floor's
// (scripts/measure_floor.sh runs it).
namespace {

using namespace floor_bench;

constexpr long long rows = 1'000'000;

// The sheet, written once; seeded from mt19937_64's raw output, the same file every run.
std::FILE* sheet()
{
    static std::FILE* const file = [] {
        std::FILE* f = std::tmpfile();
        if (!f) give_up("no temporary file for the sheet");
        std::fputs("diameter_mm,flow_lpm,min_mm,max_mm\n", f);
        std::mt19937_64 draw(36);
        constexpr int diameters[] = {50, 100, 200};
        for (long long i = 0; i < rows; ++i) {
            const int d = diameters[draw() % 3];
            const double most = 140 * std::pow(d / 100.0, 2.5);
            const double flow = 0.001 + static_cast<double>(draw() >> 11) * 0x1p-53 * most;
            char text[64];
            const char* end = std::to_chars(text, text + sizeof text, flow, std::chars_format::fixed, 1 + static_cast<int>(draw() % 4)).ptr;
            std::fprintf(f, "%d,%.*s,1,%d\n", d, static_cast<int>(end - text), text, d);
        }
        std::fflush(f);
        return f;
    }();
    std::rewind(file);
    return file;
}

void companionBatch(std::FILE* out)
{
    static const vordanel::cli::BatchOptions options;  // the sheet on "standard input"
    benchmark::DoNotOptimize(vordanel::cli::batch(options, sheet(), out, quiet()));
}

// The floor's batch into `out`.
void floorBatch(std::FILE* out)
{
    std::FILE* in = sheet();
    std::string text;
    char chunk[1 << 16];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;) text.append(chunk, n);
    Block block(out);
    std::size_t at = text.find('\n') + 1;
    block.at = put(block.at, std::string_view(text).substr(0, at - 1));
    block.at = put(block.at, ",head_mm,trials,note\n");
    double cells[4];
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        const char* p = text.data() + at;
        const char* const last = text.data() + end;
        for (double& cell : cells) p = std::from_chars(p, last, cell).ptr + 1;
        block.at = put(block.at, std::string_view(text.data() + at, end - at));
        *block.at++ = ',';
        const vordanel::Weir weir(cells[0] / 1000);
        block.at = putHead(block.at, weir, cells[1] / 1000, cells[2] / 1000, cells[3] / 1000);
        *block.at++ = '\n';
        block.flushIfFull();
        at = end + 1;
    }
    block.flush();
    std::fflush(out);
}

void BM_BatchCompanion(benchmark::State& state)
{
    std::FILE* sink = std::fopen("/dev/null", "w");
    for (auto _ : state) companionBatch(sink);
    std::fclose(sink);
}
BENCHMARK(BM_BatchCompanion)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_BatchFloor(benchmark::State& state)
{
    std::FILE* sink = std::fopen("/dev/null", "w");
    for (auto _ : state) floorBatch(sink);
    std::fclose(sink);
}
BENCHMARK(BM_BatchFloor)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_BatchCompanionOverFloor(benchmark::State& state) { companionOverFloor(state, companionBatch, floorBatch); }
BENCHMARK(BM_BatchCompanionOverFloor)->Unit(benchmark::kMillisecond)->Iterations(7);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    requireSame("batch", companionBatch, floorBatch);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
