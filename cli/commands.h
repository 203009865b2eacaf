#pragma once

#include "vordanel/calculation.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace vordanel::cli {

// Exit statuses; a run over many rows exits with the worst of its rows.
enum Exit : int {
    Answer = 0,      // every calculation found its head
    NoSolution = 1,  // some bracket showed no sign change, nothing failed
    Failure = 2,     // a usage error, an entry that is not a number, or a fault of the formula
};

struct HeadOptions {
    bool json = false;
    bool trace = false;
};

// What the window would show for four entries, in its own words or as one JSON object.
int head(const Entries& entries, const HeadOptions& options, std::FILE* out, std::FILE* err);

// A rating table for one weir and bracket: one CSV row per flow of FROM:TO:STEP (L/min).
int table(std::string_view diameter, std::string_view min, std::string_view max, std::string_view flows,
          std::FILE* out, std::FILE* err);

// CSV rows diameter_mm,flow_lpm,min_mm,max_mm in, the same plus head_mm,trials,note out, row by row.
int batch(std::FILE* in, std::FILE* out, std::FILE* err);

// The flow (L/min) the formula gives over a weir of that diameter at that head (mm).
int flow(std::string_view diameter, std::string_view head, std::FILE* out, std::FILE* err);

const char* faultKey(Fault fault);
const char* inputKey(Input input);

}  // namespace vordanel::cli
