#include "vordanel/series.h"

#include "vordanel/calculation.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace vordanel;

std::int64_t at(const char* text)
{
    const auto t = parseReadingTime(text);
    EXPECT_TRUE(t) << text;
    return t ? t->millis : 0;
}

constexpr double perLitre = 1e-3;  // L/min in m^3/min

TEST(ReadingTimes, FormsLoggersAndSpreadsheetsWrite)
{
    struct Row {
        const char* name;
        const char* text;
        const char* shown;  // nullptr: unreadable
        int offset;         // -1: none
    };
    const Row rows[] = {
        {"minutes", "2026-07-01 09:00", "2026-07-01 09:00", -1},
        {"seconds", " 2026-07-01 09:00:30 ", "2026-07-01 09:00:30", -1},
        {"iso", "2026-07-01T09:00:00", "2026-07-01 09:00", -1},
        {"iso_z", "2026-07-01T09:00:00Z", "2026-07-01 09:00", 0},
        {"iso_offset", "2026-07-01T09:00:00+09:00", "2026-07-01 09:00", 540},
        {"iso_offset_no_colon", "2026-07-01T09:00:00-0330", "2026-07-01 09:00", -210},
        {"excel_unpadded", "2026/7/1 9:00", "2026-07-01 09:00", -1},
        {"no_such_date", "2026-02-30 09:00", nullptr, -1},
        {"hour_25", "2026-07-01 25:00", nullptr, -1},
        {"date_only", "2026-07-01", nullptr, -1},
        {"trailing_text", "2026-07-01 09:00 x", nullptr, -1},
        {"z_and_offset", "2026-07-01T09:00:00+09:00Z", nullptr, -1},
    };
    for (const Row& row : rows) {
        const auto t = parseReadingTime(row.text);
        ASSERT_EQ(t.has_value(), row.shown != nullptr) << row.name;
        if (!t) continue;
        EXPECT_EQ(readingTimeText(t->millis), row.shown) << row.name;
        EXPECT_EQ(t->offsetMinutes.value_or(-1), row.offset) << row.name;
    }
    const auto two = parseReadingTime("2026/7/1", "9:05");
    ASSERT_TRUE(two);
    EXPECT_EQ(readingTimeText(two->millis), "2026-07-01 09:05");
}

TEST(ReadingClock, OrderAndOffsets)
{
    struct Row {
        const char* name;
        std::vector<const char*> times;
        std::vector<const char*> placed;  // "" where the reading is noted
        std::vector<std::optional<ReadingNote>> notes;
    };
    const Row rows[] = {
        {"duplicate", {"2026-07-01 09:00", "2026-07-01 09:00"}, {"2026-07-01 09:00", ""}, {std::nullopt, ReadingNote::DuplicateTime}},
        {"earlier", {"2026-07-01 09:10", "2026-07-01 09:00", "2026-07-01 09:20"}, {"2026-07-01 09:10", "", "2026-07-01 09:20"},
         {std::nullopt, ReadingNote::EarlierTime, std::nullopt}},
        // 15:40Z is 00:40 the next day on the first reading's clock (+09:00); 16:40+01:00 is the same instant.
        {"offsets_on_first_clock", {"2026-07-01T23:30:00+09:00", "2026-07-01T15:40:00Z", "2026-07-01T16:40:00+01:00"},
         {"2026-07-01 23:30", "2026-07-02 00:40", ""}, {std::nullopt, std::nullopt, ReadingNote::DuplicateTime}},
        {"unreadable", {"yesterday"}, {""}, {ReadingNote::UnreadableTime}},
    };
    for (const Row& row : rows) {
        ReadingClock clock;
        for (std::size_t i = 0; i < row.times.size(); ++i) {
            const auto placed = clock.place(parseReadingTime(row.times[i]));
            EXPECT_EQ(placed.millis ? readingTimeText(*placed.millis) : "", row.placed[i]) << row.name << " " << i;
            EXPECT_EQ(placed.note, row.notes[i]) << row.name << " " << i;
        }
    }
}

