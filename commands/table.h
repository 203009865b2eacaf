#pragma once

#include "head.h"
#include "output.h"
#include "words.h"

#include "vordanel/curve.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

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

// A table as its options make it, before any row: the weir's curve, which steps, and what each
// row is solved on. Rows are computed one at a time (tableRow), so that a table of millions of
// rows is streamed and never held.
struct TablePlan {
    Curve curve;
    bool byHeads = false;
    std::optional<std::pair<double, double>> bracket;  // m; none: the rising side
    std::optional<double> gaugeZero;                   // mm, with byHeads: the steps are readings
    FlowUnit flowUnit = FlowUnit::LitresPerMinute;
    double from = 0, step = 0;                         // in the steps' unit (flowUnit or mm)
    long long rows = 0;
};
// Why the options make no table: the entry at fault where there is one, in English for standard
// error and in Japanese for the page.
struct TableFault {
    std::optional<Input> input;
    std::string english, japanese;
};
std::variant<TablePlan, TableFault> planTable(const TableOptions& options);

// Row i of a plan: its step as printed (and solved for as printed, exactly as the window would
// solve the same text) and what it gives: by flows the calculation, by heads the discharge at the
// head (the reading less the gauge zero, where there is one).
struct TableRow {
    char text[32];
    std::size_t size = 0;
    std::string_view step() const { return {text, size}; }
    double headMm = 0;
    Calculation calculation;  // by flows
    Discharge discharge;      // by heads
};
TableRow tableRow(const TablePlan& plan, long long i);

// The CSV: its header, and a row as computed.
void putTableHeader(Output& o, const TablePlan& plan);
void putTableRow(Output& o, const TablePlan& plan, const TableRow& row);

// A rating table for one weir: one CSV row per flow (or per head) of FROM:TO:STEP, streamed.
int table(const TableOptions& options, std::FILE* out, std::FILE* err, TableReport* report = nullptr);
// table --breakpoints N (breakpoints.cpp).
int breakpointTable(const TableOptions& options, std::FILE* out, std::FILE* err, TableReport& report);

}  // namespace vordanel::cli
