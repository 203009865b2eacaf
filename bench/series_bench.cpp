#include "batch.h"
#include "series.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

// The companion's series against its batch over as many rows: a logger's year of one-minute
// readings (525,600 rows, heads rising and falling over 10 to 90 mm of a 100 mm weir), and as many
// batch rows solving flows over the same weir. Both read from a scratch file and write to
// /dev/null, so that what is timed is the reading, the rules and the writing. Rows per second are
// given as items_per_second; their ratio is series' speed as a share of batch's.
namespace {

constexpr long rows = 525'600;

std::FILE* scratch(const std::string& text)
{
    std::FILE* file = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), file);
    return file;
}

std::FILE* loggerFile()
{
    static std::FILE* file = [] {
        std::string text = "time,level_mm\n";
        char line[64];
        for (long i = 0; i < rows; ++i) {
            const long day = i / 1440, minute = i % 1440;
            const double level = 150 + 40 * ((minute % 720) / 720.0);  // 50 to 90 mm over a gauge zero of 100
            std::snprintf(line, sizeof line, "2026-%02ld-%02ld %02ld:%02ld,%.1f\n", 1 + day / 31 % 12, 1 + day % 28,
                          minute / 60, minute % 60, level);
            text += line;
        }
        return scratch(text);
    }();
    return file;
}

std::FILE* batchFile()
{
    static std::FILE* file = [] {
        std::string text = "diameter_mm,flow_lpm\n";
        char line[64];
        for (long i = 0; i < rows; ++i) {
            std::snprintf(line, sizeof line, "100,%.2f\n", 40 + 60 * ((i % 720) / 720.0));
            text += line;
        }
        return scratch(text);
    }();
    return file;
}

void Series(benchmark::State& state)
{
    std::FILE* in = loggerFile();
    std::FILE* out = std::fopen("/dev/null", "wb");
    std::FILE* err = std::fopen("/dev/null", "wb");
    vordanel::cli::SeriesOptions options;
    options.diameter = "100";
    options.gaugeZero = "100";
    options.daily = state.range(0) != 0;
    options.maxGapMinutes = 2;
    for (auto _ : state) {
        std::rewind(in);
        benchmark::DoNotOptimize(vordanel::cli::series(options, in, out, err));
    }
    state.SetItemsProcessed(state.iterations() * rows);
    std::fclose(out);
    std::fclose(err);
}
BENCHMARK(Series)->Arg(0)->Arg(1)->ArgName("daily")->Unit(benchmark::kMillisecond);

void Batch(benchmark::State& state)
{
    std::FILE* in = batchFile();
    std::FILE* out = std::fopen("/dev/null", "wb");
    std::FILE* err = std::fopen("/dev/null", "wb");
    for (auto _ : state) {
        std::rewind(in);
        benchmark::DoNotOptimize(vordanel::cli::batch({}, in, out, err));
    }
    state.SetItemsProcessed(state.iterations() * rows);
    std::fclose(out);
    std::fclose(err);
}
BENCHMARK(Batch)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
