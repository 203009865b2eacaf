#include "vordanel/formula.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace vordanel {
namespace {

struct ResidualRow {
    const char* name;
    double h, Q, D;
    double F;
    double tolerance;
    friend void PrintTo(const ResidualRow& r, std::ostream* os) { *os << r.name; }
};

class ResidualValues : public testing::TestWithParam<ResidualRow> {};

TEST_P(ResidualValues, MatchWorkedValues)
{
    const auto& row = GetParam();
    double F = -1;
    ASSERT_FALSE(FN1(F, row.h, row.Q, row.D));
    EXPECT_NEAR(F, row.F, row.tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Formula, ResidualValues,
    testing::Values(ResidualRow{"HalfDiameterNoTarget", 0.05, 0, 0.1, 0.0446420715, 1e-10},
                    ResidualRow{"HalfDiameterTarget40", 0.05, 0.04, 0.1, 0.0046420715, 1e-10},
                    ResidualRow{"FullDiameterNoTarget", 0.1, 0, 0.1, 0.1427445236, 1e-10},
                    // at h = D the discharge is 4.514 * D^1.5, to the four digits of 4.514
                    ResidualRow{"FullDiameterOf2m", 2.0, 0, 2.0, 4.514 * std::pow(2.0, 1.5), 2e-4}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Formula, DischargeRisesThenFallsAndTurnsNegativeAboveTwiceTheDiameter)
{
    const double D = 0.1;
    double below = 0, peak = 0, fallen = 0, negative = 0;
    ASSERT_FALSE(FN1(below, 1.40 * D, 0, D));
    ASSERT_FALSE(FN1(peak, 1.49 * D, 0, D));
    ASSERT_FALSE(FN1(fallen, 1.60 * D, 0, D));
    ASSERT_FALSE(FN1(negative, 2.12 * D, 0, D));
    EXPECT_LT(below, peak);
    EXPECT_LT(fallen, peak);
    EXPECT_LT(negative, 0);
}

struct FaultRow {
    const char* name;
    double h, Q, D;
    Fault fault;
    friend void PrintTo(const FaultRow& r, std::ostream* os) { *os << r.name; }
};

class ResidualFaults : public testing::TestWithParam<FaultRow> {};

TEST_P(ResidualFaults, ComeBackAsValuesAndLeaveFUnchanged)
{
    const auto& row = GetParam();
    double F = 123.0;
    const auto fault = FN1(F, row.h, row.Q, row.D);
    ASSERT_TRUE(fault.has_value());
    EXPECT_EQ(*fault, row.fault);
    EXPECT_EQ(F, 123.0);
}

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Formula, ResidualFaults,
    testing::Values(FaultRow{"ZeroHead", 0, 0.04, 0.1, Fault::DivisionByZero},
                    FaultRow{"NegativeZeroHead", -0.0, 0.04, 0.1, Fault::DivisionByZero},
                    FaultRow{"ZeroDiameter", 0.05, 0.04, 0, Fault::DivisionByZero},
                    FaultRow{"ZeroHeadAndDiameter", 0, 0.04, 0, Fault::DivisionByZero},
                    FaultRow{"NegativeDiameter", 0.05, 0.04, -0.1, Fault::InvalidArgument},
                    FaultRow{"NegativeHead", -0.05, 0.04, 0.1, Fault::InvalidArgument},
                    FaultRow{"NegativeHeadAndDiameter", -0.05, 0.04, -0.1, Fault::InvalidArgument},
                    FaultRow{"NotANumberHead", nan, 0.04, 0.1, Fault::InvalidArgument},
                    FaultRow{"SubnormalHead", 5e-324, 0.04, 0.1, Fault::Overflow},
                    FaultRow{"HugeHeadOverSmallWeir", 1e300, 0.04, 0.1, Fault::Overflow},
                    FaultRow{"HugeWeir", 1e300, 0.04, 1e300, Fault::Overflow},
                    FaultRow{"InfiniteHead", inf, 0.04, 0.1, Fault::Overflow},
                    FaultRow{"InfiniteTarget", 0.05, inf, 0.1, Fault::Overflow}),
    [](const auto& info) { return std::string(info.param.name); });

// residual() computes straight through when it can and falls back on the checked steps: for
// every entry, ordinary or not, it must give the checked steps' bits or their fault. The values
// of each entry are crossed with those of the others, so that every step meets every kind of
// number; the sweep of ordinary heads is where a reordered operation would change a last bit.
struct NamedValue {
    const char* name;
    double value;
};

constexpr double denormal = 4.9406564584124654e-324;
constexpr NamedValue heads[] = {
    {"0.05", 0.05},        {"0.1", 0.1},           {"1.3e-4", 1.3e-4},     {"7.77", 7.77},
    {"1e-300", 1e-300},    {"1e300", 1e300},       {"denormal", denormal}, {"largest", 1.7976931348623157e308},
    {"0", 0.0},            {"-0", -0.0},           {"-0.05", -0.05},       {"inf", inf},
    {"-inf", -inf},        {"nan", nan},
};
constexpr NamedValue flows[] = {
    {"0", 0.0},       {"0.04", 0.04},         {"-0", -0.0},      {"-3.5", -3.5},    {"1e-300", 1e-300},
    {"1e300", 1e300}, {"denormal", denormal}, {"-1e308", -1e308}, {"inf", inf},     {"-inf", -inf},
    {"nan", nan},
};
constexpr NamedValue diameters[] = {
    {"0.1", 0.1},         {"2", 2.0},     {"3e-3", 3e-3}, {"1e-300", 1e-300}, {"1e300", 1e300},
    {"denormal", denormal}, {"0", 0.0},   {"-0", -0.0},   {"-0.1", -0.1},     {"inf", inf},
    {"-inf", -inf},       {"nan", nan},
};

// Whether the two ways agree: the same fault, or both none and the same bits; each leaves F as
// it was on a fault.
testing::AssertionResult sameAsChecked(double h, double Q, double D)
{
    const Weir weir(D);
    const double untouched = 123.0;
    double fast = untouched, checked = untouched;
    const auto fastFault = weir.residual(fast, h, Q);
    const auto checkedFault = weir.residualChecked(checked, h, Q);
    if (fastFault != checkedFault)
        return testing::AssertionFailure() << "fault " << (fastFault ? describe(*fastFault) : "none") << " against "
                                           << (checkedFault ? describe(*checkedFault) : "none");
    if (std::memcmp(&fast, &checked, sizeof fast) != 0)
        return testing::AssertionFailure() << "F " << fast << " against " << checked;
    if (fastFault && fast != untouched) return testing::AssertionFailure() << "F changed on a fault";
    return testing::AssertionSuccess();
}

TEST(Formula, ResidualGivesTheCheckedStepsBitsAndFaults)
{
    for (const auto& [hName, h] : heads)
        for (const auto& [qName, Q] : flows)
            for (const auto& [dName, D] : diameters)
                EXPECT_TRUE(sameAsChecked(h, Q, D)) << "h " << hName << ", Q " << qName << ", D " << dName;

    int answered = 0;
    for (const double D : {0.1, 0.0374, 1.7, 123.0})
        for (int i = 1; i <= 2000; ++i) {
            const double h = D * 2.2 * i / 2000;  // both sides of the peak and past the zero
            ASSERT_TRUE(sameAsChecked(h, 0.0123, D)) << "h " << h << ", D " << D;
            double F = 0;
            answered += !Weir(D).residual(F, h, 0.0123);
        }
    EXPECT_EQ(answered, 8000);  // so the sweep compares bits, not faults
}

}  // namespace
}  // namespace vordanel
