#include "commands.h"

#include "vordanel/version.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    namespace cli = vordanel::cli;

    CLI::App app{"vordanel-cli: the overflow head of a circular weir by the Staus formula (スタウスの式),\n"
                 "solved by bisection exactly as the VORDANEL window solves it. Lengths in mm, flows in L/min,\n"
                 "numbers always with a decimal point. Exit status: 0 answer, 1 no solution, 2 error.",
                 "vordanel-cli"};
    app.set_version_flag("--version", "vordanel-cli " VORDANEL_VERSION);
    app.require_subcommand(1);
    app.footer("Run `vordanel-cli COMMAND --help` for a command's options and an example.");

    std::string diameter, flow, min, max, flows, headMm, file;
    cli::HeadOptions headOptions;

    const auto addWeirOptions = [&](CLI::App* command) {
        command->add_option("-d,--diameter", diameter, "weir diameter (mm)")->required();
    };
    const auto addBracketOptions = [&](CLI::App* command) {
        command->add_option("--min", min, "bracket minimum (mm)")->required();
        command->add_option("--max", max, "bracket maximum (mm)")->required();
    };

    auto* head = app.add_subcommand("head", "The head and trial count the window would show for four entries.");
    addWeirOptions(head);
    head->add_option("-q,--flow", flow, "flow rate (L/min)")->required();
    addBracketOptions(head);
    head->add_flag("--trace", headOptions.trace, "also show the search pass by pass");
    head->add_flag("--json", headOptions.json, "print one JSON object instead of text");
    head->footer("Example:\n"
                 "  $ vordanel-cli head -d 100 -q 40 --min 1 --max 99\n"
                 "  越流高さ(mm) [底部から] 47.1\n"
                 "  Trial回数 12\n"
                 "  $ vordanel-cli head -d 100 -q 40 --min 1 --max 99 --json\n"
                 "  {\"outcome\":\"converged\",\"head_mm\":\"47.1\",\"head_m\":0.04710498046875,\"trials\":12,"
                 "\"above_weir\":false}");

    auto* table = app.add_subcommand("table", "A rating table (CSV) of head against flow for one weir and bracket.");
    addWeirOptions(table);
    addBracketOptions(table);
    table->add_option("--flows", flows, "flows FROM:TO:STEP (L/min)")->required();
    table->footer("Example:\n"
                  "  $ vordanel-cli table -d 100 --min 1 --max 100 --flows 20:60:20\n"
                  "  flow_lpm,head_mm,trials,note\n"
                  "  20,32.49,12,\n"
                  "  40,47.1,13,\n"
                  "  60,58.87,14,");

    auto* batch = app.add_subcommand("batch", "Solve CSV rows diameter_mm,flow_lpm,min_mm,max_mm, streamed row by row.");
    batch->add_option("file", file, "CSV file; standard input when absent or -");
    batch->footer("Example:\n"
                  "  $ printf 'diameter_mm,flow_lpm,min_mm,max_mm\\n100,40,1,99\\n0,40,1,99\\n' | vordanel-cli batch\n"
                  "  diameter_mm,flow_lpm,min_mm,max_mm,head_mm,trials,note\n"
                  "  100,40,1,99,47.1,12,\n"
                  "  0,40,1,99,,,division_by_zero\n"
                  "A header line is recognised and skipped; a failed row is noted and the rest go on.");

    auto* flowCommand = app.add_subcommand("flow", "The flow the formula gives over a weir at a head.");
    addWeirOptions(flowCommand);
    flowCommand->add_option("--head", headMm, "overflow head above the bottom of the opening (mm)")->required();
    flowCommand->footer("Example:\n"
                        "  $ vordanel-cli flow -d 100 --head 50\n"
                        "  流量(L/min) 44.6420714899635");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        if (app.get_subcommands().empty() && argc > 1 && argv[1][0] != '-') {
            std::fprintf(stderr, "vordanel-cli: unknown command '%s' (commands: head, table, batch, flow; see --help)\n", argv[1]);
            return cli::Failure;
        }
        std::fprintf(stderr, "vordanel-cli: %s (see vordanel-cli --help)\n", e.what());
        return cli::Failure;
    }

    if (*head) return cli::head({diameter, flow, min, max}, headOptions, stdout, stderr);
    if (*table) return cli::table(diameter, min, max, flows, stdout, stderr);
    if (*flowCommand) return cli::flow(diameter, headMm, stdout, stderr);
    if (*batch) {
        if (file.empty() || file == "-") return cli::batch(stdin, stdout, stderr);
        std::FILE* in = std::fopen(file.c_str(), "rb");
        if (!in) {
            std::fprintf(stderr, "vordanel-cli: batch: cannot open %s: %s\n", file.c_str(), std::strerror(errno));
            return cli::Failure;
        }
        const int status = cli::batch(in, stdout, stderr);
        std::fclose(in);
        return status;
    }
    return cli::Failure;
}
