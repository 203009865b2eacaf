#pragma once

#include "vordanel/flow.h"
#include "vordanel/units.h"

#include <cstdio>
#include <string>

namespace vordanel::cli {

struct FlowOptions {
    std::string diameter, head;
    std::string gaugeZero;  // a staff gauge's reading at the bottom of the opening (mm): head is then a reading
    FlowUnit flowUnit = FlowUnit::LitresPerMinute;
    bool json = false;
};

using vordanel::FlowAnswer;
// The flow at the head as the options give it (vordanel::flowAt), with the options it answers; a
// fault names the entry at fault (diameter, head or gauge zero).
struct FlowResult {
    FlowOptions options;
    FlowAnswer answer;
};
FlowResult flowAt(const FlowOptions& options);

// The result as one JSON object (and a line end), and in words (nothing for a fault, which is
// told on standard error).
std::string flowJson(const FlowResult& result);
void putFlowText(std::FILE* out, const FlowResult& result);

// The flow the formula gives over a weir of that diameter at that head (mm), to 0.01 L/min (in
// flowUnit, to the same resolution), or in full as JSON.
int flow(const FlowOptions& options, std::FILE* out, std::FILE* err);

}  // namespace vordanel::cli
