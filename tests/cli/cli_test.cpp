#include "cli.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <random>
#include <variant>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Run {
    int status;
    std::string out, err;
};

std::string slurp(std::FILE* file)
{
    std::string text;
    std::rewind(file);
    char block[4096];
    for (std::size_t n; (n = std::fread(block, 1, sizeof block, file)) > 0;) text.append(block, n);
    std::fclose(file);
    return text;
}

// Runs a command line in this process, as the program's main would, with the given standard
// input; every run has its own unnamed scratch files, so tests may run side by side.
Run run(const std::vector<std::string>& args, const std::string& input = "")
{
    std::vector<std::string> argv{"vordanel-cli"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::FILE* in = std::tmpfile();
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    std::fwrite(input.data(), 1, input.size(), in);
    std::rewind(in);
    const int status = vordanel::cli::run(argv, in, out, err);
    std::fclose(in);
    return {status, slurp(out), slurp(err)};
}

std::string shellQuoted(const std::string& arg)
{
    std::string q = "'";
    for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs the companion as a process, standard output to `destination` (a scratch file of its own
// when empty), and collects what it wrote.
Run runProcess(const std::vector<std::string>& args, const std::string& destination = "")
{
    char errPath[] = "/tmp/vordanel-cli-err-XXXXXX";
    char outPath[] = "/tmp/vordanel-cli-out-XXXXXX";
    close(mkstemp(errPath));
    close(mkstemp(outPath));
    std::string command = shellQuoted(VORDANEL_CLI);
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on literal + string here.
    for (const auto& arg : args) command.append(" ").append(shellQuoted(arg));
    command.append(" </dev/null >").append(shellQuoted(destination.empty() ? outPath : destination));
    command.append(" 2>").append(errPath);
    const int raw = std::system(command.c_str());
    Run r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(std::fopen(outPath, "rb")), slurp(std::fopen(errPath, "rb"))};
    std::remove(outPath);
    std::remove(errPath);
    return r;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

struct HeadRow {
    const char* name;
    std::vector<std::string> entries;  // diameter, flow[, min, max]
    int status;
    std::string out;
    friend void PrintTo(const HeadRow& r, std::ostream* os) { *os << r.name; }
};

std::vector<std::string> headArgs(const std::vector<std::string>& entries, std::vector<std::string> args = {"head"})
{
    args.insert(args.end(), {"-d", entries[0], "-q", entries[1]});
    if (entries.size() == 4) args.insert(args.end(), {"--min", entries[2], "--max", entries[3]});
    return args;
}

// One row per kind of answer the companion words (the worked runs themselves are the core's).
class HeadCommand : public testing::TestWithParam<HeadRow> {};

TEST_P(HeadCommand, SaysWhatTheWindowWouldShow)
{
    const auto& row = GetParam();
    const auto r = run(headArgs(row.entries));
    EXPECT_EQ(r.status, row.status) << r.err;
    EXPECT_EQ(r.out, row.out);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, HeadCommand,
    testing::Values(
        HeadRow{"Weir100", {"100", "40", "1", "99"}, 0, "越流高さ(mm) [底部から] 47.1\nTrial回数 12\n"},
        HeadRow{"AboveWeir", {"50", "60", "1", "70"}, 0,
                "越流高さ(mm) [底部から] 57.26\nTrial回数 10\n流量過大のため堰の範囲を越えています。\n"},
        HeadRow{"NoSignChange", {"100", "40", "60", "99"}, 1, "解がありません、挟み込み範囲を変更して下さい。\n"},
        HeadRow{"FullWidth", {"１００", "４０", "１", "９９"}, 0, "越流高さ(mm) [底部から] 47.1\nTrial回数 12\n"},
        HeadRow{"EmptyEntry", {"100", "40", "", "99"}, 2, ""},
        HeadRow{"ZeroMinimum", {"100", "40", "0", "99"}, 2, ""},
        HeadRow{"RisingSideWithoutABracket", {"100", "40"}, 0, "越流高さ(mm) [底部から] 47.1\nTrial回数 11\n"},
        HeadRow{"BracketHoldingBothHeads", {"100", "40", "1", "250"}, 0,
                "越流高さ(mm) [底部から] 205.81\nTrial回数 15\n流量過大のため堰の範囲を越えています。\n"
                "This bracket holds two heads, one on each side of the curve's peak at 149.09 mm; the other is 47.1 mm.\n"},
        HeadRow{"FlowAboveThePeak", {"100", "250"}, 1,
                "No head: the flow is above the greatest there is (a 100 mm weir passes at most 203.26 L/min by this "
                "formula, at a head of 149.09 mm).\n"},
        HeadRow{"NoFlow", {"100", "0"}, 1,
                "No head: a flow of zero or less has none (a 100 mm weir passes at most 203.26 L/min by this formula, "
                "at a head of 149.09 mm).\n"},
        HeadRow{"ToleranceOutOfReach", {"1e10", "1e14", "1", "1e10"}, 0,
                "越流高さ(mm) [底部から] 7921394581.05\nTrial回数 54\nThe search stopped between two adjacent doubles "
                "without meeting its tolerance (0.01 L/min): the head is as close as double precision gets.\n"}),
    [](const auto& info) { return std::string(info.param.name); });

struct JsonRow {
    const char* name;
    std::vector<std::string> entries;
    int status;
    std::string json;
    std::string stderrMentions;
    friend void PrintTo(const JsonRow& r, std::ostream* os) { *os << r.name; }
};

class HeadJson : public testing::TestWithParam<JsonRow> {};

TEST_P(HeadJson, PrintsOneObject)
{
    const auto& row = GetParam();
    const auto r = run(headArgs(row.entries, {"head", "--json"}));
    EXPECT_EQ(r.status, row.status);
    EXPECT_EQ(r.out, row.json + "\n");
    EXPECT_NE(r.err.find(row.stderrMentions), std::string::npos) << r.err;
    EXPECT_EQ(lines(r.err).size(), row.stderrMentions.empty() ? 0u : 1u) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cli, HeadJson,
    testing::Values(
        JsonRow{"Converged", {"100", "40", "1", "99"}, 0,
                R"({"outcome":"converged","head_mm":"47.1","head_m":0.04710498046875,"trials":12,"above_weir":false,"tolerance_met":true})", ""},
        JsonRow{"AboveWeir", {"50", "60", "1", "70"}, 0,
                R"({"outcome":"converged","head_mm":"57.26","head_m":0.057264648437499996,"trials":10,"above_weir":true,"tolerance_met":true})", ""},
        JsonRow{"NoSolution", {"100", "40", "60", "99"}, 1, R"({"outcome":"no_solution"})", ""},
        JsonRow{"ZeroMinimum", {"100", "40", "0", "99"}, 2,
                R"({"outcome":"fault","kind":"division_by_zero","input":"min"})", "--min: division by zero"},
        JsonRow{"LettersForDiameter", {"abc", "40", "1", "99"}, 2,
                R"({"outcome":"fault","kind":"not_a_number","input":"diameter"})", "--diameter: not a number"},
        JsonRow{"FlowBeyondRange", {"100", "1e400", "1", "99"}, 2,
                R"({"outcome":"fault","kind":"overflow","input":"flow"})", "--flow: overflow"},
        JsonRow{"NegativeMaximum", {"100", "40", "1", "-5"}, 2,
                R"({"outcome":"fault","kind":"invalid_argument","input":"max"})", "--max: invalid argument"},
        JsonRow{"ZeroDiameter", {"0", "40", "1", "99"}, 2,
                R"({"outcome":"fault","kind":"division_by_zero","input":"diameter"})", "--diameter: division by zero"},
        JsonRow{"HugeDiameterIsBlamed", {"1e300", "40", "1", "99"}, 2,
                R"({"outcome":"fault","kind":"overflow","input":"diameter"})", "--diameter: overflow"},
        JsonRow{"OtherHead", {"100", "40", "1", "250"}, 0,
                R"({"outcome":"converged","head_mm":"205.81","head_m":0.20581253051757814,"trials":15,"above_weir":true,"tolerance_met":true,"other_head_mm":"47.1","other_side":"rising"})", ""},
        JsonRow{"Stalled", {"1e10", "1e14", "1", "1e10"}, 0,
                R"({"outcome":"converged","head_mm":"7921394581.05","head_m":7921394.5810532775,"trials":54,"above_weir":false,"tolerance_met":false})", ""},
        JsonRow{"WeirBeyondTheRangeInLitresPerMinute", {"1e207", "0"}, 2,
                R"({"outcome":"fault","kind":"overflow","input":"diameter"})", "--diameter: overflow"},
        JsonRow{"NoHeadGivesThePeak", {"100", "250"}, 1,
                R"({"outcome":"no_solution","why_no_head":"above_peak","max_flow_lpm":203.25554418536007,"peak_head_mm":149.09007122794466})", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cli, HeadMetresReadBackToTheSearchedMidpoint)
{
    const auto r = run({"head", "--json", "-d", "200", "-q", "100", "--min", "10", "--max", "150"});
    const auto at = r.out.find("\"head_m\":");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(std::strtod(r.out.c_str() + at + 9, nullptr), 0.08811767578125);
}

TEST(Cli, TraceShowsEveryPassAndEndsOnTheAcceptedOne)
{
    const auto r = run({"head", "--trace", "-d", "100", "-q", "40", "--min", "1", "--max", "99"});
    ASSERT_EQ(r.status, 0);
    const auto out = lines(r.out);
    ASSERT_EQ(out.size(), 1u + 12u + 2u);  // column heads, 12 passes, head and trials
    EXPECT_NE(out[1].find("0.05 "), std::string::npos) << out[1];
    EXPECT_NE(out[1].find("xHigh = xMid"), std::string::npos) << out[1];
    EXPECT_NE(out[2].find("xLow = xMid"), std::string::npos) << out[2];
    EXPECT_NE(out[12].find("converged"), std::string::npos) << out[12];

    const auto json = run({"head", "--trace", "--json", "-d", "100", "-q", "40", "--min", "1", "--max", "99"});
    std::size_t passes = 0;
    for (std::size_t at = 0; (at = json.out.find("{\"pass\":", at)) != std::string::npos; ++at) ++passes;
    EXPECT_EQ(passes, 12u);
}

TEST(Cli, TableRowsAgreeWithTheHeadCommand)
{
    const auto r = run({"table", "-d", "100", "--min", "1", "--max", "100", "--flows", "20:160:20"});
    EXPECT_EQ(r.status, 1);  // 160 L/min lies beyond the bracket
    const auto rows = lines(r.out);
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows[0], "flow_lpm,head_mm,trials,note");
    EXPECT_EQ(rows[8], "160,,,no_solution");
    for (std::size_t i = 1; i < 8; ++i) {
        const std::string flow = std::to_string(20 * i);
        const auto one = run({"head", "-d", "100", "-q", flow, "--min", "1", "--max", "100"});
        const auto shown = lines(one.out);
        ASSERT_EQ(shown.size(), 2u) << flow;
        const std::string head = shown[0].substr(shown[0].rfind(' ') + 1);
        const std::string trials = shown[1].substr(shown[1].rfind(' ') + 1);
        EXPECT_EQ(rows[i], flow + "," + head + "," + trials + ",");
    }
}

// Flows within a few ulps of where a pass's residual meets the tolerance: each and its 15-digit
// print converge on different passes, so only a row solved as printed agrees with the head
// command given the printed flow.
TEST(Cli, TableFlowsAreSolvedAsPrinted)
{
    const auto headRow = [](const std::string& flow) {
        const auto shown = lines(run({"head", "-d", "100", "-q", flow, "--min", "1", "--max", "100"}).out);
        if (shown.size() != 2) return std::string("no head");
        return shown[0].substr(shown[0].rfind(' ') + 1) + "," + shown[1].substr(shown[1].rfind(' ') + 1);
    };
    struct Row { const char* name; std::string flow; };
    for (const auto& row : {Row{"printed converges a pass sooner", "39.99722595430053"},
                            Row{"printed converges a pass later", "39.977225954300536"}}) {
        SCOPED_TRACE(row.name);
        const auto rows = lines(run({"table", "-d", "100", "--min", "1", "--max", "100", "--flows", row.flow + ":" + row.flow + ":1"}).out);
        ASSERT_EQ(rows.size(), 2u);
        const std::string printed = rows[1].substr(0, rows[1].find(','));
        ASSERT_NE(headRow(printed), headRow(row.flow)) << "this flow no longer tells the two apart";
        EXPECT_EQ(rows[1], printed + "," + headRow(printed) + ",");
    }
}

TEST(Cli, BatchNotesEveryFailedRowAndGoesOn)
{
    const std::string input =
        "diameter_mm,flow_lpm,min_mm,max_mm\r\n"
        "100,40,1,99\r\n"
        "50,60,1,70\n"
        "100,,1,99\n"
        "100,forty,1,99\n"
        "0,40,1,99\n"
        "\n"
        "100,143,1,100\n"
        "100,40,1\n"
        "\"200\",100,10,150\n";
    const auto r = run({"batch"}, input);
    EXPECT_EQ(r.status, 2);
    // The output keeps the first record's line end, and the quotes the file had.
    EXPECT_EQ(r.out,
              "diameter_mm,flow_lpm,min_mm,max_mm,head_mm,trials,note\r\n"
              "100,40,1,99,47.1,12,\r\n"
              "50,60,1,70,57.26,10,above_weir\r\n"
              "100,,1,99,,,empty_entry\r\n"
              "100,forty,1,99,,,not_a_number:flow_lpm\r\n"
              "0,40,1,99,,,division_by_zero:diameter_mm\r\n"
              ",,,,,,empty_entry\r\n"
              "100,143,1,100,,,no_solution\r\n"
              "100,40,1,,,,empty_entry\r\n"
              "\"200\",100,10,150,88.12,13,\r\n");
    EXPECT_NE(r.err.find("5 row(s) failed (division_by_zero: 1, empty_entry: 3, not_a_number: 1)"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("1 row(s) without a head (no_solution: 1)"), std::string::npos) << r.err;
}

TEST(Cli, BatchReadsAFileAndExitsOnTheWorstRow)
{
    char path[] = "/tmp/vordanel-rows-XXXXXX";
    const int fd = mkstemp(path);
    const std::string rows = "100,40,1,99\n100,40,60,99\n";
    ASSERT_EQ(write(fd, rows.data(), rows.size()), static_cast<ssize_t>(rows.size()));
    close(fd);
    const auto r = run({"batch", path});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(lines(r.out).size(), 3u);
    std::remove(path);
    EXPECT_EQ(run({"batch", std::string(path) + "-missing"}).status, 2);
}

double jsonNumber(const std::string& json, const std::string& key)
{
    const auto at = json.find("\"" + key + "\":");
    return at == std::string::npos ? NAN : std::strtod(json.c_str() + at + key.size() + 3, nullptr);
}

TEST(Cli, FlowIsTheFormulasToTheSearchsResolutionInEveryUnit)
{
    // The formula's flow over a 100 mm weir, worked out apart from this code (L/min): one head of
    // each kind of answer, rising, above the weir and on the falling side.
    struct { double head, litres; const char* side; bool aboveWeir; } heads[] = {
        {50, 44.642071489963, "rising", false}, {120, 178.504094128945, "rising", true}, {180, 161.571760214415, "falling", true}};
    for (const vordanel::FlowUnit flowUnit : vordanel::flowUnits) {
        const std::string unit = vordanel::names(flowUnit).name, key = vordanel::names(flowUnit).key;
        const double litres = vordanel::toLitresPerMinute(1, flowUnit);  // each unit's factor is held to its name in the core
        for (const auto& [head, worked, side, aboveWeir] : heads) {
            const std::string what = unit + " at " + std::to_string(head);
            const double expected = worked / litres;
            const auto text = run({"flow", "-d", "100", "--head", std::to_string(head), "--flow-unit", unit});
            ASSERT_EQ(text.status, 0) << what << text.err;
            // To 0.01 L/min: the last place printed resolves it, and the one before would not.
            const std::string number = lines(text.out)[0].substr(lines(text.out)[0].rfind(' ') + 1);
            const auto point = number.find('.');
            const int places = point == std::string::npos ? 0 : static_cast<int>(number.size() - point - 1);
            const int needed = static_cast<int>(std::ceil(std::log10(litres / 0.01) - 1e-9));
            EXPECT_LE(places, std::max(needed, 0)) << what << ": " << number;
            EXPECT_NEAR(std::stod(number), expected, 0.5 * std::pow(10.0, -needed) * (1 + 1e-9)) << what;
            EXPECT_EQ(lines(text.out).size(), 1u + aboveWeir + (std::string(side) == "falling")) << what << text.out;

            const auto json = run({"flow", "-d", "100", "--head", std::to_string(head), "--flow-unit", unit, "--json"});
            EXPECT_NEAR(jsonNumber(json.out, "flow_" + key), expected, expected * 1e-12) << what << json.out;
            EXPECT_NE(json.out.find(std::string("\"side\":\"") + side + "\""), std::string::npos) << what << json.out;
            EXPECT_NE(json.out.find(std::string("\"above_weir\":") + (aboveWeir ? "true" : "false")), std::string::npos) << json.out;
        }
    }
    const auto none = run({"flow", "-d", "100", "--head", "250", "--json"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out.rfind(R"({"outcome":"no_flow","side":"falling")", 0), 0u) << none.out;
}

struct StatusRow {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string outMentions;
    friend void PrintTo(const StatusRow& r, std::ostream* os) { *os << r.name; }
};

class ExitStatus : public testing::TestWithParam<StatusRow> {};

TEST_P(ExitStatus, TellsWhatHappened)
{
    const auto& row = GetParam();
    const auto r = runProcess(row.args);
    EXPECT_EQ(r.status, row.status) << r.out << r.err;
    EXPECT_NE((r.out + r.err).find(row.outMentions), std::string::npos) << r.out << r.err;
    if (row.status == 2) {
        EXPECT_EQ(lines(r.err).size(), 1u) << r.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cli, ExitStatus,
    testing::Values(StatusRow{"Version", {"--version"}, 0, "vordanel-cli 1.00"},
                    StatusRow{"Help", {"--help"}, 0, "head"},
                    StatusRow{"HeadHelpHasAnExample", {"head", "--help"}, 0, "Example"},
                    StatusRow{"GaugeHelpSaysItIsTrueToScale", {"gauge", "--help"}, 0, "true to scale"},
                    StatusRow{"GaugeStepTooFine", {"gauge", "-d", "100", "--step", "1e-6"}, 2, "more than 1000 marks"},
                    StatusRow{"NoCommand", {}, 2, "subcommand"},
                    StatusRow{"MissingOption", {"head", "-d", "100"}, 2, "--flow"},
                    StatusRow{"UnknownCommand", {"weir"}, 2, "weir"},
                    StatusRow{"FlowsNotThreeNumbers", {"table", "-d", "100", "--min", "1", "--max", "99", "--flows", "1:2"}, 2, "--flows"},
                    StatusRow{"FlowsZeroStep", {"table", "-d", "100", "--min", "1", "--max", "99", "--flows", "1:2:0"}, 2, "step"},
                    StatusRow{"FlowsEndless", {"table", "-d", "100", "--min", "1", "--max", "99", "--flows", "1:2:1e-300"}, 2, "too many"},
                    StatusRow{"TableDiameterNotANumber", {"table", "-d", "x", "--min", "1", "--max", "99", "--flows", "1:2:1"}, 2, "--diameter"},
                    StatusRow{"FlowZeroHeadIsNoFlow", {"flow", "-d", "100", "--head", "0"}, 0, "流量(L/min) 0\n"},
                    StatusRow{"TableFromZeroHead", {"table", "-d", "100", "--heads", "0:10:5"}, 0, "head_mm,flow_lpm,note\n0,0,\n5,"},
                    StatusRow{"ZeroBracketEndStillDividesByZero", {"head", "-d", "100", "-q", "40", "--min", "0", "--max", "99"}, 2, "--min: division by zero"},
                    StatusRow{"HugeWeirEnds", {"head", "-d", "1e10", "-q", "1e14", "--min", "1", "--max", "1e10"}, 0, "Trial回数"},
                    StatusRow{"HalfABracket", {"head", "-d", "100", "-q", "40", "--min", "1"}, 2, "--min requires --max"},
                    StatusRow{"HeadBeyondTheCurvesZero", {"flow", "-d", "100", "--head", "250"}, 1, "gives no flow"},
                    StatusRow{"FlowBlamesAHugeDiameter", {"flow", "-d", "1e300", "--head", "50"}, 2, "--diameter: overflow"},
                    StatusRow{"TableSaysItsRowsFailed", {"table", "-d", "0", "--flows", "1:3:1"}, 2,
                              "3 row(s) failed (division_by_zero: 3), the first with --diameter: division by zero"},
                    StatusRow{"EmptyBatchSaysSo", {"batch", "/dev/null"}, 2, "is empty: no header and no rows"}),
    [](const auto& info) { return std::string(info.param.name); });

// A table that cannot be made is blamed on the entry at fault, where there is one, as the page
// names it; a fault of the steps or of the options together names none.
struct PlanFaultRow {
    const char* name;
    std::string diameter, min, max, flows, heads, gaugeZero;
    std::optional<vordanel::Input> input;
};
class TablePlanFault : public testing::TestWithParam<PlanFaultRow> {};

TEST_P(TablePlanFault, NamesTheEntryAtFault)
{
    const PlanFaultRow& row = GetParam();
    vordanel::cli::TableOptions options;
    options.diameter = row.diameter;
    if (!row.min.empty() || !row.max.empty()) options.bracket = vordanel::cli::Bracket{row.min, row.max};
    options.flows = row.flows;
    options.heads = row.heads;
    options.gaugeZero = row.gaugeZero;
    const auto planned = vordanel::cli::planTable(options);
    const auto* fault = std::get_if<vordanel::cli::TableFault>(&planned);
    ASSERT_NE(fault, nullptr);
    EXPECT_EQ(fault->input, row.input);
    EXPECT_FALSE(fault->english.empty());
    EXPECT_FALSE(fault->japanese.empty());
}

using vordanel::Input;
INSTANTIATE_TEST_SUITE_P(
    Cli, TablePlanFault,
    testing::Values(PlanFaultRow{"Diameter", "abc", "1", "99", "1:2:1", "", "", Input::Diameter},
                    PlanFaultRow{"Min", "100", "x", "99", "1:2:1", "", "", Input::Min},
                    PlanFaultRow{"Max", "100", "1", "1e999", "1:2:1", "", "", Input::Max},
                    PlanFaultRow{"GaugeZeroNotANumber", "100", "", "", "", "150:160:5", "abc", Input::GaugeZero},
                    PlanFaultRow{"GaugeZeroWithFlows", "100", "", "", "1:2:1", "", "100", Input::GaugeZero},
                    PlanFaultRow{"OneBracketEndBlank", "100", "1", " ", "1:2:1", "", "", std::nullopt},
                    PlanFaultRow{"StepsNotThree", "100", "", "", "", "1:2", "", std::nullopt},
                    PlanFaultRow{"FlowsAndHeads", "100", "", "", "1:2:1", "1:2:1", "", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// A batch row is solved as the window solves its entries, in the sheet's decimal separator; a row
// that could not be read gets no calculation; a fault names the entry, and a bracket holding both
// heads says so.
struct BatchAnswerRow {
    const char* name;
    std::array<std::string, 4> entries;
    char decimal;
    bool malformed;
    std::optional<vordanel::Calculation::Outcome> outcome;  // none: no calculation
    std::optional<vordanel::Input> faultInput;
    bool twoHeads;
    friend void PrintTo(const BatchAnswerRow& r, std::ostream* os) { *os << r.name; }
};
class BatchRowAnswer : public testing::TestWithParam<BatchAnswerRow> {};

TEST_P(BatchRowAnswer, SolvesTheRowsEntries)
{
    const BatchAnswerRow& r = GetParam();
    vordanel::cli::BatchRow row;
    row.entries = r.entries;
    row.malformed = r.malformed;
    const auto answer = vordanel::cli::solveBatchRow(row, vordanel::cli::positionalColumns(), r.decimal);
    ASSERT_EQ(answer.calculation.has_value(), r.outcome.has_value());
    if (!r.outcome) {
        EXPECT_EQ(answer.unread, vordanel::Note::MalformedRow);
        return;
    }
    EXPECT_EQ(answer.calculation->outcome, *r.outcome);
    EXPECT_EQ(answer.calculation->faultInput, r.faultInput);
    EXPECT_EQ(answer.twoHeads, r.twoHeads);
}

using Outcome = vordanel::Calculation::Outcome;
INSTANTIATE_TEST_SUITE_P(
    Cli, BatchRowAnswer,
    testing::Values(BatchAnswerRow{"RisingSide", {"100", "40", "", ""}, '.', false, Outcome::Converged, std::nullopt, false},
                    BatchAnswerRow{"CommaDecimal", {"100", "40,5", "", ""}, ',', false, Outcome::Converged, std::nullopt, false},
                    BatchAnswerRow{"PointUnderACommaDecimal", {"100", "40.5", "", ""}, ',', false, Outcome::Fault, vordanel::Input::Flow, false},
                    BatchAnswerRow{"BracketHoldingBothHeads", {"100", "40", "1", "250"}, '.', false, Outcome::Converged, std::nullopt, true},
                    BatchAnswerRow{"MaxNotANumber", {"100", "40", "1", "x"}, '.', false, Outcome::Fault, vordanel::Input::Max, false},
                    BatchAnswerRow{"Malformed", {"100", "40", "", ""}, '.', true, std::nullopt, std::nullopt, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cli, TableWithoutABracketSolvesTheRisingSideAndNotesJoin)
{
    const auto rising = run({"table", "-d", "100", "--flows", "40:240:100"});
    EXPECT_EQ(rising.status, 1);
    EXPECT_EQ(rising.out, "flow_lpm,head_mm,trials,note\n40,47.1,11,\n140,98.62,13,\n240,,,above_peak\n");

    const auto both = run({"table", "-d", "100", "--min", "1", "--max", "250", "--flows", "40:240:100"});
    EXPECT_EQ(both.out, "flow_lpm,head_mm,trials,note\n40,205.81,15,above_weir;two_heads\n"
                        "140,186.44,15,above_weir;two_heads\n240,,,no_solution\n");
}

struct CsvRow {
    const char* name;
    std::string input, output;
    int status;
    std::vector<std::string> options = {};
    friend void PrintTo(const CsvRow& r, std::ostream* os) { *os << r.name; }
};

class BatchCsv : public testing::TestWithParam<CsvRow> {};

TEST_P(BatchCsv, ReadsCsvAsSpreadsheetsWriteIt)
{
    const auto& row = GetParam();
    std::vector<std::string> args{"batch"};
    args.insert(args.end(), row.options.begin(), row.options.end());
    const auto r = run(args, row.input);
    EXPECT_EQ(r.out, row.output);
    EXPECT_EQ(r.status, row.status) << r.err;
}

const std::string header = "diameter_mm,flow_lpm,min_mm,max_mm,head_mm,trials,note\n";
INSTANTIATE_TEST_SUITE_P(
    Cli, BatchCsv,
    testing::Values(
        CsvRow{"ByteOrderMarkBeforeAHeader", "\xEF\xBB\xBF" "diameter_mm,flow_lpm,min_mm,max_mm\n100,40,1,99\n",
               "\xEF\xBB\xBF" + header + "100,40,1,99,47.1,12,\n", 0},
        CsvRow{"ByteOrderMarkBeforeARow", "\xEF\xBB\xBF" "100,40,1,99\n", "\xEF\xBB\xBF" + header + "100,40,1,99,47.1,12,\n", 0},
        CsvRow{"TrailingEmptyColumn", "100,40,1,99,\n100,40,\n", header + "100,40,1,99,47.1,12,\n100,40,,,47.1,11,\n", 0},
        CsvRow{"BlankLinesKeepTheirPlace", "100,40,1,99\n\n100,40,1,99\n",
               header + "100,40,1,99,47.1,12,\n,,,,,,empty_entry\n100,40,1,99,47.1,12,\n", 2},
        CsvRow{"LoneCarriageReturnsEndLines", "100,40,1,99\r50,60,1,70\r",
               "diameter_mm,flow_lpm,min_mm,max_mm,head_mm,trials,note\r100,40,1,99,47.1,12,\r50,60,1,70,57.26,10,above_weir\r", 0},
        CsvRow{"HeaderColumnsByNameWithOthersPassingThrough",
               "id,max_mm,flow_lpm,date,diameter_mm,min_mm\nA,99,40,2026-12-08,100,1\n\"B, east\",250,40,,100,1\n",
               "id,max_mm,flow_lpm,date,diameter_mm,min_mm,head_mm,trials,note\nA,99,40,2026-12-08,100,1,47.1,12,\n"
               "\"B, east\",250,40,,100,1,205.81,15,above_weir;two_heads\n", 0},
        CsvRow{"HeaderWithoutABracket", "site,diameter_mm,flow_lpm\nweir 1,100,40\nweir 2,100,250\n",
               "site,diameter_mm,flow_lpm,head_mm,trials,note\nweir 1,100,40,47.1,11,\nweir 2,100,250,,,above_peak\n", 1},
        CsvRow{"HeaderRowOfTheWrongWidth", "diameter_mm,flow_lpm\n100,40,1\n",
               "diameter_mm,flow_lpm,head_mm,trials,note\n100,40,,,malformed_row,1\n", 2},
        CsvRow{"HeaderWithoutADiameter", "flow_lpm,min_mm,max_mm\n40,1,99\n", "", 2},
        CsvRow{"ToleranceOutOfReachIsNoted", "1e10,1e14,1,1e10\n", header + "1e10,1e14,1,1e10,7921394581.05,54,stalled\n", 0},
        CsvRow{"ColumnsAfterTheEntriesFollowTheResults", "100,40,1,99,site A\n",
               "diameter_mm,flow_lpm,min_mm,max_mm,head_mm,trials,note,column_5\n100,40,1,99,47.1,12,,site A\n", 0},
        CsvRow{"LineBreaksInsideQuotesStayInTheirCell",
               "diameter_mm,flow_lpm,min_mm,max_mm,notes\n100,40,1,99,\"line one\r\nline two\rthree\"\n50,60,1,70,x\n",
               "diameter_mm,flow_lpm,min_mm,max_mm,notes,head_mm,trials,note\n"
               "100,40,1,99,\"line one\r\nline two\rthree\",47.1,12,\n50,60,1,70,x,57.26,10,above_weir\n", 0},
        CsvRow{"QuoteInsideAnUnquotedCellIsOrdinary", "100,40,1,99,5\" pipe\n",
               "diameter_mm,flow_lpm,min_mm,max_mm,head_mm,trials,note,column_5\n100,40,1,99,47.1,12,,\"5\"\" pipe\"\n", 0},
        CsvRow{"QuoteOpenAtTheEndIsAMalformedRow", "100,40,1,99\n100,40,1,\"99\n",
               header + "100,40,1,99,47.1,12,\n100,40,1,\"99\n\",,,malformed_row\n", 2},
        CsvRow{"SemicolonsWithDecimalCommas", "diameter_mm;flow_lpm;min_mm;max_mm\n100;40,0;1;99\n50;60;1;70\n",
               "diameter_mm;flow_lpm;min_mm;max_mm;head_mm;trials;note\n100;40,0;1;99;47,1;12;\n50;60;1;70;57,26;10;above_weir\n", 0},
        CsvRow{"InchMarkInTheFirstLineOpensNoQuote", "Pipe 6\" main;100;40;1;99\n",
               "diameter_mm;flow_lpm;min_mm;max_mm;head_mm;trials;note;column_5\n\"Pipe 6\"\" main\";100;40;1;;;not_a_number:diameter_mm;99\n", 2},
        CsvRow{"SemicolonsShowingNoDecimalReadCommas", "100;40;1;99\n",
               "diameter_mm;flow_lpm;min_mm;max_mm;head_mm;trials;note\n100;40;1;99;47,1;12;\n", 0},
        CsvRow{"SemicolonsWithDecimalPointsNeverGroupDigits", "100;40.50;1;99\n100;1,200;1;99\n",
               "diameter_mm;flow_lpm;min_mm;max_mm;head_mm;trials;note\n100;40.50;1;99;47.42;10;\n"
               "100;1,200;1;99;;;not_a_number:flow_lpm\n", 2},
        CsvRow{"DecimalCommaSettledPastAPossibleGroup", "100;1.200;1;99\n100;40,5;1;99\n",
               "diameter_mm;flow_lpm;min_mm;max_mm;head_mm;trials;note\n100;1.200;1;99;;;not_a_number:flow_lpm\n"
               "100;40,5;1;99;47,42;10;\n", 2},
        CsvRow{"TabsWithDecimalPoints", "site\tdiameter_mm\tflow_lpm\nA\t100\t40.5\n",
               "site\tdiameter_mm\tflow_lpm\thead_mm\ttrials\tnote\nA\t100\t40.5\t47.42\t14\t\n", 0},
        CsvRow{"SeparatorsGivenOverrideTheFile", "100\t40,5\n",
               "diameter_mm\tflow_lpm\tmin_mm\tmax_mm\thead_mm\ttrials\tnote\n100\t40,5\t\t\t47,42\t14\t\n", 0,
               {"--separator", "tab", "--decimal", ","}},
        CsvRow{"EmptyOrMissingBracketCellsSolveTheRisingSide", "diameter_mm,flow_lpm,min_mm,max_mm\n150,80,,\n150,80\n150,80,1,\n",
               header + "150,80,,,73.99,14,\n150,80,,,73.99,14,\n150,80,1,,,,empty_entry\n", 2},
        CsvRow{"ResultsFedBackAreRefreshedInPlace", header + "100,40,1,99,1,1,stale\n", header + "100,40,1,99,47.1,12,\n", 0},
        CsvRow{"AColumnOfTheUsersCalledNotePassesThrough", "diameter_mm,flow_lpm,note\n100,40,ok\n",
               "diameter_mm,flow_lpm,note,head_mm,trials,note\n100,40,ok,47.1,11,\n", 0},
        CsvRow{"TitleLinesAboveTheHeaderPassThrough",
               "沈殿池流出堰 改良工事\n件名,2026-12-09\n\ndiameter_mm,flow_lpm,min_mm,max_mm\n100,40,1,99\n",
               "沈殿池流出堰 改良工事\n件名,2026-12-09\n\n" + header + "100,40,1,99,47.1,12,\n", 0},
        CsvRow{"ATitleDoesNotSettleTheSeparator", "Weir survey\ndiameter_mm;flow_lpm\n100;40,5\n",
               "Weir survey\ndiameter_mm;flow_lpm;head_mm;trials;note\n100;40,5;47,42;14;\n", 0},
        CsvRow{"ATitleWithNoHeaderUnderItIsRefused", "沈殿池流出堰\n100,40,1,99\n", "", 2},
        CsvRow{"AFirstRowWithATypoIsStillARow", "abc,40,1,99\n100,40,1,99\n",
               header + "abc,40,1,99,,,not_a_number:diameter_mm\n100,40,1,99,47.1,12,\n", 2},
        CsvRow{"ShiftJisCellsKeepTheirBytes", "site,diameter_mm,flow_lpm\n\x96\x6B\x8A\x43\x93\xB9,100,40\n",
               "site,diameter_mm,flow_lpm,head_mm,trials,note\n\x96\x6B\x8A\x43\x93\xB9,100,40,47.1,11,\n", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cli, BatchHeaderWithoutEntriesNamesTheSeparatorAndTheColumnsFound)
{
    const auto r = run({"batch"}, "Durchmesser;Durchfluss\n100;40\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("'Durchmesser', 'Durchfluss'"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("separator ';'"), std::string::npos) << r.err;
}

// Sheets of rows of any width, with and without a header, quoted cells and empty ones: each
// result, fed back, comes out byte for byte as it went in, and each is bounded by its input (no
// row is padded out to a run of empty cells it never had).
TEST(Cli, AnySheetsResultFedBackComesOutUnchangedAndBounded)
{
    std::mt19937 random(20261209);
    const std::vector<std::string> cells = {"100", "40", "1", "99", "250", "", "x", "\"a,b\"", "0", "1e300", "５０", "site"};
    const std::vector<std::string> headers = {"", "diameter_mm,flow_lpm\n", "diameter_mm,flow_lpm,min_mm,max_mm,site\n",
                                              "id,diameter_mm,flow_lpm,,\n"};
    for (int sheet = 0; sheet < 400; ++sheet) {
        std::string input = headers[random() % headers.size()];
        for (int r = 0, rows = 1 + random() % 6; r < rows; ++r) {
            const int width = 1 + random() % 8;
            for (int k = 0; k < width; ++k) input += (k ? "," : "") + cells[random() % cells.size()];
            if (random() % 8 == 0) input += std::string(random() % 2000, ',');  // a run of empty cells
            input += "\n";
        }
        const auto first = run({"batch"}, input);
        if (first.status == 2 && first.out.empty()) continue;  // refused whole, as a header it cannot read
        EXPECT_EQ(run({"batch"}, first.out).out, first.out) << input;
        EXPECT_LE(first.out.size(), 2 * input.size() + 64 * (1 + std::count(input.begin(), input.end(), '\n'))) << input;
    }
}

TEST(Cli, BatchResultsFedBackInComeOutUnchanged)
{
    for (const std::string input : {"100,40,1,99\n50,60,1,70\n,,,\n", "diameter_mm;flow_lpm\n100;40,5\n100;x\n",
                                     "site,diameter_mm,flow_lpm,min_mm,max_mm\n\"a\nb\",100,40,1,250\n",
                                     "Weir survey 3\n\ndiameter_mm,flow_lpm\n100,40\n"}) {
        const auto first = run({"batch"}, input);
        EXPECT_EQ(run({"batch"}, first.out).out, first.out) << input;
    }
}

struct LostRow {
    const char* name;
    std::vector<std::string> args;
    friend void PrintTo(const LostRow& r, std::ostream* os) { *os << r.name; }
};

class LostOutput : public testing::TestWithParam<LostRow> {};

TEST_P(LostOutput, IsAFailureWithOneLine)
{
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    std::FILE* in = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const std::string rows = "100,40,1,99\n";
    std::fwrite(rows.data(), 1, rows.size(), in);
    std::rewind(in);
    std::vector<std::string> argv{"vordanel-cli"};
    argv.insert(argv.end(), GetParam().args.begin(), GetParam().args.end());
    vordanel::cli::Reports reports;
    const int status = vordanel::cli::run(argv, in, full, err, &reports);
    std::fclose(full);
    const std::string said = slurp(err);
    EXPECT_EQ(status, 2);
    EXPECT_NE(said.find("could not be written"), std::string::npos) << said;
    EXPECT_EQ(lines(said).size(), 1u) << said;
    // The page shows no result of a run that stopped, whatever rows it wrote; the same run whole does.
    const auto whole = [&reports] { return reports.table.counts.whole || reports.batch.whole; };
    EXPECT_FALSE(whole());
    if (argv[1] == "table" || argv[1] == "batch") {
        std::rewind(in);
        std::FILE *out = std::tmpfile(), *again = std::tmpfile();
        vordanel::cli::run(argv, in, out, again, &reports);
        std::fclose(out);
        std::fclose(again);
        EXPECT_TRUE(whole());
    }
    std::fclose(in);
}

INSTANTIATE_TEST_SUITE_P(Cli, LostOutput,
                         testing::Values(LostRow{"Head", {"head", "-d", "100", "-q", "40", "--min", "1", "--max", "99"}},
                                         LostRow{"HeadJson", {"head", "-d", "100", "-q", "40", "--json"}},
                                         LostRow{"TableStreaming", {"table", "-d", "100", "--flows", "1:140:0.001"}},
                                         LostRow{"Batch", {"batch"}},
                                         LostRow{"Flow", {"flow", "-d", "100", "--head", "50"}},
                                         LostRow{"Help", {"--help"}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Cli, LostOutputOfTheProcessIsItsExitStatus)
{
    const auto r = runProcess({"table", "-d", "100", "--min", "1", "--max", "100", "--flows", "1:140:0.01"}, "/dev/full");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(lines(r.err).size(), 1u) << r.err;
}

}  // namespace

// Records of a CSV text as a spreadsheet reads them, by their own small rules here: each with
// its field count and the line end that closed it (a quote opens a field only at its start).
struct Record {
    std::size_t fields;
    std::string end;
};
std::vector<Record> records(std::string_view text, char separator)
{
    std::vector<Record> out;
    std::size_t fields = 1;
    bool fieldStart = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (fieldStart && text[i] == '"') {
            for (++i; i < text.size() && !(text[i] == '"' && (i + 1 == text.size() || text[i + 1] != '"')); ++i)
                if (text[i] == '"') ++i;
            fieldStart = false;
            continue;
        }
        fieldStart = text[i] == separator;
        if (text[i] == separator) ++fields;
        if (text[i] != '\n' && text[i] != '\r') continue;
        const bool crlf = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
        out.push_back({fields, crlf ? "\r\n" : std::string(1, text[i])});
        i += crlf;
        fields = 1, fieldStart = true;
    }
    return out;
}

TEST(Cli, EveryExportOfASheetComesBackAsItCameAndByteForByteWhenFedBack)
{
    struct Export {
        const char* name;
        char separator, decimal;
        std::string bom, lineEnd;
        bool quoteText, shiftJis;
    };
    const Export exports[] = {
        {"Utf8", ',', '.', "", "\n", false, false},          {"ExcelUtf8BomCrLf", ',', '.', "\xEF\xBB\xBF", "\r\n", false, false},
        {"CrLf", ',', '.', "", "\r\n", false, false},        {"SemicolonDecimalComma", ';', ',', "", "\n", false, false},
        {"SemicolonDecimalPoint", ';', '.', "", "\r\n", false, false}, {"ShiftJis", ',', '.', "", "\r\n", false, true},
        {"QuotedText", ',', '.', "", "\n", true, false},      {"Tab", '\t', '.', "", "\n", false, false},
    };
    // One sheet: a text column, then the entries; two heads (a note with ';'), an answer above the
    // weir, a rising-side row, a fault, and text with the separators, a quote and a line break.
    const std::vector<std::vector<std::string>> sheet = {
        {"site", "diameter_mm", "flow_lpm", "min_mm", "max_mm"},
        {"Weir A", "100", "40.5", "1", "99"},      {"Weir B; east, lower", "100", "40", "1", "250"},
        {"Weir \"C\"", "50", "60", "1", "70"},      {"Weir D\nnorth\tside", "100", "40.5", "", ""},
        {"\x96\x6B\x8A\x43\x93\xB9", "0", "40", "1", "99"},
    };
    for (const Export& e : exports) {
        std::string input = e.bom;
        for (std::size_t r = 0; r < sheet.size(); ++r) {
            for (std::size_t k = 0; k < sheet[r].size(); ++k) {
                std::string cell = sheet[r][k];
                if (k == 0 && r == 5 && !e.shiftJis) cell = "Weir E";
                const bool number = r > 0 && k > 0;
                if (number && e.decimal == ',') std::replace(cell.begin(), cell.end(), '.', ',');
                const bool quote = (e.quoteText && !number) || cell.find_first_of(std::string("\"\n") + e.separator) != std::string::npos;
                std::string quoted;
                for (const char c : cell) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
                // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on literal + string here.
                if (k) input += e.separator;
                if (quote) input.append("\"").append(quoted).append("\"");
                else input += cell;
            }
            input += e.lineEnd;
        }
        const auto first = run({"batch"}, input);
        ASSERT_EQ(first.status, 2) << e.name << first.err;
        EXPECT_EQ(first.out.starts_with("\xEF\xBB\xBF"), !e.bom.empty()) << e.name;
        const auto written = records(std::string_view(first.out).substr(e.bom.size()), e.separator);
        ASSERT_EQ(written.size(), sheet.size()) << e.name << first.out;
        for (const auto& record : written) {
            EXPECT_EQ(record.fields, sheet[0].size() + 3) << e.name << first.out;
            EXPECT_EQ(record.end, e.lineEnd) << e.name;
        }
        const bool noteQuoted = first.out.find(e.separator + std::string("\"above_weir;two_heads\"")) != std::string::npos;
        EXPECT_EQ(noteQuoted, e.separator == ';') << e.name << first.out;
        EXPECT_EQ(run({"batch"}, first.out).out, first.out) << e.name;
    }
}

TEST(Cli, ASheetHeadedWithTheWindowsCaptionsGetsCaptionsAndJapaneseNotesBack)
{
    const std::string input = "\xEF\xBB\xBF" "地点,堰の径(mm),流量（m³/h）,解の挟込最小値(mm),挟込最大値(mm)\r\n"
                              "A,100,2.4,1,99\r\nB,100,2.4,60,99\r\nC,50,3.6,1,70\r\nD,100,x,1,99\r\n";
    const auto r = run({"batch"}, input);
    EXPECT_EQ(r.status, 2) << r.err;
    const auto out = lines(r.out);
    ASSERT_EQ(out.size(), 5u) << r.out;
    EXPECT_EQ(out[0], "\xEF\xBB\xBF" "地点,堰の径(mm),流量（m³/h）,解の挟込最小値(mm),挟込最大値(mm),越流高さ(mm) [底部から],Trial回数,注記\r");
    // 2.4 m3/h is 40 L/min and 3.6 m3/h is 60 L/min: the window's own answers, with its messages.
    EXPECT_EQ(out[1], "A,100,2.4,1,99,47.1,12,\r");
    EXPECT_EQ(out[2], "B,100,2.4,60,99,,,解がありません、挟み込み範囲を変更して下さい。\r");
    EXPECT_EQ(out[3], "C,50,3.6,1,70,57.26,10,流量過大のため堰の範囲を越えています。\r");
    EXPECT_EQ(out[4], "D,100,x,1,99,,,流量(m³/h): 数値ではありません。\r");
    EXPECT_EQ(run({"batch"}, r.out).out, r.out);
}

TEST(Cli, EveryFlowUnitGivesTheHeadsOfTheSameFlowsInLitresPerMinute)
{
    // The same flows in each unit: 30, 60 and 150 L/min.
    const std::pair<const char*, std::vector<std::string>> flows[] = {
        {"L/min", {"30", "60", "150"}},      {"L/s", {"0.5", "1", "2.5"}},     {"m3/s", {"0.0005", "0.001", "0.0025"}},
        {"m3/min", {"0.03", "0.06", "0.15"}}, {"m³/h", {"1.8", "3.6", "9"}},   {"m3/d", {"43.2", "86.4", "216"}},
    };
    for (const auto& [unit, values] : flows) {
        std::string batch = std::string("diameter_mm,flow_") + vordanel::names(*vordanel::flowUnitNamed(unit)).key + ",min_mm,max_mm\n";
        for (std::size_t i = 0; i < values.size(); ++i) {
            const std::string litres = flows[0].second[i];
            const auto expected = run({"head", "-d", "100", "-q", litres, "--min", "1", "--max", "99"});
            const auto got = run({"head", "-d", "100", "-q", values[i], "--min", "1", "--max", "99", "--flow-unit", unit});
            EXPECT_EQ(got.out, expected.out) << unit << " " << values[i];
            const auto tableRow = lines(run({"table", "-d", "100", "--min", "1", "--max", "99", "--flow-unit", unit, "--flows",
                                             values[i] + ":" + values[i] + ":1"}).out);
            const auto expectedRow = lines(run({"table", "-d", "100", "--min", "1", "--max", "99", "--flows", litres + ":" + litres + ":1"}).out);
            ASSERT_EQ(tableRow.size(), 2u) << unit;
            EXPECT_EQ(tableRow[1].substr(tableRow[1].find(',')), expectedRow[1].substr(expectedRow[1].find(','))) << unit;
            batch += "100," + values[i] + ",1,99\n";
        }
        const auto out = lines(run({"batch"}, batch).out);
        const auto expected = lines(run({"batch"}, "diameter_mm,flow_lpm,min_mm,max_mm\n100,30,1,99\n100,60,1,99\n100,150,1,99\n").out);
        ASSERT_EQ(out.size(), expected.size()) << unit;
        for (std::size_t i = 1; i < out.size(); ++i)
            EXPECT_EQ(out[i].substr(out[i].find(",1,99,")), expected[i].substr(expected[i].find(",1,99,"))) << unit;
    }
}

TEST(Cli, ABlankBracketMeansTheRisingSideInEveryCommandAndOneBlankEndIsAnEmptyEntry)
{
    const auto rising = run({"head", "-d", "100", "-q", "40"});
    const auto risingTable = run({"table", "-d", "100", "--flows", "40:40:1"});
    for (const auto& [min, max] : {std::pair<std::string, std::string>{"", ""}, {" ", "\t"}, {"　", ""}}) {
        EXPECT_EQ(run({"head", "-d", "100", "-q", "40", "--min", min, "--max", max}).out, rising.out);
        EXPECT_EQ(run({"table", "-d", "100", "--flows", "40:40:1", "--min", min, "--max", max}).out, risingTable.out);
        const auto batch = run({"batch"}, "diameter_mm,flow_lpm,min_mm,max_mm\n100,40," + min + "," + max + "\n");
        EXPECT_EQ(lines(batch.out).at(1), "100,40," + min + "," + max + ",47.1,11,");
    }
    for (const auto& [min, max] : {std::pair<std::string, std::string>{"", "99"}, {"1", " "}}) {
        const auto head = run({"head", "-d", "100", "-q", "40", "--min", min, "--max", max});
        EXPECT_EQ(head.status, 2);
        EXPECT_NE(head.err.find("every entry needs a value"), std::string::npos) << head.err;
        EXPECT_EQ(run({"table", "-d", "100", "--flows", "40:40:1", "--min", min, "--max", max}).status, 2);
        const auto batch = run({"batch"}, "diameter_mm,flow_lpm,min_mm,max_mm\n100,40," + min + "," + max + "\n");
        EXPECT_EQ(lines(batch.out).at(1), "100,40," + min + "," + max + ",,,empty_entry");
    }
}

TEST(Cli, TableByHeadsAgreesWithTheFormulaAndNotesWhereEachHeadLies)
{
    // The formula's flow over a 100 mm weir at 20, 40, ... 240 mm, worked out apart from this code
    // (L/min); below zero past the curve's zero.
    const double worked[] = {7.990671,   29.532303,  62.071493,  101.624467, 142.744524, 178.504094,
                             200.469936, 198.672581, 161.571760, 76.019045,  -72.781463, -301.313799};
    for (const vordanel::FlowUnit flowUnit : vordanel::flowUnits) {
        const std::string unit = vordanel::names(flowUnit).name;
        const double litres = vordanel::toLitresPerMinute(1, flowUnit);
        const auto r = run({"table", "-d", "100", "--heads", "20:240:20", "--flow-unit", unit});
        EXPECT_EQ(r.status, 1) << unit << r.err;  // the heads past the curve's zero have no flow
        const auto out = lines(r.out);
        ASSERT_EQ(out.size(), 13u) << unit;
        EXPECT_EQ(out[0], "head_mm,flow_" + std::string(vordanel::names(flowUnit).key) + ",note");
        for (std::size_t i = 1; i < out.size(); ++i) {
            const double head = 20.0 * static_cast<double>(i);
            const auto cells = out[i] + ",";
            const auto comma = cells.find(','), next = cells.find(',', comma + 1);
            const std::string flow = cells.substr(comma + 1, next - comma - 1), note = cells.substr(next + 1, cells.size() - next - 2);
            const double expected = worked[i - 1];
            // The peak of a 100 mm weir lies at 149.09 mm, the curve's zero at 211.40 mm.
            std::string notes = head > 100 ? "above_weir" : "";
            if (head > 149.09) notes += ";falling_side";
            if (expected < 0) notes += ";no_flow";
            EXPECT_EQ(note, notes) << unit << " " << out[i];
            if (expected < 0) EXPECT_EQ(flow, "") << out[i];
            else EXPECT_NEAR(std::stod(flow) * litres, expected, 0.01 + 1e-6) << unit << " " << out[i];
        }
    }
}

namespace {

// A reading on a staff gauge is its head above the gauge zero, in flow and in a table by heads.
TEST(Cli, AReadingOnAGaugeGivesTheFlowOfItsHead)
{
    const struct { const char *reading, *zero, *head; int status; } rows[] = {
        {"135.5", "100.5", "35", 0}, {"135.3", "100.3", "35", 0}, {"１３５．５", "100.5", "35", 0},
        {"100.5", "100.5", "0", 0},  {"20", "-15.2", "35.2", 0},  {"90", "100.5", "-10.5", 2}};
    for (const auto& [reading, zero, head, status] : rows) {
        const auto onGauge = run({"flow", "-d", "100", "--head", reading, "--gauge-zero", zero, "--json"});
        const auto direct = run({"flow", "-d", "100", "--head", head, "--json"});
        EXPECT_EQ(onGauge.status, status) << reading << onGauge.err;
        EXPECT_EQ(onGauge.out.substr(0, onGauge.out.find(",\"reading_mm\"")), direct.out.substr(0, direct.out.size() - 2)) << reading;
        if (status) EXPECT_NE(onGauge.err.find("below the gauge zero"), std::string::npos) << onGauge.err;
        else EXPECT_EQ(jsonNumber(onGauge.out, "head_mm"), std::stod(head)) << onGauge.out;
        const auto gaugeRows = lines(run({"table", "-d", "100", "--heads", std::string(reading) + ":" + reading + ":1", "--gauge-zero", zero}).out);
        const auto headRows = lines(run({"table", "-d", "100", "--heads", std::string(head) + ":" + head + ":1"}).out);
        ASSERT_EQ(gaugeRows.size(), 2u) << reading;
        EXPECT_EQ(gaugeRows[0], "reading_mm," + headRows[0]);
        EXPECT_EQ(gaugeRows[1].substr(gaugeRows[1].find(',') + 1), headRows[1]) << reading;
    }
}

}  // namespace

namespace {

// The numbers of every element of an SVG that carries `attribute`, with the element's text.
std::vector<std::pair<std::string, std::string>> elementsWith(const std::string& svg, const std::string& attribute)
{
    std::vector<std::pair<std::string, std::string>> found;
    for (auto at = svg.find(attribute + "=\""); at != std::string::npos; at = svg.find(attribute + "=\"", at + 1)) {
        const auto start = at + attribute.size() + 2;
        found.emplace_back(svg.substr(start, svg.find('"', start) - start), svg.substr(at, svg.find("</g>", at) - at));
    }
    return found;
}
double attributeOf(const std::string& element, const std::string& name)
{
    const auto at = element.find(" " + name + "=\"");
    return at == std::string::npos ? NAN : std::stod(element.substr(at + name.size() + 3));
}

// Every mark of a gauge stands where `head` puts its flow, above the staff's millimetres.
TEST(Cli, AGaugesMarksStandAtTheHeadsOfTheirFlowsOnATrueMillimetreStaff)
{
    const struct { const char *diameter, *unit, *zero; } rows[] = {
        {"100", "L/min", "0"}, {"100", "m3/h", "50"}, {"25", "L/s", "12.5"}, {"300", "m3/d", "0"}, {"600", "m3/s", "100"}, {"3", "L/min", "0"}};
    for (const auto& [diameter, unit, zero] : rows) {
        const auto r = run({"gauge", "-d", diameter, "--flow-unit", unit, "--gauge-zero", zero, "--date", "<b>&\"'"});
        ASSERT_EQ(r.status, 0) << diameter << r.err;
        EXPECT_NE(r.out.find("<text x=\"4\""), std::string::npos);
        EXPECT_NE(r.out.find("&lt;b&gt;&amp;&quot;&apos;"), std::string::npos);
        EXPECT_EQ(r.out.find("<b>"), std::string::npos);
        double w = 0, h = 0, vw = 0, vh = 0;
        ASSERT_EQ(std::sscanf(r.out.c_str() + r.out.find(" width="), " width=\"%lfmm\" height=\"%lfmm\" viewBox=\"0 0 %lf %lf\"", &w, &h, &vw, &vh), 4);
        EXPECT_EQ(w, vw);
        EXPECT_EQ(h, vh);
        const auto ticks = elementsWith(r.out, "class=\"mm\" data-reading-mm");
        const double y0 = attributeOf(ticks.at(0).second, "y1");
        int millimetre = 0;
        for (const auto& [reading, element] : ticks) {
            EXPECT_EQ(std::stod(reading), millimetre) << diameter;
            EXPECT_NEAR(y0 - attributeOf(element, "y1"), millimetre++, 1e-3) << diameter << element;
        }
        EXPECT_GE(millimetre, std::stod(zero) + std::stod(diameter)) << diameter;
        const auto marks = elementsWith(r.out, "data-flow");
        EXPECT_GE(marks.size(), 10u) << diameter << unit;
        EXPECT_LE(marks.size(), 40u) << diameter << unit;
        for (const auto& [flow, element] : marks) {
            const auto head = lines(run({"head", "-d", diameter, "-q", flow, "--flow-unit", unit}).out).at(0);
            const double height = y0 - attributeOf(element.substr(element.find("<line")), "y1");
            EXPECT_NEAR(height, std::stod(head.substr(head.rfind(' '))) + std::stod(zero), 0.2) << diameter << unit << " " << flow;
        }
    }
}

}  // namespace

namespace {

// A sheet Japanese Excel saved as plain CSV (CP932, pinned here byte for byte, CR LF as Windows
// writes it) is read by its captions and comes back in CP932, byte for byte when fed back.
TEST(Cli, ASheetInShiftJisIsReadByItsCaptionsAndComesBackInShiftJis)
{
    const struct { const char *name, *in, *out, *encoding; int status; } rows[] = {
        {"CaptionsAndCrLf", "\x89\x81\x82\xCC\x8C" "a(mm),\x97\xAC\x97\xCA(L/min)\r\n100,40\r\n100,\r\n",
         "\x89\x81\x82\xCC\x8C" "a(mm),\x97\xAC\x97\xCA(L/min),\x89z\x97\xAC\x8D\x82\x82\xB3(mm) [\x92\xEA\x95\x94\x82\xA9\x82\xE7],Trial\x89\xF1\x90\x94,\x92\x8D\x8BL\r\n100,40,47.1,11,\r\n100,,,,\x8B\xF3\x97\x93\x82\xCC\x8D\x80\x96\xDA\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB7\x81" "B\r\n", "shift_jis", 2},
        {"ColumnsOfTheirOwnAndLf", "\x92n\x93_,\x89\x81\x82\xCC\x8C" "a(mm),\x97\xAC\x97\xCA(L/min)\n\x82`,100,40\n",
         "\x92n\x93_,\x89\x81\x82\xCC\x8C" "a(mm),\x97\xAC\x97\xCA(L/min),\x89z\x97\xAC\x8D\x82\x82\xB3(mm) [\x92\xEA\x95\x94\x82\xA9\x82\xE7],Trial\x89\xF1\x90\x94,\x92\x8D\x8BL\n\x82`,100,40,47.1,11,\n", "shift_jis", 0},
        // １００,４０: full-width digits read as a UTF-8 sheet's are, the cells echoed as they came.
        {"FullWidthDigits", "\x89\x81\x82\xCC\x8C" "a(mm),\x97\xAC\x97\xCA(L/min)\r\n\x82\x50\x82\x4F\x82\x4F,\x82\x53\x82\x4F\r\n",
         "\x89\x81\x82\xCC\x8C" "a(mm),\x97\xAC\x97\xCA(L/min),\x89z\x97\xAC\x8D\x82\x82\xB3(mm) [\x92\xEA\x95\x94\x82\xA9\x82\xE7],Trial\x89\xF1\x90\x94,\x92\x8D\x8BL\r\n\x82\x50\x82\x4F\x82\x4F,\x82\x53\x82\x4F,47.1,11,\r\n", "shift_jis", 0},
        // 件名 over the captions: the title comes back as it came.
        {"TitleLineAboveTheCaptions", "\x8C\x8F\x96\xBC\r\n\x89\x81\x82\xCC\x8C" "a(mm),\x97\xAC\x97\xCA(L/min)\r\n100,40\r\n",
         "\x8C\x8F\x96\xBC\r\n\x89\x81\x82\xCC\x8C" "a(mm),\x97\xAC\x97\xCA(L/min),\x89z\x97\xAC\x8D\x82\x82\xB3(mm) [\x92\xEA\x95\x94\x82\xA9\x82\xE7],Trial\x89\xF1\x90\x94,\x92\x8D\x8BL\r\n100,40,47.1,11,\r\n", "shift_jis", 0},
        {"KeysStayUtf8", "diameter_mm,flow_lpm\n100,40\n",
         "diameter_mm,flow_lpm,head_mm,trials,note\n100,40,47.1,11,\n", "utf-8", 0},
    };
    for (const auto& row : rows) {
        std::string result = row.in;
        for (int pass = 0; pass < 2; ++pass) {
            std::FILE *in = std::tmpfile(), *out = std::tmpfile(), *err = std::tmpfile();
            std::fwrite(result.data(), 1, result.size(), in), std::rewind(in);
            vordanel::cli::BatchCount count;
            EXPECT_EQ(vordanel::cli::batch({}, in, out, err, &count), row.status) << row.name << slurp(err);
            EXPECT_EQ(result = slurp(out), row.out) << row.name << pass;
            EXPECT_STREQ(count.encoding, row.encoding) << row.name;
            std::fclose(in);
        }
    }
    // 堰の径 in EUC-JP: neither UTF-8 nor CP932.
    const auto unread = run({"batch"}, "\xB1\xD9\xA4\xCE\xB7\xC2(mm),flow_lpm\n100,40\n");
    EXPECT_NE(unread.err.find("堰の径(mm)"), std::string::npos) << unread.err;
    EXPECT_NE(unread.err.find("save it as \"CSV UTF-8\""), std::string::npos) << unread.err;
}

}  // namespace

namespace {

// A record over a cap is let go and told by the line it began on, and reading goes on at the next
// line end; a quote never closed is told by the line it opened on.
TEST(Cli, TheReadersCapsAreToldByLineAndReadingGoesOn)
{
    const vordanel::cli::CsvLimits small{8, 16, 3};
    const struct { const char *name, *csv; std::vector<std::string> read; } rows[] = {
        // Each record read: its first field, or "over@LINE:what" or "open@LINE".
        {"FieldOverItsCap", "a,b\n123456789,x\nc,d\n", {"a", "over@2:a field over the cap of 8", "c"}},
        {"RecordOverItsCap", "a\n1234567,1234567,12\nc\n", {"a", "over@2:a record over the cap of 16", "c"}},
        {"TooManyFields", "a\n1,2,3,4\r\nc\n", {"a", "over@2:a record of more fields than the cap of 3", "c"}},
        {"QuotedFieldRunsOn", "a\n\"x\ny\nzzzzzzzz\nc\n", {"a", "over@2:a field over the cap of 8 bytes, in a quoted field opened on line 2", "c"}},
        {"QuoteNeverClosed", "a\nb\n\"x\ny\n", {"a", "b", "open@3"}},
        {"UnderTheCapsWhole", "12345678,1234567\n\"a\"\"b\"\n", {"12345678", "a\"b"}},
    };
    for (const auto& row : rows) {
        vordanel::cli::CsvReader reader{std::string_view(row.csv)};
        reader.setLimits(small);
        std::vector<std::string> fields, read;
        while (reader.next(fields)) {
            if (!reader.oversized().empty()) read.push_back("over@" + std::to_string(reader.recordLine()) + ":" + reader.oversized());
            else if (reader.unterminated()) read.push_back("open@" + std::to_string(reader.quoteLine()));
            else read.push_back(fields.at(0));
        }
        ASSERT_EQ(read.size(), row.read.size()) << row.name;
        for (std::size_t i = 0; i < read.size(); ++i) EXPECT_NE(read[i].find(row.read[i]), std::string::npos) << row.name << ": " << read[i];
    }
}

// A command line's fault is named by itself, not by what came before it.
TEST(Cli, AnArgumentErrorNamesTheArgument)
{
    const struct { std::vector<std::string> args; const char* said; } rows[] = {
        {{"batch", "in.csv", "other.csv"}, "unexpected argument 'other.csv' for batch"},
        {{"batch", "--frob", "in.csv"}, "unknown option '--frob' for batch"},
        {{"table", "-d", "100", "--flows", "1:2:1", "extra"}, "unexpected argument 'extra' for table"},
    };
    for (const auto& row : rows) {
        const auto r = run(row.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(row.said), std::string::npos) << r.err;
    }
}

}  // namespace
