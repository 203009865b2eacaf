// The page's glue, built natively and held to the companion: what the page says of an entry is
// what `vordanel-cli` says of it, in the core's words.
#include "flow.h"

#include "vordanel/calculation.h"
#include "vordanel/words.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>

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

}  // namespace
}  // namespace vordanel
