// The page's glue, built natively and held to the companion: what the page says of an entry is
// what `vordanel-cli` says of it, in the core's words.
#include "cli.h"
#include "flow.h"

#include "vordanel/calculation.h"
#include "vordanel/words.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

extern "C" const char* vordanel_calculate(const char* request);
extern "C" const char* vordanel_head_flow(const char* request);

namespace vordanel {
namespace {

// What `flow --json` prints for the options.
nlohmann::json companion(const cli::FlowOptions& options)
{
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    cli::flow(options, out, err);
    std::string text(static_cast<std::size_t>(std::ftell(out)), '\0');
    std::rewind(out);
    text.resize(std::fread(text.data(), 1, text.size(), out));
    std::fclose(out);
    std::fclose(err);
    return nlohmann::json::parse(text);
}

template <typename Named, typename... All>
Named named(const std::string& key, All... all)
{
    Named found{};
    ((names(all).key == key ? found = all : found), ...);
    return found;
}

struct HeadFlowRow {
    const char* name;
    const char *diameter, *head, *zero, *unit;
    friend void PrintTo(const HeadFlowRow& r, std::ostream* os) { *os << r.name; }
};

class PageHeadFlow : public testing::TestWithParam<HeadFlowRow> {};

TEST_P(PageHeadFlow, NamesTheFlowOrTheEntryAtFaultAsTheCompanionDoes)
{
    const auto& row = GetParam();
    cli::FlowOptions options{row.diameter, row.head, row.zero, *flowUnitNamed(row.unit), true};
    const nlohmann::json expected = companion(options);
    const std::string unit = row.unit;
    const std::string request = nlohmann::json::array({row.diameter, row.head, row.zero, unit}).dump();
    const nlohmann::json page = nlohmann::json::parse(vordanel_head_flow(request.c_str()));
    const std::string outcome = expected["outcome"];
    EXPECT_EQ(page["failed"], outcome == "fault");
    if (outcome == "fault") {
        const auto fault = named<Fault>(expected["kind"], Fault::NotANumber, Fault::DivisionByZero, Fault::InvalidArgument, Fault::Overflow);
        const auto input = named<Input>(expected["input"], Input::Diameter, Input::Head, Input::GaugeZero);
        EXPECT_EQ(page["text"], words::fault(fault, input));
        EXPECT_TRUE(page["mark"].is_null());
    } else if (outcome == "flow") {
        EXPECT_EQ(page["mark"]["flow_text"], expected["flow_text"]);
        EXPECT_EQ(page["mark"]["mm"], expected.value("head_mm", std::stod(row.head)));
        EXPECT_NE(page["text"].get<std::string>().find(expected["flow_text"].get<std::string>()), std::string::npos) << page["text"];
    } else {
        EXPECT_TRUE(page["mark"].is_null());
        EXPECT_EQ(page["text"].get<std::string>().rfind("流量なし", 0), 0u) << page["text"];
    }
}

INSTANTIATE_TEST_SUITE_P(
    Glue, PageHeadFlow,
    testing::Values(HeadFlowRow{"AFlow", "100", "50", "", "m3/h"},
                    HeadFlowRow{"AReadingOnTheStaff", "100", "62.5", "12.5", "L/min"},
                    HeadFlowRow{"NoFlowPastTheCurvesZero", "100", "300", "", "L/min"},
                    HeadFlowRow{"ADiameterNotANumber", "abc", "50", "", "L/min"},
                    HeadFlowRow{"ADiameterOfZero", "0", "50", "", "L/min"},
                    HeadFlowRow{"AHeadNotANumber", "100", "abc", "", "L/min"},
                    HeadFlowRow{"AHeadOfZero", "100", "0", "", "L/min"},
                    HeadFlowRow{"AGaugeZeroNotANumber", "100", "50", "abc", "L/min"},
                    HeadFlowRow{"AReadingBelowTheGaugeZero", "100", "40", "50", "L/min"}),
    [](const auto& info) { return std::string(info.param.name); });


// What the companion prints on standard output for a command line.
nlohmann::json companionJson(std::vector<std::string> args)
{
    args.insert(args.begin(), "vordanel-cli");
    std::FILE* in = std::tmpfile();
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    cli::run(args, in, out, err);
    std::string text(static_cast<std::size_t>(std::ftell(out)), '\0');
    std::rewind(out);
    text.resize(std::fread(text.data(), 1, text.size(), out));
    for (std::FILE* f : {in, out, err}) std::fclose(f);
    return text.empty() ? nlohmann::json() : nlohmann::json::parse(text);
}

// Every fault the window's calculation (head) and the flow at a head (flow) can name: each kind on
// each entry it can befall. The companion names it by its JSON keys, the page by the box it marks
// and in the core's words, and both name the same entry.
struct FaultRow {
    const char* name;
    const char* command;  // "head": diameter, flow, min, max; "flow": diameter, head, gauge zero
    std::vector<std::string> entries;
    Fault fault;
    Input input;
    friend void PrintTo(const FaultRow& r, std::ostream* os) { *os << r.name; }
};

class EveryFault : public testing::TestWithParam<FaultRow> {};

TEST_P(EveryFault, IsNamedAlikeByTheCompanionAndThePage)
{
    const auto& row = GetParam();
    const std::vector<std::string>& e = row.entries;
    const bool head = std::string(row.command) == "head";
    const nlohmann::json companion =
        head ? companionJson({"head", "-d", e[0], "-q", e[1], "--min", e[2], "--max", e[3], "--json"})
             : companionJson(e[2].empty() ? std::vector<std::string>{"flow", "-d", e[0], "--head", e[1], "--json"}
                                          : std::vector<std::string>{"flow", "-d", e[0], "--head", e[1], "--gauge-zero", e[2], "--json"});
    ASSERT_EQ(companion.value("outcome", ""), "fault") << companion;
    EXPECT_EQ(companion["kind"], names(row.fault).key) << companion;
    EXPECT_EQ(companion["input"], names(row.input).key) << companion;

    const std::string said = words::fault(row.fault, row.input);
    if (head) {
        const nlohmann::json page = nlohmann::json::parse(
            vordanel_calculate(nlohmann::json(e).dump().c_str()));
        EXPECT_EQ(page["outcome"], "fault");
        EXPECT_EQ(page["control"], names(row.input).control);
        EXPECT_EQ(page["said"], said);
        EXPECT_EQ(page["sheet_rows"].back().back(), said);
    } else {
        const std::string unit = "L/min";
        const nlohmann::json page = nlohmann::json::parse(
            vordanel_head_flow(nlohmann::json::array({e[0], e[1], e[2], unit}).dump().c_str()));
        EXPECT_EQ(page["failed"], true);
        EXPECT_EQ(page["text"], said);
        EXPECT_TRUE(page["mark"].is_null());
    }
}

const FaultRow faultRows[] = {
    {"HeadDiameterNotANumber", "head", {"abc", "40", "1", "99"}, Fault::NotANumber, Input::Diameter},
    {"HeadDiameterOfZero", "head", {"0", "40", "1", "99"}, Fault::DivisionByZero, Input::Diameter},
    {"HeadNegativeDiameter", "head", {"-100", "40", "1", "99"}, Fault::InvalidArgument, Input::Diameter},
    {"HeadHugeDiameter", "head", {"1e300", "40", "1", "99"}, Fault::Overflow, Input::Diameter},
    {"HeadDiameterPastTheDoubles", "head", {"1e400", "40", "1", "99"}, Fault::Overflow, Input::Diameter},
    {"HeadFlowNotANumber", "head", {"100", "y", "1", "99"}, Fault::NotANumber, Input::Flow},
    {"HeadFlowPastTheDoubles", "head", {"100", "1e400", "1", "99"}, Fault::Overflow, Input::Flow},
    {"HeadMinimumNotANumber", "head", {"100", "40", "one", "99"}, Fault::NotANumber, Input::Min},
    {"HeadMinimumOfZero", "head", {"100", "40", "0", "99"}, Fault::DivisionByZero, Input::Min},
    {"HeadNegativeMinimum", "head", {"100", "40", "-1", "99"}, Fault::InvalidArgument, Input::Min},
    {"HeadTinyMinimum", "head", {"100", "40", "1e-310", "99"}, Fault::Overflow, Input::Min},
    {"HeadMaximumNotANumber", "head", {"100", "40", "1", "x"}, Fault::NotANumber, Input::Max},
    {"HeadMaximumOfZero", "head", {"100", "40", "1", "0"}, Fault::DivisionByZero, Input::Max},
    {"HeadHugeMaximum", "head", {"100", "40", "1", "1e300"}, Fault::Overflow, Input::Max},
    {"FlowDiameterNotANumber", "flow", {"abc", "50", ""}, Fault::NotANumber, Input::Diameter},
    {"FlowDiameterOfZero", "flow", {"0", "50", ""}, Fault::DivisionByZero, Input::Diameter},
    {"FlowNegativeDiameter", "flow", {"-100", "50", ""}, Fault::InvalidArgument, Input::Diameter},
    {"FlowHugeDiameter", "flow", {"1e300", "50", ""}, Fault::Overflow, Input::Diameter},
    {"FlowHeadNotANumber", "flow", {"100", "abc", ""}, Fault::NotANumber, Input::Head},
    {"FlowNegativeHead", "flow", {"100", "-5", ""}, Fault::InvalidArgument, Input::Head},
    {"FlowHugeHead", "flow", {"100", "1e300", ""}, Fault::Overflow, Input::Head},
    {"FlowReadingBelowTheGaugeZero", "flow", {"100", "40", "50"}, Fault::InvalidArgument, Input::Head},
    {"FlowGaugeZeroNotANumber", "flow", {"100", "50", "abc"}, Fault::NotANumber, Input::GaugeZero},
    {"FlowGaugeZeroPastTheDoubles", "flow", {"100", "50", "1e400"}, Fault::Overflow, Input::GaugeZero},
};

INSTANTIATE_TEST_SUITE_P(Glue, EveryFault, testing::ValuesIn(faultRows), [](const auto& info) { return std::string(info.param.name); });

// The table above holds every entry of each command, each with a number it cannot read.
TEST(Glue, EveryFaultTableRowsCoverEveryEntryOfEachCommand)
{
    const std::pair<std::string, std::set<Input>> commands[] = {
        {"head", {Input::Diameter, Input::Flow, Input::Min, Input::Max}}, {"flow", {Input::Diameter, Input::Head, Input::GaugeZero}}};
    for (const auto& [command, inputs] : commands) {
        std::set<Input> named, unread;
        for (const FaultRow& row : faultRows)
            if (row.command == command) {
                named.insert(row.input);
                if (row.fault == Fault::NotANumber) unread.insert(row.input);
            }
        EXPECT_EQ(named, inputs) << command;
        EXPECT_EQ(unread, inputs) << command;
    }
}

}  // namespace
}  // namespace vordanel

