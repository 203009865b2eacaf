#include "cli.h"

#include "vordanel/cp932.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <variant>
#include <optional>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Ran {
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

// The companion in this process, on its own scratch files.
Ran series(std::vector<std::string> args, const std::string& input)
{
    args.insert(args.begin(), {"vordanel-cli", "series"});
    std::FILE* in = std::tmpfile();
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    std::fwrite(input.data(), 1, input.size(), in);
    std::rewind(in);
    const int status = vordanel::cli::run(args, in, out, err);
    std::fclose(in);
    return {status, slurp(out), slurp(err)};
}

// Loggers' files as Excel, LibreOffice and the loggers themselves write them. The flows: 44.64 L/min
// at a head of 50 mm and 47.96 at 52 over a 100 mm weir, as `flow` gives them.
TEST(Series, LoggersFilesComeBackWithTheirFlows)
{
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::string input, output;
        int status;
    };
    const std::string jp = vordanel::cp932FromUtf8("日時,水位(cm)\r\n");
    const std::string jpOut = vordanel::cp932FromUtf8("日時,水位(cm),越流高さ(mm) [底部から],流量(L/min),注記\r\n");
    const Row rows[] = {
        {"iso_mm_over_gauge_zero_bom_crlf", {"-d", "100", "--gauge-zero", "100"},
         "\xEF\xBB\xBFtime,level_mm,battery\r\n2026-07-01T09:00:00+09:00,150,3.6\r\n2026-07-01T09:10:00+09:00,152,3.6\r\n",
         "\xEF\xBB\xBFtime,level_mm,battery,head_mm,flow_lpm,note\r\n2026-07-01T09:00:00+09:00,150,3.6,50,44.64,\r\n"
         "2026-07-01T09:10:00+09:00,152,3.6,52,47.96,\r\n",
         0},
        {"cp932_excel_unpadded_cm", {"-d", "100", "--gauge-zero", "100"}, jp + "2026/7/1 9:00,15\r\n2026/7/1 9:10,15.2\r\n",
         jpOut + "2026/7/1 9:00,15,50,44.64,\r\n2026/7/1 9:10,15.2,52,47.96,\r\n", 0},
        {"cp932_full_width_digits", {"-d", "100", "--gauge-zero", "100"}, jp + vordanel::cp932FromUtf8("2026/7/1 9:00,１５\r\n"),
         jpOut + vordanel::cp932FromUtf8("2026/7/1 9:00,１５,50,44.64,\r\n"), 0},
        {"date_and_time_semicolon_decimal_comma", {"-d", "100"},
         "date;time;level_mm\n2026-07-01;09:00;50,0\n2026-07-01;09:00;52\n2026-07-01;09:10;\n",
         "date;time;level_mm;head_mm;flow_lpm;note\n2026-07-01;09:00;50,0;50;44,64;\n2026-07-01;09:00;52;52;;duplicate_time\n"
         "2026-07-01;09:10;;;;unreadable_level\n",
         1},
        {"title_lines_columns_by_options",
         {"-d", "100", "--gauge-zero", "100", "--time-column", "Date Time, GMT+09:00", "--level-column", "Water Level (m)",
          "--level-unit", "m"},
         "\"Plot Title: weir 3\"\n#,\"Date Time, GMT+09:00\",Water Level (m)\n1,2026/7/1 9:00,0.15\n2,2026/7/1 9:10,0.3\n",
         "\"Plot Title: weir 3\"\n#,\"Date Time, GMT+09:00\",Water Level (m),head_mm,flow_lpm,note\n1,2026/7/1 9:00,0.15,50,44.64,\n"
         "2,2026/7/1 9:10,0.3,200,,past_peak\n",
         1},
    };
    for (const Row& row : rows) {
        const Ran r = series(row.args, row.input);
        EXPECT_EQ(r.out, row.output) << row.name << "\n" << r.err;
        EXPECT_EQ(r.status, row.status) << row.name << "\n" << r.err;
    }
}

