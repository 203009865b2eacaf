#pragma once

// What a floor of the companion's speed is made of: the core's search (each residual once) and
// numbers written straight into a buffer by std::to_chars, the plainest fast way to the same bytes.
// The table's and the batch's benchmarks hold their floors to the companion's very output before
// timing anything.

#include "vordanel/formula.h"
#include "vordanel/search.h"

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

namespace floor_bench {

[[noreturn]] inline void give_up(const char* why)
{
    std::fprintf(stderr, "floor: %s\n", why);
    std::abort();
}

inline double read(std::string_view text)
{
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// A number as the companion displays it: 15 significant digits, trailing zeros dropped.
inline char* put15(char* at, double value) { return std::to_chars(at, at + 32, value, std::chars_format::general, 15).ptr; }

inline char* put(char* at, std::string_view text) { return std::copy(text.begin(), text.end(), at); }

// The head and its note columns of a row: head_mm,trials,note. The head shown is the one in metres
// rounded to five decimals (0.01 mm), in millimetres.
inline char* putHead(char* at, const vordanel::Weir& weir, double Q, double xLow, double xHigh)
{
    const vordanel::SearchResult r = vordanel::search(Q, weir, xLow, xHigh);
    if (r.outcome == vordanel::SearchResult::Outcome::Fault) give_up("a residual out of range, which the floor's brackets rule out");
    if (r.outcome != vordanel::SearchResult::Outcome::Converged) return put(at, ",,no_solution");
    char five[400];
    const char* const end = std::to_chars(five, five + sizeof five, r.xMid, std::chars_format::fixed, 5).ptr;
    at = put15(at, read({five, static_cast<std::size_t>(end - five)}) * 1000 + 0.0);
    *at++ = ',';
    at = std::to_chars(at, at + 16, r.trialCount).ptr;
    *at++ = ',';
    const bool above = weir.diameter() < r.xMid;
    if (above) at = put(at, "above_weir");
    if (!r.toleranceMet) at = put(at, above ? ";stalled" : "stalled");
    return at;
}

// Text gathered in one block and written when full, as the companion writes.
class Block
{
public:
    explicit Block(std::FILE* out) : out_(out) {}
    char* at = buffer_;
    void flushIfFull()
    {
        if (static_cast<std::size_t>(at - buffer_) >= size) flush();
    }
    void flush()
    {
        std::fwrite(buffer_, 1, static_cast<std::size_t>(at - buffer_), out_);
        at = buffer_;
    }

private:
    static constexpr std::size_t size = 1 << 16;
    std::FILE* out_;
    char buffer_[size + 4096];
};

inline std::string contents(std::FILE* file)
{
    std::string text;
    std::rewind(file);
    char chunk[1 << 16];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) text.append(chunk, n);
    return text;
}

// The floor counts only if it writes the companion's very bytes.
template <class Companion, class Floor>
void requireSame(const char* what, Companion companion, Floor floor)
{
    std::FILE* a = std::tmpfile();
    std::FILE* b = std::tmpfile();
    if (!a || !b) give_up("no temporary file for the comparison");
    companion(a);
    std::fflush(a);
    floor(b);
    std::fflush(b);
    const std::string x = contents(a), y = contents(b);
    std::fclose(a);
    std::fclose(b);
    if (x != y) {
        const auto at = static_cast<std::size_t>(std::mismatch(x.begin(), x.end(), y.begin(), y.end()).first - x.begin());
        const std::size_t line = x.rfind('\n', at == 0 ? 0 : at - 1);
        const std::size_t start = line == std::string::npos ? 0 : line + 1;
        std::fprintf(stderr, "floor: the floor's %s differs from the companion's at byte %zu:\n  companion: %.100s\n  floor:     %.100s\n",
                     what, at, x.substr(start, x.find('\n', start) - start).c_str(), y.substr(start, y.find('\n', start) - start).c_str());
        std::abort();
    }
    std::fprintf(stderr, "floor: the floor's %s is the companion's, %zu bytes\n", what, x.size());
}

// Where the companion's counts of rows go while it is compared and timed.
inline std::FILE* quiet()
{
    static std::FILE* const sink = std::fopen("/dev/null", "w");
    return sink;
}

inline double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The companion's time over the floor's, the two run in turn within each iteration (which goes
// first alternates), so that a burst of load on a shared machine falls on both alike. Thread CPU
// time; the median, lowest and highest ratio of the iterations.
template <class Companion, class Floor>
void companionOverFloor(benchmark::State& state, Companion companion, Floor floor)
{
    std::FILE* sink = std::fopen("/dev/null", "w");
    std::vector<double> ratios;
    for (auto _ : state) {
        double companionTime = 0, floorTime = 0;
        for (int turn = 0; turn < 2; ++turn) {
            const bool companionNow = (turn == 0) == (ratios.size() % 2 == 0);
            const double start = cpuSeconds();
            if (companionNow) companion(sink);
            else floor(sink);
            (companionNow ? companionTime : floorTime) = cpuSeconds() - start;
        }
        ratios.push_back(companionTime / floorTime);
    }
    std::fclose(sink);
    std::sort(ratios.begin(), ratios.end());
    state.counters["median"] = ratios[ratios.size() / 2];
    state.counters["lowest"] = ratios.front();
    state.counters["highest"] = ratios.back();
}

}  // namespace floor_bench
