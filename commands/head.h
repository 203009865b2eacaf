#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "vordanel/units.h"

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

// What the window would show for four entries (or the rising-side head for two), in its own
// words or as one JSON object.
int head(const HeadOptions& options, std::FILE* out, std::FILE* err);

}  // namespace vordanel::cli
