#include "commands.h"

#include <gtest/gtest.h>

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
        HeadRow{"UpToDiameter", {"100", "40", "1", "100"}, 0, "越流高さ(mm) [底部から] 47.1\nTrial回数 13\n"},
        HeadRow{"Reversed", {"100", "40", "99", "1"}, 0, "越流高さ(mm) [底部から] 47.1\nTrial回数 12\n"},
        HeadRow{"Weir200", {"200", "100", "10", "150"}, 0, "越流高さ(mm) [底部から] 88.12\nTrial回数 13\n"},
        HeadRow{"NearlyFull", {"100", "142", "1", "100"}, 0, "越流高さ(mm) [底部から] 99.63\nTrial回数 13\n"},
        HeadRow{"AboveWeir", {"50", "60", "1", "70"}, 0,
                "越流高さ(mm) [底部から] 57.26\nTrial回数 10\n流量過大のため堰の範囲を越えています。\n"},
        HeadRow{"NoSignChange", {"100", "40", "60", "99"}, 1, "解がありません、挟み込み範囲を変更して下さい。\n"},
        HeadRow{"FlowTooLarge", {"100", "143", "1", "100"}, 1, "解がありません、挟み込み範囲を変更して下さい。\n"},
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
                R"({"outcome":"no_solution","max_flow_lpm":203.25554418536007,"peak_head_mm":149.09007122794466})", ""}),
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
    EXPECT_EQ(r.out,
              "diameter_mm,flow_lpm,min_mm,max_mm,head_mm,trials,note\n"
              "100,40,1,99,47.1,12,\n"
              "50,60,1,70,57.26,10,above_weir\n"
              "100,,1,99,,,empty_entry\n"
              "100,forty,1,99,,,not_a_number:flow_lpm\n"
              "0,40,1,99,,,division_by_zero:diameter_mm\n"
              ",,,,,,empty_entry\n"
              "100,143,1,100,,,no_solution\n"
              "100,40,1,,,,empty_entry\n"
              "200,100,10,150,88.12,13,\n");
    EXPECT_NE(r.err.find("5 row(s) failed"), std::string::npos) << r.err;
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

struct FlowRow {
    const char* name;
    std::string diameter, head;
    double litresPerMinute;
    friend void PrintTo(const FlowRow& r, std::ostream* os) { *os << r.name; }
};

class FlowCommand : public testing::TestWithParam<FlowRow> {};