TEST(ReadingFlows, EachHeadItsFlowAndNote)
{
    const Curve curve = curveOf(0.1);
    struct Row {
        const char* name;
        double headMm;
        std::optional<double> litres;  // by hand: D^1.5 mu k at the head; nullopt: no flow
        std::optional<ReadingNote> note;
    };
    const Row rows[] = {
        {"head_0", 0, 0.0, ReadingNote::BelowOpening},
        {"below_opening", -3, 0.0, ReadingNote::BelowOpening},
        // 0.1^1.5 (0.1/5.5 + 0.555 + 0.0205)(10.12 0.5^1.975 - 2.66 0.5^3.76) m^3/min
        {"half_the_diameter", 50, 44.64, std::nullopt},
        {"above_top", 120, std::nullopt, ReadingNote::AboveWeir},
        {"past_peak", 150, std::nullopt, ReadingNote::PastPeak},
    };
    for (const Row& row : rows) {
        const ReadingFlow r = flowAtReading(curve, row.headMm / 1000);
        EXPECT_EQ(r.note, row.note) << row.name;
        if (row.note && !hasFlow(*row.note)) {
            EXPECT_FALSE(r.flow) << row.name;
            continue;
        }
        ASSERT_TRUE(r.flow) << row.name;
        if (row.litres) {
            EXPECT_NEAR(*r.flow / perLitre, *row.litres, 0.005) << row.name;
        }
    }
    // Above the top but below the peak the flow is still the formula's, and rises with the head.
    const ReadingFlow top = flowAtReading(curve, 0.12), peak = flowAtReading(curve, curve.peakHead);
    ASSERT_TRUE(top.flow && peak.flow);
    EXPECT_GT(*peak.flow, *top.flow);
}

TEST(ReadingFlows, SlopeIsTheFormulasDerivative)
{
    for (const double D : {0.05, 0.1, 0.3})
        for (const double r : {0.05, 0.3, 0.8, 1.2, 1.45}) {
            const Weir weir(D);
            const double h = r * D, step = h * 1e-5;
            double up = 0, down = 0;
            ASSERT_FALSE(weir.residual(up, h + step, 0));
            ASSERT_FALSE(weir.residual(down, h - step, 0));
            EXPECT_NEAR(dischargeSlope(weir, h), (up - down) / (2 * step), 1e-7 * std::fabs(up) / h) << D << " " << r;
        }
}

TEST(ReadingFlows, LevelsInOtherUnits)
{
    EXPECT_EQ(headOfLevel(12.3, 1, 0), 123);
    EXPECT_EQ(headOfLevel(0.1503, 3, 100.3), 50);
    EXPECT_EQ(headOfLevel(150, 0, 100), 50);
    // The places as a file's cells show them: 135.3 on a gauge zeroed at 100.25 is 35.05 as written.
    EXPECT_EQ(headOfLevel(135.3, 0, 100.25, placesWritten("135.3"), placesWritten("100.25")), 35.05);
    EXPECT_EQ(headOfLevel(13.53, 1, 100.25, placesWritten("13,53", ','), 2), 35.05);
    EXPECT_EQ(placesWritten("1.5e2"), -1);
}

struct Given {
    const char* time;
    double litres;  // per minute
    double slope = 0;
};
struct DayWanted {
    const char* day;
    double volume;  // m^3
    long long readings;
    double coveredHours;
    const char* maxAt;
};

std::vector<DayVolume> daysOf(const std::vector<Given>& readings, const DayRules& rules, DayVolume* total = nullptr)
{
    DailyVolumes days(rules);
    std::vector<DayVolume> out;
    for (const Given& g : readings) days.add(at(g.time), g.litres * perLitre, g.slope, std::nullopt, out);
    days.finish(out);
    if (total) *total = days.total();
    return out;
}

