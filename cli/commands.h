#pragma once

#include "vordanel/calculation.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace vordanel::cli {

// Exit statuses; a run over many rows exits with the worst of its rows.
enum Exit : int {
    Answer = 0,      // every calculation found its head
    NoSolution = 1,  // some bracket showed no sign change, or a flow has no head; nothing failed
    Failure = 2,     // a usage error, a bad entry, a fault of the formula, or output that was lost
};

// A bracket of two heads (mm), or none: then the head is sought on the rising side of the curve.
struct Bracket {
    std::string min, max;
};

struct HeadOptions {
    std::string diameter, flow;
    std::optional<Bracket> bracket;
    bool json = false;
    bool trace = false;
};

struct TableOptions {
    std::string diameter;
    std::optional<Bracket> bracket;
    std::string flows;  // FROM:TO:STEP, L/min
};

struct FlowOptions {
    std::string diameter, head;
};

// What the window would show for four entries (or the rising-side head for two), in its own
// words or as one JSON object.
int head(const HeadOptions& options, std::FILE* out, std::FILE* err);

// A rating table for one weir: one CSV row per flow of FROM:TO:STEP (L/min).
int table(const TableOptions& options, std::FILE* out, std::FILE* err);

// CSV rows in (diameter_mm,flow_lpm[,min_mm,max_mm], or columns named so in a header row), the
// same rows with head_mm,trials,note added out, row by row.
int batch(std::FILE* in, std::FILE* out, std::FILE* err);

// The flow (L/min) the formula gives over a weir of that diameter at that head (mm).
int flow(const FlowOptions& options, std::FILE* out, std::FILE* err);

// The whole command line (argv[0] first), parsed and run; what a process would print goes to
// out and err, what it would read comes from in.
int run(const std::vector<std::string>& args, std::FILE* in, std::FILE* out, std::FILE* err);

const char* faultKey(Fault fault);
const char* inputKey(Input input);

}  // namespace vordanel::cli
