// Runs arbitrary entries through the path of the window's 計算: text to number, units, search,
// shown texts, and checks the promises that path makes for every input.
#include "vordanel/calculation.h"
#include "vordanel/numtext.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

// Bisection by arithmetic midpoints between two positive doubles (at most about 2^1024 apart
// over about 2^1074 resolution) cannot take more passes than this.
constexpr int maxPasses = 2200;

void require(bool promise, const char* what)
{
    if (!promise) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Four entries separated by newlines; missing ones are empty.
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string_view entries[4];
    for (auto& entry : entries) {
        const auto end = text.find('\n');
        entry = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    // The last byte of a long input picks the decimal separator, as a locale would.
    const std::string_view point = size > 0 && (data[size - 1] & 1) ? "," : ".";

    int passes = 0;
    const auto first = vordanel::calculate({entries[0], entries[1], entries[2], entries[3]}, point,
                                           [&](const vordanel::Pass&) { ++passes; });
    require(passes <= maxPasses, "the search ends within its bound");
    using O = vordanel::Calculation::Outcome;
    require(first.outcome == O::Incomplete || first.outcome == O::Converged || first.outcome == O::NoSolution
                || first.outcome == O::Fault,
            "the outcome is one of the four");

    if (first.outcome == O::Converged) {
        require(first.search.evaluations == first.search.trialCount + 2, "the two ends once, then a midpoint a pass");
        require(std::isfinite(first.search.xMid), "the head is finite");
        const std::string head = vordanel::displayText(first.headMillimetres, point);
        const std::string trials = vordanel::displayText(first.search.trialCount, point);
        const auto back = vordanel::parseNumber(head, point);
        require(!back.fault && std::isfinite(back.value), "the shown head reads back as a finite number");
        require(!vordanel::parseNumber(trials, point).fault, "the trial count reads back");
    }
    if (first.outcome == O::Fault) {
        const auto kind = first.fault;
        require(kind == vordanel::Fault::NotANumber || kind == vordanel::Fault::DivisionByZero
                    || kind == vordanel::Fault::InvalidArgument || kind == vordanel::Fault::Overflow,
                "a fault has a named kind");
    }

    const auto second = vordanel::calculate({entries[0], entries[1], entries[2], entries[3]}, point);
    require(second.outcome == first.outcome, "the same entries give the same outcome");
    require(second.search.trialCount == first.search.trialCount, "the same entries take the same passes");
    require(std::memcmp(&second.search.xMid, &first.search.xMid, sizeof(double)) == 0, "the same head");
    require(second.fault == first.fault && second.faultInput == first.faultInput, "the same fault");

    // The same diameter and flow without a bracket: the rising side of the curve.
    int risingPasses = 0;
    const auto rising = vordanel::calculateRising({entries[0], entries[1], "", ""}, point,
                                                  [&](const vordanel::Pass&) { ++risingPasses; });
    require(risingPasses <= maxPasses, "the rising-side search ends within its bound");
    if (rising.outcome == O::Converged) {
        const vordanel::Curve curve = vordanel::curveOf(rising.D);
        require(!curve.fault && rising.search.xMid <= curve.peakHead, "the rising head lies at or below the peak");
        require(rising.Q > 0 && rising.Q <= curve.peakFlow, "only a flow the weir can pass has a head");
    }
    return 0;
}