// A Japanese sheet saved in CP932 gets the days the same sheet in UTF-8 gets, in CP932: notes too.
TEST(Series, DailyOfASheetInShiftJisIsInShiftJis)
{
    const std::string sheet = "日時,水位(cm)\r\n2026/7/1 9:00,15\r\n2026/7/1 9:10,15.2\r\n2026/7/1 11:00,15\r\n2026/7/1 11:10,30\r\n";
    const std::vector<std::string> args = {"-d", "100", "--gauge-zero", "100", "--daily"};
    const Ran utf8 = series(args, sheet), cp932 = series(args, vordanel::cp932FromUtf8(sheet));
    ASSERT_NE(utf8.out.find("欠測"), std::string::npos) << utf8.out;
    EXPECT_EQ(vordanel::utf8FromCp932(cp932.out).value_or("not CP932"), utf8.out);
    EXPECT_EQ(cp932.status, utf8.status);
}

TEST(Series, NoColumnsIsAnErrorThatNamesThoseFound)
{
    const Ran r = series({"-d", "100"}, "stamp,depth\n2026-07-01 09:00,50\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("'stamp', 'depth'"), std::string::npos) << r.err;
}

// Heads by hand: 50 mm (44.64 L/min) every 10 min from 23:40, one reading past the peak at 00:10, a
// 30-minute gap after it (twice the most common interval is 20 min), then 00:40 and 00:50.
TEST(Series, DailyFollowsTheRules)
{
    const std::string file = "time,head_mm\n"
                             "2026-07-01 23:40,50\n2026-07-01 23:50,50\n2026-07-02 00:00,50\n2026-07-02 00:10,160\n"
                             "2026-07-02 00:40,50\n2026-07-02 00:50,50\n";
    const Ran r = series({"-d", "100", "--daily", "--json", "--head-uncertainty", "1"}, file);
    EXPECT_EQ(r.status, 1) << r.err;
    const auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["max_gap_min"], 20);
    ASSERT_EQ(json["days"].size(), 2u);
    const auto& first = json["days"][0];
    const auto& second = json["days"][1];
    const double q = json["days"][0]["max_flow"];  // L/min
    EXPECT_NEAR(q, 44.64, 0.005);
    EXPECT_EQ(first["day"], "2026-07-01");
    EXPECT_EQ(first["readings"], 2);
    EXPECT_NEAR(double(first["volume_m3"]), 20 * q / 1000, 1e-12);  // 23:40 to 00:00
    EXPECT_NEAR(double(first["covered_h"]), 20.0 / 60, 1e-12);
    EXPECT_EQ(second["readings"], 3);
    EXPECT_EQ(second["max_at"], "2026-07-02 00:00");
    EXPECT_NEAR(double(second["volume_m3"]), 10 * q / 1000, 1e-12);  // 00:40 to 00:50; 00:00 to 00:40 not bridged
    EXPECT_NEAR(double(second["missing_h"]), 24 - 10.0 / 60, 1e-12);
    EXPECT_EQ(second["notes"], nlohmann::json({"hours_missing:23.8333", "past_peak:1"}));
    EXPECT_NEAR(double(json["total"]["volume_m3"]), 30 * q / 1000, 1e-12);
    EXPECT_EQ(json["total"]["readings"], 5);
}

}  // namespace

