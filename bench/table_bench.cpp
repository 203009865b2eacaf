#include "table.h"

#include "vordanel/numtext.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <time.h>

// The rating table of a 100 mm weir, bracket 1 to 100 mm, flows 0.001 to 140 L/min by 0.00014
// (999,993 rows): the companion's whole path against a floor, the same bytes made the plainest
// fast way. The floor is bare arithmetic written here, not the core's search: each residual once
// (both ends, then a midpoint a pass), the weir's terms once, the formula's steps inline, the
// numbers written into one buffer. Before anything is timed the two tables are compared byte
// for byte, and the companion's time is also given as a multiple of the floor's.
namespace {

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

double read(std::string_view text)
{
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

[[noreturn]] void give_up(const char* why)
{
    std::fprintf(stderr, "table_bench: %s\n", why);
    std::abort();
}

// The weir's terms, worked out once for the table: D, D / 110 and D^1.5.
struct Terms {
    double D, a, p;
};

// The Staus formula's steps, one operation each, in the core's order.
inline double residual(const Terms& w, double h, double Q)
{
    const double b = w.a / h;
    const double c = b + 0.555;
    const double d = h * 0.041;
    const double e = d / w.D;
    const double mu = c + e;
    const double m = w.p * mu;
    const double r = h / w.D;
    const double t1 = std::pow(r, 1.975) * 10.12;
    const double t2 = std::pow(r, 3.76) * 2.66;
    const double k = t1 - t2;
    const double Qc = k * m;
    return Qc - Q;
}

struct Head {
    bool converged = false, stalled = false;
    double xMid = 0;
    int trials = 0;
};

// Bisection by the core's rules: |fMid| below 0.00001 converges before any sign is looked at,
// the upper half is preferred, an exactly zero product is no sign change, and an end that would
// move onto itself ends the search where it is. This bracket keeps every head inside the range
// in which the formula cannot fault; a residual out of range would mean the floor is wrong.
Head bisect(const Terms& w, double Q, double xLow, double xHigh)
{
    const auto checked = [](double f) {
        if (!std::isfinite(f)) give_up("the floor met a residual out of range, which its bracket rules out");
        return f;
    };
    double fHigh = checked(residual(w, xHigh, Q));
    double fLow = checked(residual(w, xLow, Q));
    Head head;
    for (;;) {
        const double xMid = (xLow + xHigh) / 2;
        ++head.trials;
        const double fMid = checked(residual(w, xMid, Q));
        head.xMid = xMid;
        if (std::fabs(fMid) < 0.00001) {
            head.converged = true;
            return head;
        }
        const bool upper = fMid * fHigh < 0;
        if (!upper && !(fMid * fLow < 0)) return head;
        if (xMid == xLow || xMid == xHigh) {
            head.converged = head.stalled = true;
            return head;
        }
        if (upper) xLow = xMid, fLow = fMid;
        else xHigh = xMid, fHigh = fMid;
    }
}

// The floor's table into `out`.
void floorTable(std::FILE* out)
{
    const double D = read(diameterText) / 1000, xLow = read(minText) / 1000, xHigh = read(maxText) / 1000;
    const double from = read(fromText), to = read(toText), step = read(stepText);
    const auto rows = static_cast<long long>(std::floor((to - from) / step * (1 + 1e-12))) + 1;
    const Terms w{D, D / 110, std::pow(D, 1.5)};

    constexpr std::size_t block = 1 << 16;
    static char buffer[block + 256];
    char* at = buffer;
    const auto put = [&](std::string_view text) { at = std::copy(text.begin(), text.end(), at); };
    put("flow_lpm,head_mm,trials,note\n");
    for (long long i = 0; i < rows; ++i) {
        char* const flowText = at;
        at = vordanel::writeDisplayText(at, at + 32, from + static_cast<double>(i) * step);
        double flow = 0;
        std::from_chars(flowText, at, flow);
        *at++ = ',';
        const Head head = bisect(w, flow / 1000, xLow, xHigh);
        if (head.converged) {
            const auto shown = vordanel::shownHeadMillimetres(head.xMid);
            if (!shown) give_up("a head of this bracket cannot be shown");
            at = vordanel::writeDisplayText(at, at + 32, *shown);
            *at++ = ',';
            at = std::to_chars(at, at + 16, head.trials).ptr;
            *at++ = ',';
            const bool above = D < head.xMid;
            if (above) put("above_weir");
            if (head.stalled) put(above ? ";stalled" : "stalled");
        } else {
            put(",,no_solution");
        }
        *at++ = '\n';
        if (static_cast<std::size_t>(at - buffer) >= block) {
            std::fwrite(buffer, 1, static_cast<std::size_t>(at - buffer), out);
            at = buffer;
        }
    }
    std::fwrite(buffer, 1, static_cast<std::size_t>(at - buffer), out);
    std::fflush(out);
}

std::string contents(std::FILE* file)
{
    std::string text;
    std::rewind(file);
    char chunk[1 << 16];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) text.append(chunk, n);
    return text;
}

// The floor counts only if it makes the companion's very bytes.
void requireSameTables()
{
    std::FILE* companion = std::tmpfile();
    std::FILE* floor = std::tmpfile();
    if (!companion || !floor) give_up("no temporary file for the comparison");
    vordanel::cli::table(companionOptions(), companion, stderr);
    std::fflush(companion);
    floorTable(floor);
    const std::string a = contents(companion), b = contents(floor);
    std::fclose(companion);
    std::fclose(floor);
    if (a != b) {
        const auto at = static_cast<std::size_t>(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
        const std::size_t line = a.rfind('\n', at == 0 ? 0 : at - 1);
        const std::size_t start = line == std::string::npos ? 0 : line + 1;
        std::fprintf(stderr, "table_bench: the floor's table differs from the companion's at byte %zu:\n"
                             "  companion: %.80s\n  floor:     %.80s\n",
                     at, a.substr(start, a.find('\n', start) - start).c_str(),
                     b.substr(start, b.find('\n', start) - start).c_str());
        std::abort();
    }
    std::fprintf(stderr, "table_bench: the floor's table is the companion's, %zu bytes\n", a.size());
}

void BM_TableCompanion(benchmark::State& state)
{
    std::FILE* sink = std::fopen("/dev/null", "w");
    for (auto _ : state) benchmark::DoNotOptimize(vordanel::cli::table(companionOptions(), sink, sink));
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

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The companion's time over the floor's, the two run in turn within each iteration (which goes
// first alternates), so that a burst of load on a shared machine falls on both alike. Thread
// CPU time; the median, lowest and highest ratio of the iterations.
void BM_TableCompanionOverFloor(benchmark::State& state)
{
    std::FILE* sink = std::fopen("/dev/null", "w");
    std::vector<double> ratios;
    for (auto _ : state) {
        double companion = 0, floor = 0;
        for (int turn = 0; turn < 2; ++turn) {
            const bool companionNow = (turn == 0) == (ratios.size() % 2 == 0);
            const double start = cpuSeconds();
            if (companionNow) benchmark::DoNotOptimize(vordanel::cli::table(companionOptions(), sink, sink));
            else floorTable(sink);
            (companionNow ? companion : floor) = cpuSeconds() - start;
        }
        ratios.push_back(companion / floor);
    }
    std::fclose(sink);
    std::sort(ratios.begin(), ratios.end());
    state.counters["median"] = ratios[ratios.size() / 2];
    state.counters["lowest"] = ratios.front();
    state.counters["highest"] = ratios.back();
}
BENCHMARK(BM_TableCompanionOverFloor)->Unit(benchmark::kMillisecond)->Iterations(7);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    requireSameTables();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
