#pragma once

#include "csv.h"
#include "words.h"

#include <cstdio>
#include <optional>
#include <string>

namespace vordanel::cli {

struct SeriesOptions {
    std::string file;    // empty or "-": standard input
    std::string output;  // -o: the file the result replaces whole; empty or "-": standard output
    std::string diameter;
    std::string gaugeZero;           // mm: a level column is a reading on a gauge of this zero
    std::optional<int> levelScale;   // --level-unit mm, cm, m as 0, 1, 3: the unit of --level-column
    FlowUnit flowUnit = FlowUnit::LitresPerMinute;
    std::string dayStart = "00:00";
    std::optional<double> maxGapMinutes;
    std::string timeColumn, levelColumn;
    bool daily = false, json = false;
    double headUncertainty = 0, zeroUncertainty = 0, coefficientUncertainty = 0;  // mm, mm, percent
    std::optional<char> separator, decimal;
};

// A level logger's file in (a time column or a date and a time column, and a level column), the same
// rows out with head_mm, flow_<unit> and note added; or with `daily`, one row per day and the total.
int series(const SeriesOptions& options, std::FILE* in, std::FILE* out, std::FILE* err);

}  // namespace vordanel::cli
