#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

struct Run {
    int status;
    std::string out, err;
};

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string shellQuoted(const std::string& arg)
{
    std::string q = "'";
    for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs the companion as a process, with the given standard input, and collects what it wrote.
Run run(const std::vector<std::string>& args, const std::string& input = "")
{
    const std::string dir = testing::TempDir();
    const std::string in = dir + "cli_in", out = dir + "cli_out", err = dir + "cli_err";
    std::ofstream(in, std::ios::binary) << input;
    std::string command = shellQuoted(VORDANEL_CLI);
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on literal + string here.
    for (const auto& arg : args) command.append(" ").append(shellQuoted(arg));
    command.append(" <").append(shellQuoted(in)).append(" >").append(shellQuoted(out));
    command.append(" 2>").append(shellQuoted(err));
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
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
    std::vector<std::string> entries;  // diameter, flow, min, max
    int status;
    std::string out;
    friend void PrintTo(const HeadRow& r, std::ostream* os) { *os << r.name; }
};

class HeadCommand : public testing::TestWithParam<HeadRow> {};

TEST_P(HeadCommand, SaysWhatTheWindowWouldShow)
{
    const auto& row = GetParam();
    const auto r = run({"head", "-d", row.entries[0], "-q", row.entries[1], "--min", row.entries[2], "--max", row.entries[3]});
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
        HeadRow{"ZeroMinimum", {"100", "40", "0", "99"}, 2, ""}),
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
    const auto r = run({"head", "--json", "-d", row.entries[0], "-q", row.entries[1], "--min", row.entries[2], "--max", row.entries[3]});
    EXPECT_EQ(r.status, row.status);
    EXPECT_EQ(r.out, row.json + "\n");
    EXPECT_NE(r.err.find(row.stderrMentions), std::string::npos) << r.err;
    EXPECT_EQ(lines(r.err).size(), row.stderrMentions.empty() ? 0u : 1u) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cli, HeadJson,
    testing::Values(
        JsonRow{"Converged", {"100", "40", "1", "99"}, 0,
                R"({"outcome":"converged","head_mm":"47.1","head_m":0.04710498046875,"trials":12,"above_weir":false})", ""},
        JsonRow{"AboveWeir", {"50", "60", "1", "70"}, 0,
                R"({"outcome":"converged","head_mm":"57.26","head_m":0.057264648437499996,"trials":10,"above_weir":true})", ""},
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
                R"({"outcome":"fault","kind":"division_by_zero","input":"diameter"})", "--diameter: division by zero"}),
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

TEST(Cli, TableFlowsAreSolvedAsPrinted)
{
    const auto r = run({"table", "-d", "100", "--min", "1", "--max", "100", "--flows", "0.1:0.3:0.1"});
    const auto rows = lines(r.out);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[3].substr(0, 4), "0.3,");
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
              "100,forty,1,99,,,not_a_number\n"
              "0,40,1,99,,,division_by_zero\n"
              "100,143,1,100,,,no_solution\n"
              "100,40,1,,,,malformed_row\n"
              "200,100,10,150,88.12,13,\n");
    EXPECT_NE(r.err.find("4 row(s) failed"), std::string::npos) << r.err;
}

TEST(Cli, BatchReadsAFileAndExitsOnTheWorstRow)
{
    const std::string path = testing::TempDir() + "rows.csv";
    std::ofstream(path) << "100,40,1,99\n100,40,60,99\n";
    const auto r = run({"batch", path});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(lines(r.out).size(), 3u);
    EXPECT_EQ(run({"batch", testing::TempDir() + "missing.csv"}).status, 2);
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
    EXPECT_NEAR(std::stod(r.out.substr(prefix.size())), row.litresPerMinute, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Cli, FlowCommand,
                         testing::Values(FlowRow{"HalfFull", "100", "50", 44.6420715},
                                         FlowRow{"Full", "100", "100", 142.7445236}),
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
    const auto r = run(row.args);
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
                    StatusRow{"HugeWeirEnds", {"head", "-d", "1e10", "-q", "1e14", "--min", "1", "--max", "1e10"}, 0, "Trial回数"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
