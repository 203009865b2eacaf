#pragma once

// The command line's options, CLI11's way: each command's options filled into its options struct
// (commands/), with the command's help; run() (cli.h) then hands the struct to the command.
#include "batch.h"
#include "flow.h"
#include "gauge.h"
#include "head.h"
#include "series.h"
#include "table.h"

#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace vordanel::cli {

// --min and --max, which come together, into `bracket` (shared with the table command). Both
// blank is no bracket: the rising side.
void addBracketOptions(CLI::App& command, std::optional<Bracket>& bracket);
// --flow-unit, the unit of the flows a command reads and writes (shared by head, table and flow).
void addFlowUnitOption(CLI::App& command, FlowUnit& unit);
// The options -d, -q, --min, --max, --trace and --json on `command`, filling `options`.
void addHeadOptions(CLI::App& command, HeadOptions& options);
void addTableOptions(CLI::App& command, TableOptions& options);
void addBatchOptions(CLI::App& command, BatchOptions& options);
void addFlowOptions(CLI::App& command, FlowOptions& options);
// --gauge-zero MM, a staff gauge's reading at the bottom of the opening (shared by flow, table and
// gauge); `what` says what it does to the command's heads.
void addGaugeZeroOption(CLI::App& command, std::string& gaugeZero, const std::string& what);
void addGaugeOptions(CLI::App& command, GaugeOptions& options);
void addSeriesOptions(CLI::App& command, SeriesOptions& options);

}  // namespace vordanel::cli
