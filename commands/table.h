#pragma once

#include "head.h"
#include "words.h"

#include <cstdio>
#include <optional>
#include <string>

namespace vordanel::cli {

struct TableOptions {
    std::string diameter;
    std::optional<Bracket> bracket;
    std::string flows;  // FROM:TO:STEP, in flowUnit: a table of heads by flow
    std::string heads;  // FROM:TO:STEP, mm: a table of flows by head, as an operator posts at the weir
    FlowUnit flowUnit = FlowUnit::LitresPerMinute;
    std::string gaugeZero;  // with --heads: they are readings on a staff gauge of this zero (mm)
    int breakpoints = 0;    // a level meter's table of so many points; --heads is then FROM:TO
    bool json = false;      // with breakpoints
    std::string output;     // -o: the file the table replaces whole; empty or "-": standard output
};

// What a table went through, for a front end that words it itself (the page): its rows by reason,
// or why no table was made. `refusal` is empty for a table made; else the Japanese sentence that
// says why and what to do, from the same test that wrote the English line on standard error.
struct TableReport {
    RowCounts counts;
    std::string refusal;
};

// A rating table for one weir: one CSV row per flow (or per head) of FROM:TO:STEP, streamed.
int table(const TableOptions& options, std::FILE* out, std::FILE* err, TableReport* report = nullptr);
// table --breakpoints N (breakpoints.cpp).
int breakpointTable(const TableOptions& options, std::FILE* out, std::FILE* err, TableReport& report);

}  // namespace vordanel::cli
