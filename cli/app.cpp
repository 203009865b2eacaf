#include "cli.h"
#include "options.h"

#include "vordanel/catalogue.h"
#include "vordanel/version.h"

#include <CLI/CLI.hpp>

#include <new>
#include <sstream>
#include <stdexcept>

namespace vordanel::cli {

int run(const std::vector<std::string>& args, std::FILE* in, std::FILE* out, std::FILE* err, Reports* reports)
{
    Reports unused;
    Reports& told = reports ? *reports : unused;
    auto onReading = std::move(told.series.onReading);
    told = {};
    told.series.onReading = std::move(onReading);
    CLI::App app{"vordanel-cli: the overflow head of a circular weir by the Staus formula (" + std::string(word(Word::staus_formula))
                     + "),\n"
                       "solved by bisection exactly as the VORDANEL window solves it. Lengths in mm, flows in L/min\n"
                 "(or in --flow-unit: L/s, m3/s, m3/min, m3/h, m3/d), numbers with a decimal point (a batch reads\n"
                 "and writes its file's own). Exit status: 0 answer, 1 no solution, 2 error.",
                 "vordanel-cli"};
    app.set_version_flag("--version", "vordanel-cli " VORDANEL_VERSION);
    app.require_subcommand(1);
    app.footer(std::string(curveNote) + "\n\nRun `vordanel-cli COMMAND --help` for a command's options and an example.");

    HeadOptions headOptions;
    TableOptions tableOptions;
    BatchOptions batchOptions;
    FlowOptions flowOptions;
    auto* head = app.add_subcommand("head", "The head and trial count the window would show for four entries.");
    addHeadOptions(*head, headOptions);
    auto* table = app.add_subcommand("table", "A rating table (CSV) for one weir: heads by flow, or flows by head.");
    addTableOptions(*table, tableOptions);
    auto* batch = app.add_subcommand("batch", "Solve a spreadsheet's rows (diameter_mm,flow_lpm[,min_mm,max_mm]), streamed row by row.");
    addBatchOptions(*batch, batchOptions);
    auto* flowCommand = app.add_subcommand("flow", "The flow the formula gives over a weir at a head.");
    addFlowOptions(*flowCommand, flowOptions);
    GaugeOptions gaugeOptions;
    auto* gaugeCommand = app.add_subcommand("gauge", "A discharge staff gauge for one weir, true to scale (SVG in mm).");
    addGaugeOptions(*gaugeCommand, gaugeOptions);

    SeriesOptions seriesOptions;
    auto* seriesCommand = app.add_subcommand("series", "A level logger's file: the flow at each reading, or each day's volume (--daily).");
    addSeriesOptions(*seriesCommand, seriesOptions);

    std::vector<const char*> argv;
    for (const auto& arg : args) argv.push_back(arg.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& e) {
        const bool informational = dynamic_cast<const CLI::CallForHelp*>(&e) || dynamic_cast<const CLI::CallForAllHelp*>(&e)
                                   || dynamic_cast<const CLI::CallForVersion*>(&e);
        if (informational) {
            std::ostringstream text, errors;
            const int status = app.exit(e, text, errors);
            putText(out, text.str());
            putText(err, errors.str());
            return finish(out, err, status);
        }
        if (app.get_subcommands().empty() && args.size() > 1 && args[1][0] != '-') {
            std::fprintf(err, "vordanel-cli: unknown command '%s' (commands: head, table, batch, flow, gauge, series; see --help)\n",
                         args[1].c_str());
            return Failure;
        }
        // CLI11 lists what it could not place, the rest of the line after it; what was wrong is the first.
        std::string why = e.what();
        if (dynamic_cast<const CLI::ExtrasError*>(&e)) {
            const CLI::App* command = app.get_subcommands().empty() ? &app : app.get_subcommands().back();
            const auto extras = command->remaining();
            if (!extras.empty()) {
                const std::string& first = extras.front();
                why = (first.size() > 1 && first[0] == '-' ? "unknown option '" : "unexpected argument '") + first + "'"
                      + (command == &app ? std::string() : " for " + command->get_name())
                      + (extras.size() > 1 ? " (and " + std::to_string(extras.size() - 1) + " more after it)" : std::string());
            }
        }
        std::fprintf(err, "vordanel-cli: %s (see vordanel-cli --help)\n", why.c_str());
        told.refusal = word(Word::command_unreadable, {why});
        return Failure;
    }

    // Memory runs out at the command's edge as a message, whatever the command held: its output
    // file, if any, was left as it was on the way out.
    try {
        if (*head) return told.command = "head", cli::head(headOptions, out, err);
        if (*table) return told.command = "table", cli::table(tableOptions, out, err, &told.table);
        if (*flowCommand) return told.command = "flow", cli::flow(flowOptions, out, err);
        if (*batch) return told.command = "batch", cli::batch(batchOptions, in, out, err, &told.batch);
        if (*seriesCommand) return told.command = "series", cli::series(seriesOptions, in, out, err, &told.series);
        if (*gaugeCommand) return told.command = "gauge", cli::gauge(gaugeOptions, out, err, &told.refusal);
    } catch (const std::bad_alloc&) {
        std::fprintf(err, "vordanel-cli: %s: out of memory; stopped\n", told.command.c_str());
        told.refusal = word(Word::memory_stopped);
        return Failure;
    } catch (const std::length_error&) {
        std::fprintf(err, "vordanel-cli: %s: out of memory (a text too long to hold); stopped\n", told.command.c_str());
        told.refusal = word(Word::memory_stopped);
        return Failure;
    }
    return Failure;
}

}  // namespace vordanel::cli
