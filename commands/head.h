#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "vordanel/units.h"

namespace CLI {
class App;
}

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

// The options -d, -q, --min, --max, --trace and --json on `command`, filling `options`.
void addHeadOptions(CLI::App& command, HeadOptions& options);
// --min and --max, which come together, into `bracket` (shared with the table command). Both
// blank is no bracket: the rising side.
void addBracketOptions(CLI::App& command, std::optional<Bracket>& bracket);
// --flow-unit, the unit of the flows a command reads and writes (shared by head, table and flow).
void addFlowUnitOption(CLI::App& command, FlowUnit& unit);

}  // namespace vordanel::cli
