#include "commands.h"

#include "vordanel/version.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstring>
#include <sstream>

namespace vordanel::cli {

namespace {

constexpr const char* curveNote =
    "Without --min and --max the head is sought on the rising side of the discharge curve. By this formula\n"
    "a weir passes at most about 6.43 D^1.5 m^3/min, at a head of about 1.49 D: every smaller flow has two\n"
    "heads, one on each side of that peak, and a bracket spanning both answers with either (`head -d 100\n"
    "-q 40 --min 1 --max 250` gives 205.81 mm and names 47.1 mm, the rising-side head, as the other).";

void putText(std::FILE* file, const std::string& text) { std::fwrite(text.data(), 1, text.size(), file); }

}  // namespace

int run(const std::vector<std::string>& args, std::FILE* in, std::FILE* out, std::FILE* err)
{
    CLI::App app{"vordanel-cli: the overflow head of a circular weir by the Staus formula (スタウスの式),\n"
                 "solved by bisection exactly as the VORDANEL window solves it. Lengths in mm, flows in L/min,\n"
                 "numbers always with a decimal point. Exit status: 0 answer, 1 no solution, 2 error.",
                 "vordanel-cli"};
    app.set_version_flag("--version", "vordanel-cli " VORDANEL_VERSION);
    app.require_subcommand(1);
    app.footer(std::string(curveNote) + "\n\nRun `vordanel-cli COMMAND --help` for a command's options and an example.");

    HeadOptions headOptions;
    TableOptions tableOptions;
    FlowOptions flowOptions;
    std::string min, max, file;

    const auto addDiameter = [&](CLI::App* command, std::string& diameter) {
        command->add_option("-d,--diameter", diameter, "weir diameter (mm)")->required();
    };
    const auto addBracket = [&](CLI::App* command) {
        auto* low = command->add_option("--min", min, "bracket minimum (mm); without a bracket, the rising side");
        auto* high = command->add_option("--max", max, "bracket maximum (mm)");
        low->needs(high);
        high->needs(low);
    };

    auto* head = app.add_subcommand("head", "The head and trial count the window would show for four entries.");
    addDiameter(head, headOptions.diameter);
    head->add_option("-q,--flow", headOptions.flow, "flow rate (L/min)")->required();
    addBracket(head);
    head->add_flag("--trace", headOptions.trace, "also show the search pass by pass");
    head->add_flag("--json", headOptions.json, "print one JSON object instead of text");
    head->footer(std::string("Example:\n"
                             "  $ vordanel-cli head -d 100 -q 40 --min 1 --max 99\n"
                             "  越流高さ(mm) [底部から] 47.1\n"
                             "  Trial回数 12\n"
                             "  $ vordanel-cli head -d 100 -q 40 --min 1 --max 99 --json\n"
                             "  {\"outcome\":\"converged\",\"head_mm\":\"47.1\",\"head_m\":0.04710498046875,\"trials\":12,"
                             "\"above_weir\":false,\"tolerance_met\":true}\n\n")
                 + curveNote);

    auto* table = app.add_subcommand("table", "A rating table (CSV) of head against flow for one weir.");
    addDiameter(table, tableOptions.diameter);
    addBracket(table);
    table->add_option("--flows", tableOptions.flows, "flows FROM:TO:STEP (L/min)")->required();
    table->footer("Example:\n"
                  "  $ vordanel-cli table -d 100 --min 1 --max 100 --flows 20:60:20\n"
                  "  flow_lpm,head_mm,trials,note\n"
                  "  20,32.49,12,\n"
                  "  40,47.1,13,\n"
                  "  60,58.87,14,\n"
                  "Notes: above_weir, no_solution, stalled (tolerance not met), two_heads (the bracket holds\n"
                  "both heads of the flow), or the fault; several join with ';'.");

    auto* batch = app.add_subcommand("batch", "Solve CSV rows diameter_mm,flow_lpm[,min_mm,max_mm], streamed row by row.");
    batch->add_option("file", file, "CSV file; standard input when absent or -");
    batch->footer("Example:\n"
                  "  $ printf 'diameter_mm,flow_lpm,min_mm,max_mm\\n100,40,1,99\\n0,40,1,99\\n' | vordanel-cli batch\n"
                  "  diameter_mm,flow_lpm,min_mm,max_mm,head_mm,trials,note\n"
                  "  100,40,1,99,47.1,12,\n"
                  "  0,40,1,99,,,division_by_zero\n"
                  "A header row names the columns, in any order; other columns pass through in their place.\n"
                  "Without one, the first columns are the entries. Rows of two entries are solved on the\n"
                  "rising side. A failed row is noted and the rest go on.");

    auto* flowCommand = app.add_subcommand("flow", "The flow the formula gives over a weir at a head.");
    addDiameter(flowCommand, flowOptions.diameter);
    flowCommand->add_option("--head", flowOptions.head, "overflow head above the bottom of the opening (mm)")->required();
    flowCommand->footer("Example:\n"
                        "  $ vordanel-cli flow -d 100 --head 50\n"
                        "  流量(L/min) 44.6420714899635");

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
            if (std::fflush(out) != 0 || std::ferror(out)) {
                std::fprintf(err, "vordanel-cli: the output could not be written: %s\n", std::strerror(errno));
                return Failure;
            }
            return status;
        }
        if (app.get_subcommands().empty() && args.size() > 1 && args[1][0] != '-') {
            std::fprintf(err, "vordanel-cli: unknown command '%s' (commands: head, table, batch, flow; see --help)\n",
                         args[1].c_str());
            return Failure;
        }
        std::fprintf(err, "vordanel-cli: %s (see vordanel-cli --help)\n", e.what());
        return Failure;
    }

    std::optional<Bracket> bracket;
    if (head->count("--min") > 0 || table->count("--min") > 0) bracket = Bracket{min, max};  // --max comes with it
    if (*head) {
        headOptions.bracket = bracket;
        return cli::head(headOptions, out, err);
    }
    if (*table) {
        tableOptions.bracket = bracket;
        return cli::table(tableOptions, out, err);
    }
    if (*flowCommand) return cli::flow(flowOptions, out, err);
    if (*batch) {
        if (file.empty() || file == "-") return cli::batch(in, out, err);
        std::FILE* input = std::fopen(file.c_str(), "rb");
        if (!input) {
            std::fprintf(err, "vordanel-cli: batch: cannot open %s: %s\n", file.c_str(), std::strerror(errno));
            return Failure;
        }
        const int status = cli::batch(input, out, err);
        std::fclose(input);
        return status;
    }
    return Failure;
}

}  // namespace vordanel::cli
