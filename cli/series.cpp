// The options of `vordanel-cli series` and its help, filling the command's options struct.
#include "series.h"
#include "options.h"

#include "vordanel/units.h"

#include "csv.h"
#include "words.h"
#include "vordanel/calculation.h"
#include "vordanel/catalogue.h"
#include "vordanel/numtext.h"
#include "vordanel/search.h"
#include "vordanel/series.h"

#include <CLI/CLI.hpp>

namespace vordanel::cli {

namespace {

// The rules --daily follows (DailyVolumes in the core), told in the help.
const char* const dailyRules =
    "A day runs from --day-start to the same time next day, in the readings' own clock; a reading at that\n"
    "instant belongs to the day it starts. Days run from the one holding the first reading with a flow to the\n"
    "one holding the last. The volume is the trapezoid between consecutive readings with a flow; where a day\n"
    "boundary falls between two readings, the flow there is on the straight line between them. Two consecutive\n"
    "readings with a flow further apart than --max-gap are not bridged: that time is missing, never filled\n"
    "(default: twice the most common interval between consecutive readings). The mean flow is the volume over\n"
    "the hours covered. A day all covered whose readings carry no note has no notes.";

}  // namespace

void addSeriesOptions(CLI::App& command, SeriesOptions& options)
{
    command.add_option("file", options.file, "the logger's CSV file; standard input when absent or -");
    command.add_option("-o,--output", options.output, "the result file, replaced whole once the series is done (default:\n"
                                                       "standard output); never the input itself");
    command.add_option("-d,--diameter", options.diameter, "weir diameter (mm)")->required();
    addGaugeZeroOption(command, options.gaugeZero, "a level column is a reading on that gauge");
    command.add_option_function<std::string>(
               "--level-unit", [&options](const std::string& v) { options.levelScale = v == "m" ? 3 : v == "cm" ? 1 : 0; },
               "the unit of the column --level-column names: mm, cm or m (default mm)")
        ->check(CLI::IsMember({"mm", "cm", "m"}));
    addFlowUnitOption(command, options.flowUnit);
    command.add_option("--day-start", options.dayStart, "the time of day a day starts, HH:MM (default 00:00)");
    command.add_option("--max-gap", options.maxGapMinutes,
                       "minutes: readings further apart are not bridged (default: twice the most common interval)");
    command.add_option("--time-column", options.timeColumn, "the name of the time column");
    command.add_option("--level-column", options.levelColumn, "the name of the level column (in --level-unit)");
    command.add_flag("--daily", options.daily, "one row per day, and the total");
    command.add_flag("--json", options.json, "with --daily: one JSON object");
    command.add_option("--head-uncertainty", options.headUncertainty, "a reading's own expanded uncertainty (mm)")->check(CLI::NonNegativeNumber);
    command.add_option("--zero-uncertainty", options.zeroUncertainty, "the gauge zero's expanded uncertainty (mm)")->check(CLI::NonNegativeNumber);
    command.add_option("--coefficient-uncertainty", options.coefficientUncertainty,
                       "the formula's expanded uncertainty (%), which its range of use does not tell")
        ->check(CLI::NonNegativeNumber);
    command.add_option_function<std::string>(
               "--separator", [&options](const std::string& value) { options.separator = value == "tab" ? '\t' : value.at(0); },
               "field separator: ',', ';' or tab (default: the one that splits one of the first lines most)")
        ->check(CLI::IsMember({",", ";", "tab"}));
    command.add_option_function<std::string>(
               "--decimal", [&options](const std::string& value) { options.decimal = value.at(0); },
               "decimal separator: '.' or ',' (default as batch settles it)")
        ->check(CLI::IsMember({".", ","}));
    command.footer(std::string(
                       "Example:\n"
                       "  $ printf 'time,level_mm\\n2026-07-01 09:00,150\\n2026-07-01 09:10,152\\n' | vordanel-cli series -d 100 --gauge-zero 100\n"
                       "  time,level_mm,head_mm,flow_lpm,note\n"
                       "  2026-07-01 09:00,150,50,44.64,\n"
                       "  2026-07-01 09:10,152,52,47.96,\n"
                       "Columns, found by the first row that names them (rows above it pass through): time (or date and\n"
                       "time in two columns) or ") + loggerCaptions.time + " (" + loggerCaptions.date + " and " + loggerCaptions.clock
                   + "); level_mm, level_cm, level_m or " + levelCaption(0) + ", " + levelCaption(1) + ",\n" + levelCaption(3)
                   + " (a reading on the gauge, less --gauge-zero), or head_mm or " + loggerCaptions.head + " (the head itself);\n"
                       "or the columns --time-column and --level-column name. Times: 2026-07-01 09:00[:00],\n"
                       "2026-07-01T09:00:00 with or without Z or +09:00, 2026/7/1 9:00. Times with an offset are put on the\n"
                       "clock of the first reading's offset; times without one are taken as written.\n"
                       "Each reading: a head at or below the bottom of the opening has flow 0 (below_opening); above the\n"
                       "top of the weir its flow (above_weir); above the head of greatest flow no flow (past_peak); a time\n"
                       "or level not readable, a time equal to the one before (duplicate_time) or earlier (earlier_time):\n"
                       "no flow. Exit status 0, 1 where some reading has no flow, 2 for an error.\n"
                       "Uncertainties (expanded, one coverage): U(Q) = sqrt((s Uh)^2 + (s Uz)^2 + (Uc Q)^2), s = dQ/dh;\n"
                       "U(V) = sqrt(sum (w s Uh)^2 + (sum w s Uz)^2 + (Uc V)^2), w the trapezoids' weights.\n"
                   + dailyRules);
}

}  // namespace vordanel::cli