extern "C" const char* vordanel_curve(const char* request);

namespace vordanel {
namespace {

// Where no curve can be drawn, its place says why as the window says it of the same diameter: a
// diameter not entered asks for one; one that is not a weir's is the window's fault.
TEST(PageCurve, SaysWhyThereIsNoCurveAsTheWindowSaysItOfTheDiameter)
{
    const struct { const char *name, *diameter; bool entered; } rows[] = {
        {"blank", "", false}, {"spaces", "  ", true}, {"letters", "abc", true}, {"decimal comma", "100,5", true},
        {"zero", "0", true}, {"negative", "-5", true}, {"overflowing", "1e308", true},
    };
    for (const auto& row : rows) {
        const std::string d = row.diameter, unit = "L/min";
        const auto page = nlohmann::json::parse(vordanel_curve(nlohmann::json::array({d, "", "", "", unit, 10}).dump().c_str()));
        ASSERT_EQ(page["ok"], false) << row.name;
        const std::string said = page["empty_caption"];
        const Calculation window = calculate(Entries{d, "40", "1", "99"}, ".");
        if (!row.entered) {
            EXPECT_EQ(window.outcome, Calculation::Outcome::Incomplete) << row.name;
            EXPECT_NE(said.find(names(Input::Diameter).caption), std::string::npos) << row.name << ": " << said;
        } else {
            ASSERT_EQ(window.outcome, Calculation::Outcome::Fault) << row.name;
            EXPECT_EQ(said, words::fault(window.fault, window.faultInput)) << row.name;
        }
    }
}

}  // namespace
}  // namespace vordanel

extern "C" const char* vordanel_sheet_words(const char* request);

namespace vordanel {
namespace {

// The sheet gives the window's flow as typed (L/min) and, beside it, in the workbench's unit.
TEST(PageSheet, GivesTheWindowsFlowInTheWorkbenchsUnitToo)
{
    const struct { const char *name, *flow, *unit, *shown; } rows[] = {
        {"litres a minute alone", "5000", "L/min", "5000 L/min"},
        {"cubic metres an hour", "5000", "m3/h", "5000 L/min（300 m³/h）"},
        {"litres a second", "90", "L/s", "90 L/min（1.5 L/s）"},
        {"not a number, as typed", "abc", "m3/h", "abc L/min"},
    };
    for (const auto& row : rows) {
        const std::string d = "300", q = row.flow, unit = row.unit;
        const auto sheet = nlohmann::json::parse(vordanel_sheet_words(nlohmann::json::array({d, q, "", "", unit, ""}).dump().c_str()));
        EXPECT_EQ(sheet["entries"][1][1], row.shown) << row.name;
    }
}

}  // namespace
}  // namespace vordanel