TEST(DailyVolumes, TheRulesOnWorkedDays)
{
    constexpr std::int64_t minute = 60'000;
    struct Row {
        const char* name;
        std::int64_t dayStart, maxGap;
        std::vector<Given> readings;
        std::vector<DayWanted> days;
    };
    const Row rows[] = {
        // 20 min at 60 L/min: 1.2 m^3.
        {"gap_of_exactly_max_gap", 0, 20 * minute, {{"2026-07-01 10:00", 60}, {"2026-07-01 10:20", 60}},
         {{"2026-07-01", 1.2, 2, 20.0 / 60, "2026-07-01 10:00"}}},
        {"gap_past_max_gap", 0, 20 * minute, {{"2026-07-01 10:00", 60}, {"2026-07-01 10:21", 60}},
         {{"2026-07-01", 0, 2, 0, "2026-07-01 10:00"}}},
        // Days from 09:00: the reading at 09:00 starts the day of 07-01; 10 min at (60+90)/2 L/min fall in 06-30's.
        {"reading_at_day_start", 9 * 60 * minute, 20 * minute, {{"2026-07-01 08:50", 60}, {"2026-07-01 09:00", 90}},
         {{"2026-06-30", 0.75, 1, 10.0 / 60, "2026-07-01 08:50"}, {"2026-07-01", 0, 1, 0, "2026-07-01 09:00"}}},
        // 0 L/min at 23:50, 120 at 00:10: 60 at midnight; 10 min (0+60)/2 = 0.3 m^3, 10 min (60+120)/2 = 0.9.
        {"boundary_between_readings", 0, 20 * minute, {{"2026-07-01 23:50", 0}, {"2026-07-02 00:10", 120}},
         {{"2026-07-01", 0.3, 1, 10.0 / 60, "2026-07-01 23:50"}, {"2026-07-02", 0.9, 1, 10.0 / 60, "2026-07-02 00:10"}}},
        // A day between without a reading is put out, all missing.
        {"day_without_readings", 0, 20 * minute, {{"2026-07-01 12:00", 60}, {"2026-07-03 12:00", 60}},
         {{"2026-07-01", 0, 1, 0, "2026-07-01 12:00"}, {"2026-07-02", 0, 0, 0, ""}, {"2026-07-03", 0, 1, 0, "2026-07-03 12:00"}}},
        // A long gap bridged: 48 h at 60 L/min cut into three days, 12 h, 24 h and 12 h.
        {"bridged_across_days", 0, 3000 * minute, {{"2026-07-01 12:00", 60}, {"2026-07-03 12:00", 60}},
         {{"2026-07-01", 43.2, 1, 12, "2026-07-01 12:00"}, {"2026-07-02", 86.4, 0, 24, ""}, {"2026-07-03", 43.2, 1, 12, "2026-07-03 12:00"}}},
    };
    for (const Row& row : rows) {
        const auto days = daysOf(row.readings, {row.dayStart, row.maxGap, {}});
        ASSERT_EQ(days.size(), row.days.size()) << row.name;
        for (std::size_t i = 0; i < days.size(); ++i) {
            const DayVolume& d = days[i];
            const DayWanted& w = row.days[i];
            EXPECT_EQ(readingTimeText(d.start).substr(0, 10), w.day) << row.name << " " << i;
            EXPECT_NEAR(d.volume, w.volume, 1e-12) << row.name << " " << i;
            EXPECT_EQ(d.readings, w.readings) << row.name << " " << i;
            EXPECT_NEAR(d.coveredMillis / 3.6e6, w.coveredHours, 1e-12) << row.name << " " << i;
            EXPECT_NEAR(d.missingMillis / 3.6e6, 24 - w.coveredHours, 1e-12) << row.name << " " << i;
            EXPECT_EQ(d.maxFlow ? readingTimeText(d.maxAt) : "", w.maxAt) << row.name << " " << i;
            EXPECT_EQ(d.notes().empty(), w.coveredHours == 24) << row.name << " " << i;
        }
    }
}

