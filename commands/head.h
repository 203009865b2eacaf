#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "vordanel/calculation.h"
#include "vordanel/curve.h"
#include "vordanel/search.h"
#include "vordanel/units.h"

#include <vector>

namespace vordanel::cli {

// A bracket of two heads (mm), or none: then the head is sought on the rising side of the curve.
struct Bracket {
    std::string min, max;
};

struct HeadOptions {
    std::string diameter, flow;
    std::optional<Bracket> bracket;
    FlowUnit flowUnit = FlowUnit::LitresPerMinute;
    bool json = false;
    bool trace = false;
};

// The head for the options, with the inputs it answers: the calculation (a fault names the entry
// at fault), the search's passes where traced, and what the curve adds: the other head a bracket
// holds, the greatest flow where there is no head.
struct HeadResult {
    HeadOptions options;
    bool bracketGiven = false;
    Calculation calculation;
    std::vector<Pass> passes;
    std::optional<Curve> curve;  // none where the calculation failed
    std::optional<OtherHead> other;
};
HeadResult computeHead(const HeadOptions& options);

// The result as one JSON object (and a line end), and as the window's words.
std::string headJson(const HeadResult& result);
void putHeadText(std::FILE* out, const HeadResult& result);

// What the window would show for four entries (or the rising-side head for two), in its own
// words or as one JSON object.
int head(const HeadOptions& options, std::FILE* out, std::FILE* err);

}  // namespace vordanel::cli
