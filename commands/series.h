#pragma once

#include "csv.h"
#include "words.h"

#include "vordanel/curve.h"
#include "vordanel/series.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <variant>

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

// What a front end that shows a record in its own words (the page) learns of a run: why it made
// nothing, in Japanese, and with --daily each reading as the days took it, where it asks.
struct SeriesReading {
    std::optional<std::int64_t> at;   // on the readings' clock; none where no time was ever read
    std::optional<double> headMm;
    std::optional<double> flow;       // m^3/min; none: the reading has no flow
    std::optional<ReadingNote> note;
    bool breakBefore = false;         // a reading with a flow further than the gap bridged from the one before
};
struct SeriesReport {
    std::string refusal;
    std::function<void(const SeriesReading&)> onReading;
    // The rules --daily went by: the day's start (HH:MM), the gap bridged and whether it is the
    // default, the flow unit, and the uncertainties as given (mm, mm, percent).
    std::string dayStart;
    double maxGapMinutes = 0;
    bool maxGapDefault = false;
    FlowUnit unit = FlowUnit::LitresPerMinute;
    std::array<double, 3> uncertainties{};
};

// A record's settings as its options make them, before any reading: the weir's curve, the gauge
// zero its levels are read on, the day's start and the gap bridged where one is given.
struct SeriesPlan {
    Curve curve;
    double gaugeZero = 0;                // mm
    int gaugeZeroPlaces = 0;             // the zero's decimals as written
    std::int64_t dayStart = 0;           // ms after midnight
    std::optional<std::int64_t> maxGap;  // ms; none: twice the most common interval
};
// Why the options make no record: the entry at fault where there is one; the line for standard
// error (after "vordanel-cli: ") and the Japanese sentence for the page.
struct SeriesFault {
    std::optional<Input> input;
    std::string english, japanese;
};
std::variant<SeriesPlan, SeriesFault> planSeries(const SeriesOptions& options);

// A level logger's file in (a time column or a date and a time column, and a level column), the same
// rows out with head_mm, flow_<unit> and note added; or with `daily`, one row per day and the total.
int series(const SeriesOptions& options, std::FILE* in, std::FILE* out, std::FILE* err, SeriesReport* report = nullptr);

}  // namespace vordanel::cli