TEST_P(FlowCommand, GivesTheFormulasDischarge)
{
    const auto& row = GetParam();
    const auto r = run({"flow", "-d", row.diameter, "--head", row.head});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string prefix = "流量(L/min) ";
    ASSERT_EQ(r.out.substr(0, prefix.size()), prefix);
    const double flow = std::stod(r.out.substr(prefix.size()));
    EXPECT_NEAR(flow, row.litresPerMinute, row.name == std::string("FallingSide") ? 0.01 : 1e-6);
    // Past the peak the companion says so; below it, it adds nothing.
    EXPECT_EQ(lines(r.out).size(), std::stod(row.head) > 149.09 ? 2u : 1u) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Cli, FlowCommand,
                         testing::Values(FlowRow{"HalfFull", "100", "50", 44.6420715},
                                         FlowRow{"Full", "100", "100", 142.7445236},
                                         FlowRow{"FallingSide", "100", "205.81", 40.0}),
                         [](const auto& info) { return std::string(info.param.name); });

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
                    StatusRow{"NoCommand", {}, 2, "subcommand"},
                    StatusRow{"MissingOption", {"head", "-d", "100"}, 2, "--flow"},
                    StatusRow{"UnknownCommand", {"weir"}, 2, "weir"},
                    StatusRow{"FlowsNotThreeNumbers", {"table", "-d", "100", "--min", "1", "--max", "99", "--flows", "1:2"}, 2, "--flows"},
                    StatusRow{"FlowsZeroStep", {"table", "-d", "100", "--min", "1", "--max", "99", "--flows", "1:2:0"}, 2, "step"},
                    StatusRow{"FlowsEndless", {"table", "-d", "100", "--min", "1", "--max", "99", "--flows", "1:2:1e-300"}, 2, "too many"},
                    StatusRow{"TableDiameterNotANumber", {"table", "-d", "x", "--min", "1", "--max", "99", "--flows", "1:2:1"}, 2, "--diameter"},
                    StatusRow{"FlowZeroHead", {"flow", "-d", "100", "--head", "0"}, 2, "--head: division by zero"},
                    StatusRow{"HugeWeirEnds", {"head", "-d", "1e10", "-q", "1e14", "--min", "1", "--max", "1e10"}, 0, "Trial回数"},
                    StatusRow{"HalfABracket", {"head", "-d", "100", "-q", "40", "--min", "1"}, 2, "--min requires --max"},
                    StatusRow{"HeadBeyondTheCurvesZero", {"flow", "-d", "100", "--head", "250"}, 1, "gives no flow"},
                    StatusRow{"FlowBlamesAHugeDiameter", {"flow", "-d", "1e300", "--head", "50"}, 2, "--diameter: overflow"},
                    StatusRow{"TableSaysItsRowsFailed", {"table", "-d", "0", "--flows", "1:3:1"}, 2,
                              "3 row(s) failed, the first with --diameter: division by zero"},
                    StatusRow{"EmptyBatchGivesTheHeader", {"batch", "/dev/null"}, 0, "diameter_mm"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cli, TableWithoutABracketSolvesTheRisingSideAndNotesJoin)
{
    const auto rising = run({"table", "-d", "100", "--flows", "40:240:100"});
    EXPECT_EQ(rising.status, 1);
    EXPECT_EQ(rising.out, "flow_lpm,head_mm,trials,note\n40,47.1,11,\n140,98.62,13,\n240,,,no_solution\n");

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
               header + "100,40,1,99,47.1,12,\n", 0},
        CsvRow{"ByteOrderMarkBeforeARow", "\xEF\xBB\xBF" "100,40,1,99\n", header + "100,40,1,99,47.1,12,\n", 0},
        CsvRow{"TrailingEmptyColumn", "100,40,1,99,\n100,40,\n", header + "100,40,1,99,47.1,12,\n100,40,,,47.1,11,\n", 0},
        CsvRow{"BlankLinesKeepTheirPlace", "100,40,1,99\n\n100,40,1,99\n",
               header + "100,40,1,99,47.1,12,\n,,,,,,empty_entry\n100,40,1,99,47.1,12,\n", 2},
        CsvRow{"LoneCarriageReturnsEndLines", "100,40,1,99\r50,60,1,70\r",
               header + "100,40,1,99,47.1,12,\n50,60,1,70,57.26,10,above_weir\n", 0},
        CsvRow{"HeaderColumnsByNameWithOthersPassingThrough",
               "id,max_mm,flow_lpm,date,diameter_mm,min_mm\nA,99,40,2026-12-08,100,1\n\"B, east\",250,40,,100,1\n",
               "id,max_mm,flow_lpm,date,diameter_mm,min_mm,head_mm,trials,note\nA,99,40,2026-12-08,100,1,47.1,12,\n"
               "\"B, east\",250,40,,100,1,205.81,15,above_weir;two_heads\n", 0},
        CsvRow{"HeaderWithoutABracket", "site,diameter_mm,flow_lpm\nweir 1,100,40\nweir 2,100,250\n",
               "site,diameter_mm,flow_lpm,head_mm,trials,note\nweir 1,100,40,47.1,11,\nweir 2,100,250,,,no_solution\n", 1},
        CsvRow{"HeaderRowOfTheWrongWidth", "diameter_mm,flow_lpm\n100,40,1\n",
               "diameter_mm,flow_lpm,head_mm,trials,note\n100,40,1,,,malformed_row\n", 2},
        CsvRow{"HeaderWithoutADiameter", "flow_lpm,min_mm,max_mm\n40,1,99\n", "", 2},
        CsvRow{"ToleranceOutOfReachIsNoted", "1e10,1e14,1,1e10\n", header + "1e10,1e14,1,1e10,7921394581.05,54,stalled\n", 0},
        CsvRow{"ColumnsAfterTheEntriesFollowTheResults", "100,40,1,99,site A\n", header + "100,40,1,99,47.1,12,,site A\n", 0},
        CsvRow{"LineBreaksInsideQuotesStayInTheirCell",
               "diameter_mm,flow_lpm,min_mm,max_mm,notes\n100,40,1,99,\"line one\r\nline two\rthree\"\n50,60,1,70,x\n",
               "diameter_mm,flow_lpm,min_mm,max_mm,notes,head_mm,trials,note\n"
               "100,40,1,99,\"line one\r\nline two\rthree\",47.1,12,\n50,60,1,70,x,57.26,10,above_weir\n", 0},
        CsvRow{"QuoteInsideAnUnquotedCellIsOrdinary", "100,40,1,99,5\" pipe\n", header + "100,40,1,99,47.1,12,,\"5\"\" pipe\"\n", 0},
        CsvRow{"QuoteOpenAtTheEndIsAMalformedRow", "100,40,1,99\n100,40,1,\"99\n",
               header + "100,40,1,99,47.1,12,\n100,40,1,\"99\n\",,,malformed_row\n", 2},
        CsvRow{"SemicolonsWithDecimalCommas", "diameter_mm;flow_lpm;min_mm;max_mm\n100;40,0;1;99\n50;60;1;70\n",
               "diameter_mm;flow_lpm;min_mm;max_mm;head_mm;trials;note\n100;40,0;1;99;47,1;12;\n50;60;1;70;57,26;10;above_weir\n", 0},
        CsvRow{"InchMarkInTheFirstLineOpensNoQuote", "Pipe 6\" main;100;40;1;99\n",
               "diameter_mm;flow_lpm;min_mm;max_mm;head_mm;trials;note\n\"Pipe 6\"\" main\";100;40;1;;;not_a_number:diameter_mm;99\n", 2},
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

TEST(Cli, BatchResultsFedBackInComeOutUnchanged)
{
    for (const std::string input : {"100,40,1,99\n50,60,1,70\n,,,\n", "diameter_mm;flow_lpm\n100;40,5\n100;x\n",
                                     "site,diameter_mm,flow_lpm,min_mm,max_mm\n\"a\nb\",100,40,1,250\n"}) {
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
    const int status = vordanel::cli::run(argv, in, full, err);
    std::fclose(full);
    std::fclose(in);
    const std::string said = slurp(err);
    EXPECT_EQ(status, 2);
    EXPECT_NE(said.find("could not be written"), std::string::npos) << said;
    EXPECT_EQ(lines(said).size(), 1u) << said;
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