namespace {

// A level meter's table as the companion prints it: the points in the unit asked for, readings on
// the gauge beside their heads, and the error of the numbers as printed, which is the least any
// table of as many points could have (the core's tests show that bound holds).
TEST(Breakpoints, TheTableIsItsPointsWithTheirErrorAndTheLeastPossible)
{
    const auto table = [](std::vector<std::string> args) {
        args.insert(args.begin(), {"vordanel-cli", "table"});
        std::FILE *in = std::tmpfile(), *out = std::tmpfile(), *err = std::tmpfile();
        const int status = vordanel::cli::run(args, in, out, err);
        std::fclose(in);
        return Ran{status, slurp(out), slurp(err)};
    };
    const struct { const char* name; std::vector<std::string> args; std::size_t points; double zero; std::string key; } rows[] = {
        {"LitresPerMinute", {"-d", "100", "--breakpoints", "16"}, 16, 0, "flow_lpm"},
        {"CubicMetresPerHourOnAGauge", {"-d", "300", "--breakpoints", "5", "--flow-unit", "m3/h", "--gauge-zero", "37.5"}, 5, 37.5, "flow_m3h"},
        {"PartOfTheRange", {"-d", "100", "--breakpoints", "4", "--heads", "70:100"}, 4, 0, "flow_lpm"},
    };
    for (const auto& row : rows) {
        const Ran printed = table(row.args);
        ASSERT_EQ(printed.status, 0) << row.name << printed.err;
        EXPECT_NE(printed.err.find("no " + std::to_string(row.points) + " points on the curve err by less than"), std::string::npos) << printed.err;
        auto args = row.args;
        args.push_back("--json");
        const Ran ran = table(args);
        ASSERT_EQ(ran.status, 0) << row.name << ran.err;
        const auto j = nlohmann::json::parse(ran.out);
        ASSERT_EQ(j["table"].size(), row.points) << row.name;
        for (const auto& point : j["table"]) {
            ASSERT_TRUE(point.contains(row.key)) << row.name << point;
            if (row.zero) {
                EXPECT_DOUBLE_EQ(point["reading_mm"].get<double>(), point["head_mm"].get<double>() + row.zero) << row.name;
            }
        }
        const double error = j["max_error"], least = j["least_possible_error"];
        EXPECT_GT(least, 0) << row.name;
        EXPECT_LE(least, error * (1 + 1e-9)) << row.name;
        EXPECT_LE(error, least * (1 + 1e-6)) << row.name;
        // The CSV's rows are the JSON's points, under one header.
        EXPECT_EQ(static_cast<std::size_t>(std::count(printed.out.begin(), printed.out.end(), '\n')), row.points + 1) << row.name;
    }
}

// A record's settings are read before any reading: a fault names the entry at fault where there
// is one, in English and Japanese; good settings give the day's start and the gap bridged.
TEST(Series, PlanNamesTheSettingAtFault)
{
    struct Row {
        const char* name;
        std::string diameter, gaugeZero, dayStart;
        std::optional<double> maxGap;
        bool fault;
        std::optional<vordanel::Input> input;
        std::int64_t dayStartMs = 0;
        std::optional<std::int64_t> maxGapMs = std::nullopt;
    };
    using vordanel::Input;
    const std::vector<Row> rows = {
        {"DiameterNotANumber", "abc", "", "00:00", std::nullopt, true, Input::Diameter},
        {"DiameterZero", "0", "", "00:00", std::nullopt, true, Input::Diameter},
        {"GaugeZeroNotANumber", "100", "x", "00:00", std::nullopt, true, Input::GaugeZero},
        {"DayStartPastMidnight", "100", "", "24:00", std::nullopt, true, std::nullopt},
        {"DayStartWithoutMinutes", "100", "", "9", std::nullopt, true, std::nullopt},
        {"GapOfNoLength", "100", "", "00:00", 0.0, true, std::nullopt},
        {"DefaultGap", "100", "120.5", "06:30", std::nullopt, false, std::nullopt, 23'400'000},
        {"GapGiven", "100", "", "9:05", 7.5, false, std::nullopt, 32'700'000, 450'000},
    };
    for (const Row& row : rows) {
        vordanel::cli::SeriesOptions options;
        options.diameter = row.diameter;
        options.gaugeZero = row.gaugeZero;
        options.dayStart = row.dayStart;
        options.maxGapMinutes = row.maxGap;
        const auto planned = vordanel::cli::planSeries(options);
        const auto* fault = std::get_if<vordanel::cli::SeriesFault>(&planned);
        ASSERT_EQ(fault != nullptr, row.fault) << row.name;
        if (fault) {
            EXPECT_EQ(fault->input, row.input) << row.name;
            EXPECT_FALSE(fault->english.empty()) << row.name;
            EXPECT_FALSE(fault->japanese.empty()) << row.name;
            continue;
        }
        const auto& plan = std::get<vordanel::cli::SeriesPlan>(planned);
        EXPECT_EQ(plan.dayStart, row.dayStartMs) << row.name;
        EXPECT_EQ(plan.maxGap, row.maxGapMs) << row.name;
        EXPECT_FALSE(plan.curve.fault) << row.name;
    }
}

}  // namespace
