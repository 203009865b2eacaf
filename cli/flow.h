#pragma once

#include <cstdio>
#include <string>

namespace CLI {
class App;
}

namespace vordanel::cli {

struct FlowOptions {
    std::string diameter, head;
};

// The flow (L/min) the formula gives over a weir of that diameter at that head (mm).
int flow(const FlowOptions& options, std::FILE* out, std::FILE* err);
void addFlowOptions(CLI::App& command, FlowOptions& options);

}  // namespace vordanel::cli
