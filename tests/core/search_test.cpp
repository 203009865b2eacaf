#include "vordanel/search.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace vordanel {
namespace {

std::string significant12(double x)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.12g", x);
    return text;
}

// Entries as typed on the window (mm, L/min), converted by the division by 1000.
struct RunRow {
    const char* name;
    double diameter, flow, min, max;
    SearchResult::Outcome outcome;
    const char* xMid;  // 12 significant digits
    int trialCount;
    friend void PrintTo(const RunRow& r, std::ostream* os) { *os << r.name; }
};

class WorkedRuns : public testing::TestWithParam<RunRow> {};

TEST_P(WorkedRuns, EndAsWorkedOutWithOneEvaluationPerPassAfterTheEnds)
{
    const auto& row = GetParam();
    const auto r = search(row.flow / 1000, row.diameter / 1000, row.min / 1000, row.max / 1000);
    ASSERT_EQ(r.outcome, row.outcome);
    EXPECT_EQ(r.trialCount, row.trialCount);
    EXPECT_EQ(r.evaluations, row.trialCount + 2);
    if (row.outcome == SearchResult::Outcome::Converged) {
        EXPECT_TRUE(r.toleranceMet);
        EXPECT_EQ(significant12(r.xMid), row.xMid);
    }
}

using O = SearchResult::Outcome;
INSTANTIATE_TEST_SUITE_P(
    Search, WorkedRuns,
    testing::Values(RunRow{"Weir100Flow40", 100, 40, 1, 99, O::Converged, "0.0471049804688", 12},
                    RunRow{"Weir100Flow40UpToDiameter", 100, 40, 1, 100, O::Converged, "0.0471041259766", 13},
                    RunRow{"ReversedBracketSameMidpoints", 100, 40, 99, 1, O::Converged, "0.0471049804688", 12},
                    RunRow{"Weir200Flow100", 200, 100, 10, 150, O::Converged, "0.0881176757813", 13},
                    RunRow{"HeadAboveWeir", 50, 60, 1, 70, O::Converged, "0.0572646484375", 10},
                    RunRow{"AllResidualsPositive", 100, 40, 60, 99, O::NoSignChange, "", 1},
                    RunRow{"DegenerateBracket", 100, 40, 50, 50, O::NoSignChange, "", 1},
                    RunRow{"AllResidualsNegative", 50, 60, 1, 100, O::NoSignChange, "", 1},
                    RunRow{"FlowBeyondTheWeir", 100, 143, 1, 100, O::NoSignChange, "", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Search, FirstWorkedRunPassByPass)
{
    struct Expected {
        double xLow, xHigh, xMid, fMid;
        Step step;
    };
    const std::vector<Expected> expected = {
        {0.001, 0.099, 0.05, 0.004642, Step::LowerHigh},
        {0.001, 0.05, 0.0255, -0.02735, Step::RaiseLow},
        {0.0255, 0.05, 0.03775, -0.0135, Step::RaiseLow},
        {0.03775, 0.05, 0.043875, -0.004919, Step::RaiseLow},
        {0.043875, 0.05, 0.0469375, -0.0002544, Step::RaiseLow},
        {0.0469375, 0.05, 0.04846875, 0.002166, Step::LowerHigh},
        {0.0469375, 0.04846875, 0.047703125, 0.0009485, Step::LowerHigh},
        {0.0469375, 0.047703125, 0.0473203125, 0.0003452, Step::LowerHigh},
        {0.0469375, 0.0473203125, 0.04712890625, 0.00004496, Step::LowerHigh},
        {0.0469375, 0.04712890625, 0.04703320313, -0.0001048, Step::RaiseLow},
        {0.04703320313, 0.04712890625, 0.04708105469, -0.00002997, Step::RaiseLow},
        {0.04708105469, 0.04712890625, 0.04710498047, 0.000007485, Step::Converged},
    };
    std::vector<Pass> passes;
    search(0.04, 0.1, 0.001, 0.099, [&](const Pass& p) { passes.push_back(p); });
    ASSERT_EQ(passes.size(), expected.size());
    for (std::size_t i = 0; i < passes.size(); ++i) {
        SCOPED_TRACE("pass " + std::to_string(i + 1));
        EXPECT_EQ(passes[i].trialCount, static_cast<int>(i + 1));
        EXPECT_NEAR(passes[i].xLow, expected[i].xLow, 1e-11);
        EXPECT_NEAR(passes[i].xHigh, expected[i].xHigh, 1e-11);
        EXPECT_NEAR(passes[i].xMid, expected[i].xMid, 1e-11);
        EXPECT_NEAR(passes[i].fMid, expected[i].fMid, std::fabs(expected[i].fMid) * 5e-4);
        EXPECT_EQ(passes[i].step, expected[i].step);
    }
}

TEST(Search, DegenerateBracketWithinToleranceConvergesInPassOne)
{
    double atHead = 0;
    ASSERT_FALSE(FN1(atHead, 0.05, 0, 0.1));
    const auto r = search(atHead + 0.000005, 0.1, 0.05, 0.05);
    EXPECT_EQ(r.outcome, SearchResult::Outcome::Converged);
    EXPECT_EQ(r.trialCount, 1);
    EXPECT_EQ(r.xMid, 0.05);
}

TEST(Search, ExactRootAtABracketEndDoesNotKeepTheSearchAlive)
{
    double atRoot = 0;
    ASSERT_FALSE(FN1(atRoot, 0.03, 0, 0.1));
    const auto r = search(atRoot, 0.1, 0.03, 0.09);
    EXPECT_EQ(r.outcome, SearchResult::Outcome::NoSignChange);
    EXPECT_EQ(r.trialCount, 1);
}

TEST(Search, BracketHoldingTwoRootsFollowsTheUpperHalf)
{
    // Below 2.114 diameters the discharge is positive, above it negative: 1..250 mm over a
    // 100 mm weir has a root on the rising and one on the falling side.
    std::vector<Pass> passes;
    const auto r = search(0.04, 0.1, 0.001, 0.25, [&](const Pass& p) { passes.push_back(p); });
    ASSERT_EQ(r.outcome, SearchResult::Outcome::Converged);
    ASSERT_FALSE(passes.empty());
    EXPECT_LT(passes[0].fLow, 0);
    EXPECT_LT(passes[0].fHigh, 0);
    EXPECT_EQ(passes[0].step, Step::RaiseLow);
    EXPECT_GT(r.xMid, 0.149);
}

struct FaultRunRow {
    const char* name;
    double Q, D, xLow, xHigh;
    Fault fault;
    Point faultAt;
    int evaluations;
    friend void PrintTo(const FaultRunRow& r, std::ostream* os) { *os << r.name; }
};

class FaultRuns : public testing::TestWithParam<FaultRunRow> {};

TEST_P(FaultRuns, StopAtTheFirstFaultingEvaluation)
{
    const auto& row = GetParam();
    const auto r = search(row.Q, row.D, row.xLow, row.xHigh);
    ASSERT_EQ(r.outcome, SearchResult::Outcome::Fault);
    EXPECT_EQ(r.fault, row.fault);
    EXPECT_EQ(r.faultAt, row.faultAt);
    EXPECT_EQ(r.evaluations, row.evaluations);
}

INSTANTIATE_TEST_SUITE_P(
    Search, FaultRuns,
    testing::Values(FaultRunRow{"ZeroMinimum", 0.04, 0.1, 0, 0.099, Fault::DivisionByZero, Point::Low, 2},
                    FaultRunRow{"ZeroMaximum", 0.04, 0.1, 0.001, 0, Fault::DivisionByZero, Point::High, 1},
                    FaultRunRow{"ZeroDiameter", 0.04, 0, 0.001, 0.099, Fault::DivisionByZero, Point::High, 1},
                    FaultRunRow{"NegativeDiameter", 0.04, -0.1, 0.001, 0.099, Fault::InvalidArgument, Point::High, 1},
                    FaultRunRow{"NegativeMinimum", 0.04, 0.1, -0.001, 0.099, Fault::InvalidArgument, Point::Low, 2},
                    FaultRunRow{"MidpointOfOppositeEndsIsZero", 0.04, 0.1, -0.05, 0.05, Fault::InvalidArgument, Point::Low, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Search, UnreachableToleranceEndsBetweenAdjacentDoubles)
{
    // A 10 km weir at 1e14 L/min: near the root one ulp of head moves the residual by far more
    // than the tolerance, so only the stall guard can end the run (a hang is caught by the
    // test's timeout).
    std::vector<Pass> passes;
    const auto r = search(1e11, 1e7, 0.001, 1e7, [&](const Pass& p) { passes.push_back(p); });
    ASSERT_EQ(r.outcome, SearchResult::Outcome::Converged);
    ASSERT_FALSE(passes.empty());
    const Pass& last = passes.back();
    EXPECT_EQ(last.step, Step::Stalled);
    EXPECT_GE(std::fabs(last.fMid), residualTolerance);
    EXPECT_EQ(std::nextafter(std::min(last.xLow, last.xHigh), HUGE_VAL), std::max(last.xLow, last.xHigh));
    EXPECT_EQ(r.trialCount, static_cast<int>(passes.size()));
    EXPECT_EQ(r.evaluations, r.trialCount + 2);
    EXPECT_FALSE(r.toleranceMet);
}

TEST(Search, RememberedEndResidualsAreTheFormulasOwn)
{
    for (const double max : {99.0, 250.0, 1000.0}) {
        const auto r = search(0.04, 0.1, 0.001, max / 1000, [](const Pass& p) {
            double F = 0;
            ASSERT_FALSE(FN1(F, p.xLow, 0.04, 0.1));
            EXPECT_EQ(F, p.fLow) << p.trialCount;
            ASSERT_FALSE(FN1(F, p.xHigh, 0.04, 0.1));
            EXPECT_EQ(F, p.fHigh) << p.trialCount;
        });
        EXPECT_NE(r.outcome, SearchResult::Outcome::Fault);
    }
}

TEST(Search, EveryRunCostsItsPassesPlusTheTwoEndsAcrossManyBrackets)
{
    for (double flow : {1.0, 10.0, 40.0, 100.0, 140.0})
        for (double max : {20.0, 99.0, 150.0, 300.0}) {
            const auto r = search(flow / 1000, 0.1, 0.001, max / 1000);
            ASSERT_NE(r.outcome, SearchResult::Outcome::Fault);
            EXPECT_EQ(r.evaluations, r.trialCount + 2) << flow << " " << max;
        }
}

}  // namespace
}  // namespace vordanel
