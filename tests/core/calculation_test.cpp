#include "vordanel/calculation.h"

#include "vordanel/numtext.h"
#include "vordanel/units.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

namespace vordanel {
namespace {

using O = Calculation::Outcome;

struct EntryRow {
    const char* name;
    Entries entries;
    O outcome;
    const char* head;
    int trials;
    bool aboveWeir;
    friend void PrintTo(const EntryRow& r, std::ostream* os) { *os << r.name; }
};

class WindowRows : public testing::TestWithParam<EntryRow> {};

TEST_P(WindowRows, GiveTheShownHeadTrialsAndMessage)
{
    const auto& row = GetParam();
    const auto c = calculate(row.entries);
    ASSERT_EQ(c.outcome, row.outcome);
    if (row.outcome != O::Converged) return;
    EXPECT_EQ(displayText(c.headMillimetres), row.head);
    EXPECT_EQ(c.search.trialCount, row.trials);
    EXPECT_EQ(c.aboveWeir, row.aboveWeir);
}

INSTANTIATE_TEST_SUITE_P(
    Calculation, WindowRows,
    testing::Values(EntryRow{"Weir100Flow40", {"100", "40", "1", "99"}, O::Converged, "47.1", 12, false},
                    EntryRow{"UpToDiameter", {"100", "40", "1", "100"}, O::Converged, "47.1", 13, false},
                    EntryRow{"ReversedBracket", {"100", "40", "99", "1"}, O::Converged, "47.1", 12, false},
                    EntryRow{"Weir200Flow100", {"200", "100", "10", "150"}, O::Converged, "88.12", 13, false},
                    EntryRow{"NearlyFull", {"100", "142", "1", "100"}, O::Converged, "99.63", 13, false},
                    EntryRow{"AboveWeir", {"50", "60", "1", "70"}, O::Converged, "57.26", 10, true},
                    EntryRow{"NoSignChange", {"100", "40", "60", "99"}, O::NoSolution, "", 0, false},
                    EntryRow{"FlowTooLarge", {"100", "143", "1", "100"}, O::NoSolution, "", 0, false},
                    EntryRow{"EmptyMinimum", {"100", "40", "", "99"}, O::Incomplete, "", 0, false},
                    EntryRow{"EmptyDiameter", {"", "40", "1", "99"}, O::Incomplete, "", 0, false},
                    EntryRow{"FullWidthEntries", {"１００", "４０", "１", "９９"}, O::Converged, "47.1", 12, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct FaultRow {
    const char* name;
    Entries entries;
    Fault fault;
    std::optional<Input> input;
    friend void PrintTo(const FaultRow& r, std::ostream* os) { *os << r.name; }
};

class FaultRows : public testing::TestWithParam<FaultRow> {};

TEST_P(FaultRows, NameTheKindAndTheEntryAtFault)
{
    const auto& row = GetParam();
    const auto c = calculate(row.entries);
    ASSERT_EQ(c.outcome, O::Fault);
    EXPECT_EQ(c.fault, row.fault);
    EXPECT_EQ(c.faultInput, row.input);
}

INSTANTIATE_TEST_SUITE_P(
    Calculation, FaultRows,
    testing::Values(FaultRow{"DiameterNotANumber", {"abc", "40", "1", "99"}, Fault::NotANumber, Input::Diameter},
                    FaultRow{"BlankDiameter", {" ", "40", "1", "99"}, Fault::NotANumber, Input::Diameter},
                    FaultRow{"DiameterCheckedBeforeFlow", {"x", "y", "1", "99"}, Fault::NotANumber, Input::Diameter},
                    FaultRow{"FlowNotANumber", {"100", "y", "1", "99"}, Fault::NotANumber, Input::Flow},
                    FaultRow{"MinimumNotANumber", {"100", "40", "one", "99"}, Fault::NotANumber, Input::Min},
                    FaultRow{"MaximumOverflows", {"100", "40", "1", "1e400"}, Fault::Overflow, Input::Max},
                    FaultRow{"ZeroDiameter", {"0", "40", "1", "99"}, Fault::DivisionByZero, Input::Diameter},
                    FaultRow{"NegativeDiameter", {"-100", "40", "1", "99"}, Fault::InvalidArgument, Input::Diameter},
                    FaultRow{"ZeroMinimum", {"100", "40", "0", "99"}, Fault::DivisionByZero, Input::Min},
                    FaultRow{"ZeroMaximum", {"100", "40", "1", "0"}, Fault::DivisionByZero, Input::Max},
                    FaultRow{"NegativeMinimum", {"100", "40", "-1", "99"}, Fault::InvalidArgument, Input::Min},
                    FaultRow{"HugeMaximumOverflowsTheFormula", {"100", "40", "1", "1e300"}, Fault::Overflow, Input::Max},
                    FaultRow{"TinyMinimumOverflowsTheFormula", {"100", "40", "1e-310", "99"}, Fault::Overflow, Input::Min},
                    FaultRow{"HugeDiameterNotTheOrdinaryMaximum", {"1e300", "40", "1", "99"}, Fault::Overflow, Input::Diameter},
                    FaultRow{"TinyDiameterNotTheOrdinaryMaximum", {"1e-300", "40", "1", "99"}, Fault::Overflow, Input::Diameter},
                    FaultRow{"HugeDiameterAndHugeMaximum", {"1e300", "40", "1", "1e300"}, Fault::Overflow, Input::Diameter}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Calculation, HugeWeirEndsWithTheHeadRoundedFromItsMidpoint)
{
    const auto c = calculate({"1e10", "1e14", "1", "1e10"});
    ASSERT_EQ(c.outcome, O::Converged);
    EXPECT_FALSE(c.search.toleranceMet);
    EXPECT_NEAR(c.headMillimetres, c.search.xMid * 1000, 0.005 + 1e-6);
    EXPECT_FALSE(c.aboveWeir);
}

TEST(Calculation, DecimalCommaEntriesGiveTheSameHead)
{
    const auto point = calculate({"200", "100", "10", "150"});
    const auto comma = calculate({"200,0", "100", "10", "150,0"}, ",");
    ASSERT_EQ(comma.outcome, O::Converged);
    EXPECT_EQ(comma.search.xMid, point.search.xMid);
    EXPECT_EQ(displayText(comma.headMillimetres, ","), "88,12");
}

struct RisingRow {
    const char* name;
    Entries entries;  // diameter and flow only
    O outcome;
    double headMillimetres;
    std::optional<Input> faultInput;
    friend void PrintTo(const RisingRow& r, std::ostream* os) { *os << r.name; }
};

class RisingRows : public testing::TestWithParam<RisingRow> {};

TEST_P(RisingRows, FindTheRisingHeadWithoutABracket)
{
    const auto& row = GetParam();
    const auto c = calculateRising(row.entries);
    ASSERT_EQ(c.outcome, row.outcome);
    if (row.outcome == O::Converged) {
        // The search's own tolerance: a neighbour of the window's head within 0.01 mm.
        if (row.headMillimetres > 0) {
            EXPECT_NEAR(c.headMillimetres, row.headMillimetres, 0.01 + 1e-9);
        }
        double F = 0;
        ASSERT_FALSE(FN1(F, c.search.xMid, c.Q, c.D));
        EXPECT_LT(std::fabs(F), residualTolerance);
        EXPECT_TRUE(c.search.toleranceMet);
        EXPECT_LT(c.search.xMid, c.D * peakRatio());
    }
    if (row.outcome == O::Fault) {
        EXPECT_EQ(c.faultInput, row.faultInput);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Calculation, RisingRows,
    testing::Values(RisingRow{"Weir100Flow40", {"100", "40", "", ""}, O::Converged, 47.1, {}},
                    RisingRow{"Weir200Flow100", {"200", "100", "", ""}, O::Converged, 88.12, {}},
                    RisingRow{"AboveTheWeirStillRising", {"50", "60", "", ""}, O::Converged, 57.26, {}},
                    RisingRow{"TinyFlow", {"100", "0.001", "", ""}, O::Converged, 0.0, {}},
                    RisingRow{"FlowAboveThePeak", {"100", "250", "", ""}, O::NoSolution, 0, {}},
                    RisingRow{"ZeroFlow", {"100", "0", "", ""}, O::NoSolution, 0, {}},
                    RisingRow{"NegativeFlow", {"100", "-5", "", ""}, O::NoSolution, 0, {}},
                    RisingRow{"EmptyFlow", {"100", "", "", ""}, O::Incomplete, 0, {}},
                    RisingRow{"ZeroDiameter", {"0", "40", "", ""}, O::Fault, 0, Input::Diameter},
                    RisingRow{"NegativeDiameter", {"-100", "40", "", ""}, O::Fault, 0, Input::Diameter},
                    RisingRow{"HugeDiameter", {"1e300", "40", "", ""}, O::Fault, 0, Input::Diameter},
                    RisingRow{"FlowNotANumber", {"100", "x", "", ""}, O::Fault, 0, Input::Flow},
                    RisingRow{"PeakBeyondTheRangeInLitresPerMinute", {"1e207", "0", "", ""}, O::Fault, 0, Input::Diameter},
                    RisingRow{"PeakFlowLostBelowTheSmallestDouble", {"1e-320", "40", "", ""}, O::Fault, 0, Input::Diameter}),
    [](const auto& info) { return std::string(info.param.name); });

struct DischargeRow {
    const char* name;
    double diameterMm, headMm;
    std::optional<Fault> fault;
    Input faultInput;
    bool beyondZero, fallingSide;
    friend void PrintTo(const DischargeRow& r, std::ostream* os) { *os << r.name; }
};

class DischargeRows : public testing::TestWithParam<DischargeRow> {};

// The flow at a head blames its entries by the same rule as the calculation of a head.
TEST_P(DischargeRows, BlameTheEntryAtFaultAndTellTheSide)
{
    const auto& row = GetParam();
    const auto d = dischargeAt(curveOf(row.diameterMm / 1000), row.headMm / 1000);
    ASSERT_EQ(d.fault, row.fault);
    if (d.fault) {
        EXPECT_EQ(d.faultInput, row.faultInput);
        EXPECT_EQ(d.faultInput == Input::Diameter, diameterFault(row.diameterMm / 1000).has_value());
        return;
    }
    EXPECT_EQ(d.beyondZero, row.beyondZero);
    EXPECT_EQ(d.fallingSide, row.fallingSide);
    EXPECT_EQ(d.flow == 0, row.headMm == 0) << d.flow;
}

INSTANTIATE_TEST_SUITE_P(
    Calculation, DischargeRows,
    testing::Values(DischargeRow{"HalfFull", 100, 50, {}, Input::Head, false, false},
                    DischargeRow{"FallingSide", 100, 205.81, {}, Input::Head, false, true},
                    DischargeRow{"BeyondTheZero", 100, 250, {}, Input::Head, true, true},
                    DischargeRow{"ZeroHeadIsNoFlow", 100, 0, {}, Input::Head, false, false},
                    DischargeRow{"ZeroHeadOverAZeroDiameter", 0, 0, Fault::DivisionByZero, Input::Diameter, false, false},
                    DischargeRow{"ZeroHeadOverAHugeDiameter", 1e300, 0, Fault::Overflow, Input::Diameter, false, false},
                    DischargeRow{"NegativeHead", 100, -5, Fault::InvalidArgument, Input::Head, false, false},
                    DischargeRow{"HugeHead", 100, 1e300, Fault::Overflow, Input::Head, false, false},
                    DischargeRow{"HugeDiameter", 1e300, 50, Fault::Overflow, Input::Diameter, false, false},
                    DischargeRow{"ZeroDiameter", 0, 50, Fault::DivisionByZero, Input::Diameter, false, false},
                    DischargeRow{"PeakBeyondLitresPerMinute", 1e207, 50, Fault::Overflow, Input::Diameter, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A reading less the gauge zero is the head as if it had been read off the opening itself: the
// same double that head's own text gives, whatever the doubles of the two readings round to.
TEST(Calculation, AReadingLessTheGaugeZeroIsTheHeadAsWritten)
{
    const struct { const char *reading, *zero, *head; } rows[] = {
        {"135.5", "100.5", "35"},   {"135.3", "100.3", "35"},     {"0.3", "0.1", "0.2"},   {"100.3", "100.3", "0"},
        {"90", "100.5", "-10.5"},   {"20", "-15.2", "35.2"},      {"1234.567", "0.001", "1234.566"},
        {"1e3", "12.34", "987.66"}, {"0.1", "1e-20", "0.09999999999999999999"}};
    for (const auto& [reading, zero, head] : rows)
        EXPECT_EQ(headOfReading(parseNumber(reading).value, parseNumber(zero).value), parseNumber(head).value)
            << reading << " - " << zero;
}

// Each table of names is looked up by the enum's value: a row out of place would name another
// fault or entry.
TEST(Calculation, EveryFaultAndEntryHasItsOwnNames)
{
    std::set<std::string> keys;
    for (const Fault f : {Fault::NotANumber, Fault::DivisionByZero, Fault::InvalidArgument, Fault::Overflow}) {
        EXPECT_EQ(names(f).fault, f);
        EXPECT_TRUE(keys.insert(names(f).key).second) << names(f).key;
    }
    for (const Input i : {Input::Diameter, Input::Flow, Input::Min, Input::Max, Input::Head, Input::Reading, Input::GaugeZero}) {
        EXPECT_EQ(names(i).input, i);
        EXPECT_TRUE(keys.insert(names(i).key).second) << names(i).key;
        EXPECT_EQ(std::string(names(i).column).rfind(names(i).key, 0), 0u) << names(i).column;
    }
}

// Blank is empty or blanks only, a Japanese input method's ideographic space among them; anything
// else, a lone zero too, fills an end.
TEST(Calculation, BracketEndsMakeNoneOneOrAnEmptyEntry)
{
    const struct {
        const char *min, *max;
        BracketKind kind;
    } rows[] = {
        {"", "", BracketKind::None},        {" \t", "\u3000", BracketKind::None}, {"1", "99", BracketKind::Given},
        {"0", " x ", BracketKind::Given},   {"", "99", BracketKind::OneBlank},    {"1", "\u3000 ", BracketKind::OneBlank},
        {"\u3001", "", BracketKind::OneBlank},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(bracketKind(row.min, row.max), row.kind) << '"' << row.min << "\", \"" << row.max << '"';
        // One blank end leaves the calculation undone, as an empty entry in the window does.
        const auto c = calculateHead({"100", "40", row.min, row.max});
        EXPECT_EQ(c.outcome == Calculation::Outcome::Incomplete, row.kind == BracketKind::OneBlank) << row.min << row.max;
    }
}

// Each unit is what its name says, in litres per minute: its volume (L, m3) over its time (s, min,
// h, d), by the units' definitions rather than a copy of the code's factors.
TEST(Calculation, EveryFlowUnitIsWhatItsNameSays)
{
    const auto litres = [](std::string_view volume) { return volume == "L" ? 1.0 : volume == "m3" ? 1000.0 : NAN; };
    const auto minutes = [](std::string_view time) {
        return time == "s" ? 1.0 / 60 : time == "min" ? 1.0 : time == "h" ? 60.0 : time == "d" ? 1440.0 : NAN;
    };
    std::set<std::string> keys;
    for (const FlowUnit unit : flowUnits) {
        const std::string_view name = names(unit).name;
        const auto slash = name.find('/');
        const double perMinute = litres(name.substr(0, slash)) / minutes(name.substr(slash + 1));
        EXPECT_NEAR(toLitresPerMinute(1, unit), perMinute, perMinute * 1e-15) << name;
        EXPECT_NEAR(fromLitresPerMinute(perMinute, unit), 1, 1e-15) << name;
        EXPECT_EQ(flowUnitNamed(name), unit) << name;
        EXPECT_TRUE(keys.insert(names(unit).key).second) << names(unit).key;
        // The places a flow is printed to resolve 0.01 L/min in the unit, and one fewer would not.
        EXPECT_EQ(names(unit).decimals, std::max(0, static_cast<int>(std::ceil(std::log10(perMinute / 0.01) - 1e-9)))) << name;
    }
}

// Every column a sheet headed in Japanese gets has its caption from the core.
TEST(Calculation, ColumnsAndKeysHaveTheWindowsCaptions)
{
    const std::pair<const char*, std::optional<std::string>> rows[] = {
        {"flow", "流量(L/min)"},      {"flow_lpm", "流量(L/min)"},     {"flow_m3h", "流量(m³/h)"}, {"flow_parsec", std::nullopt},
        {"diameter", "堰の径(mm)"},   {"min_mm", "解の挟込最小値(mm)"}, {"head_mm", "越流高さ(mm) [底部から]"},
        {"trials", "Trial回数"},      {"note", "注記"},                 {"notes", std::nullopt},
    };
    for (const auto& [column, caption] : rows) EXPECT_EQ(captionOf(column), caption) << column;
    EXPECT_EQ(flowCaption(FlowUnit::CubicMetresPerHour, true), "流量(m3/h)");
}

TEST(Calculation, OtherHeadLiesAcrossThePeakFromTheAnswer)
{
    const Curve curve = curveOf(0.1);
    const auto wide = calculate({"100", "40", "1", "250"});
    const auto other = otherHead(curve, wide);
    ASSERT_TRUE(other);
    EXPECT_TRUE(other->onRisingSide);
    // The rising head of 40 L/min, worked out to adjacent doubles apart from this code (the formula
    // bisected between 1 um and the diameter): 47.100200144 mm. The search may stop 0.0064 mm from
    // it (its tolerance over the curve's slope there, 1.57 m^3/min per m), and the head is shown
    // to 0.01 mm.
    EXPECT_NEAR(other->headMillimetres, 47.100200144, 0.005 + 0.0064);
    EXPECT_FALSE(otherHead(curve, calculate({"100", "40", "1", "99"})));
    EXPECT_EQ(whyNoHead(curve, 0.25), NoHead::AbovePeak);
    EXPECT_EQ(whyNoHead(curve, 0), NoHead::NoFlow);
}

}  // namespace
}  // namespace vordanel