TEST(DailyVolumes, LeftOutReadingsAreNotedInTheirDay)
{
    DailyVolumes days({0, 20 * 60'000, {}});
    std::vector<DayVolume> out;
    days.add(at("2026-07-01 23:40"), 0.06, 0, std::nullopt, out);
    days.leftOut(at("2026-07-01 23:50"), ReadingNote::PastPeak);
    days.leftOut(at("2026-07-02 00:10"), ReadingNote::PastPeak);  // the next day's
    days.add(at("2026-07-02 00:20"), 0.06, 0, ReadingNote::AboveWeir, out);
    days.finish(out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].notes(), (std::vector<std::string>{"hours_missing:24", "past_peak:1"}));
    EXPECT_EQ(out[1].notes(), (std::vector<std::string>{"hours_missing:24", "above_weir:1", "past_peak:1"}));
    EXPECT_EQ(days.total().noted[static_cast<int>(ReadingNote::PastPeak)], 2);
}

TEST(Uncertainty, FlowAndVolumeOnWorkedValues)
{
    // U(Q) = sqrt((2 0.001)^2 + (2 0.002)^2 + (0.05 0.06)^2) = sqrt(29e-6).
    EXPECT_NEAR(flowUncertainty(0.06, 2, {0.001, 0.002, 0.05}), std::sqrt(29e-6), 1e-15);
    struct Row {
        const char* name;
        std::vector<Given> readings;
        Uncertainties u;
        std::vector<double> days;  // U(V) of each day, m^3
        double total;
    };
    const Row rows[] = {
        // w = 5, 5 min: V = 0.9; sqrt((5 2 .001)^2 + (5 4 .001)^2 + (30 .002)^2 + (.05 .9)^2) = sqrt(0.006125).
        {"two_readings", {{"2026-07-01 10:00", 60, 2}, {"2026-07-01 10:10", 120, 4}}, {0.001, 0.002, 0.05},
         {std::sqrt(0.006125)}, std::sqrt(0.006125)},
        // The middle reading weighs 10 min, once: (5^2 + 10^2 + 5^2) (0.001)^2.
        {"middle_reading_whole", {{"2026-07-01 10:00", 60, 1}, {"2026-07-01 10:10", 60, 1}, {"2026-07-01 10:20", 60, 1}},
         {0.001, 0, 0}, {std::sqrt(150) * 0.001}, std::sqrt(150) * 0.001},
        // Cut at midnight: weights 7.5 and 2.5 in each day, 10 and 10 in the total.
        {"split_at_boundary", {{"2026-07-01 23:50", 60, 1}, {"2026-07-02 00:10", 60, 1}}, {0.001, 0, 0},
         {std::sqrt(62.5) * 0.001, std::sqrt(62.5) * 0.001}, std::sqrt(200) * 0.001},
    };
    for (const Row& row : rows) {
        DayVolume total;
        const auto days = daysOf(row.readings, {0, 20 * 60'000, row.u}, &total);
        ASSERT_EQ(days.size(), row.days.size()) << row.name;
        for (std::size_t i = 0; i < days.size(); ++i)
            EXPECT_NEAR(days[i].volumeUncertainty(row.u), row.days[i], 1e-12) << row.name << " " << i;
        EXPECT_NEAR(total.volumeUncertainty(row.u), row.total, 1e-12) << row.name;
    }
}

TEST(IntervalCount, MostCommonShortestOfATie)
{
    IntervalCount count;
    for (const std::int64_t t : {0, 10, 20, 30, 45, 60, 75}) count.add(t);
    EXPECT_EQ(count.mostCommon(), 10);
}

double denseError(const Curve& curve, const Breakpoints& b)
{
    double worst = 0;
    for (std::size_t i = 0; i + 1 < b.heads.size(); ++i)
        for (int k = 0; k <= 4000; ++k) {
            const double h = b.heads[i] + (b.heads[i + 1] - b.heads[i]) * k / 4000;
            double F = 0;
            if (h > 0) (void)curve.weir.residual(F, h, 0);
            const double line = b.flows[i] + (b.flows[i + 1] - b.flows[i]) * (h - b.heads[i]) / (b.heads[i + 1] - b.heads[i]);
            worst = std::max(worst, std::fabs(F - line));
        }
    return worst;
}

TEST(Breakpoints, StatedErrorIsTrueAndNoPointMovedBettersIt)
{
    for (const double D : {0.1, 0.3})
        for (const int n : {4, 16}) {
            const Curve curve = curveOf(D);
            const Breakpoints b = breakpointTable(curve, 0, D, n);
            ASSERT_EQ(b.heads.size(), static_cast<std::size_t>(n));
            const double dense = denseError(curve, b);
            EXPECT_GE(b.maxError, dense * (1 - 1e-12)) << D << " " << n;
            EXPECT_LE(b.maxError, dense * (1 + 1e-4)) << D << " " << n;
            // Moving any inner point a little either way makes the table no better.
            for (std::size_t i = 1; i + 1 < b.heads.size(); ++i)
                for (const double shift : {-0.01, 0.01}) {
                    Breakpoints moved = b;
                    moved.heads[i] += shift * (b.heads[i + 1] - b.heads[i - 1]);
                    double F = 0;
                    (void)curve.weir.residual(F, moved.heads[i], 0);
                    moved.flows[i] = F;
                    EXPECT_GE(interpolationError(curve, moved.heads, moved.flows), b.maxError * (1 - 1e-6)) << D << " " << n << " " << i;
                }
        }
}

// Every table of N points on a grid of heads, tried one by one (two inner points at most): none
// errs by less than the least error the search states, and the search's own table is no worse
// than the best of them. Ranges across the inflection (about 0.85 D) included, where a shorter
// segment can err more than a longer one.
TEST(Breakpoints, NoTableOfAsManyPointsDoesBetter)
{
    const struct { const char* name; double D, from, to; int n; } rows[] = {
        {"ThreePointsFromTheOpening", 0.1, 0, 0.1, 3},
        {"FourPointsFromTheOpening", 0.3, 0, 0.3, 4},
        {"ThreePointsAcrossTheInflection", 0.1, 0.06, 0.1, 3},
        {"FourPointsAcrossTheInflection", 0.1, 0.07, 0.1, 4},
        {"FourPointsOnTheRisingPart", 0.2, 0.01, 0.12, 4},
    };
    for (const auto& row : rows) {
        const Curve curve = curveOf(row.D);
        const Breakpoints b = breakpointTable(curve, row.from, row.to, row.n);
        ASSERT_EQ(b.heads.size(), static_cast<std::size_t>(row.n)) << row.name;
        EXPECT_LE(b.leastPossible, b.maxError) << row.name;
        EXPECT_LE(b.maxError, b.leastPossible * (1 + 1e-6)) << row.name;
        constexpr int grid = 160;
        const auto head = [&](int i) { return row.from + (row.to - row.from) * i / grid; };
        const auto flow = [&](double h) {
            double F = 0;
            if (h > 0) (void)curve.weir.residual(F, h, 0);
            return F;
        };
        // The error of one segment, sampled and its worst refined: the grid's tables are judged
        // apart from the search.
        const auto segment = [&](int i, int j) {
            const double a = head(i), b = head(j), fa = flow(a), fb = flow(b);
            const auto off = [&](double h) { return std::fabs(flow(h) - (fa + (fb - fa) * (h - a) / (b - a))); };
            int worst = 0;
            for (int k = 1; k < 200; ++k)
                if (off(a + (b - a) * k / 200) > off(a + (b - a) * worst / 200)) worst = k;
            double lo = a + (b - a) * std::max(worst - 1, 0) / 200, hi = a + (b - a) * (worst + 1) / 200;
            for (int k = 0; k < 60; ++k) (off(lo + (hi - lo) / 3) < off(hi - (hi - lo) / 3) ? lo : hi) = off(lo + (hi - lo) / 3) < off(hi - (hi - lo) / 3) ? lo + (hi - lo) / 3 : hi - (hi - lo) / 3;
            return std::max(off(a + (b - a) * worst / 200), off(lo));
        };
        std::vector<std::vector<double>> e(grid + 1, std::vector<double>(grid + 1, 0));
        for (int i = 0; i <= grid; ++i)
            for (int j = i + 1; j <= grid; ++j) e[i][j] = segment(i, j);
        double best = INFINITY;
        for (int i = 1; i < grid; ++i) {
            if (row.n == 3) best = std::min(best, std::max(e[0][i], e[i][grid]));
            else
                for (int j = i + 1; j < grid; ++j) best = std::min(best, std::max({e[0][i], e[i][j], e[j][grid]}));
        }
        EXPECT_GE(best, b.leastPossible * (1 - 1e-9)) << row.name;
        EXPECT_LE(b.maxError, best * (1 + 1e-9)) << row.name;
    }
}

}  // namespace
