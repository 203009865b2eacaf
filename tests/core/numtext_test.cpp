#include "vordanel/numtext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace vordanel {
namespace {

struct ParseRow {
    const char* name;
    const char* text;
    const char* decimalPoint;
    double value;
    std::optional<Fault> fault;
    friend void PrintTo(const ParseRow& r, std::ostream* os) { *os << r.name; }
};

class Parsing : public testing::TestWithParam<ParseRow> {};

TEST_P(Parsing, ReadsWhatAPersonTypes)
{
    const auto& row = GetParam();
    const auto parsed = parseNumber(row.text, row.decimalPoint);
    EXPECT_EQ(parsed.fault, row.fault);
    if (!row.fault) {
        EXPECT_EQ(parsed.value, row.value);
    }
}

constexpr auto NaN = Fault::NotANumber;

INSTANTIATE_TEST_SUITE_P(
    NumberText, Parsing,
    testing::Values(ParseRow{"Integer", "100", ".", 100, {}},
                    ParseRow{"Decimal", "47.25", ".", 47.25, {}},
                    ParseRow{"LeadingPoint", ".5", ".", 0.5, {}},
                    ParseRow{"TrailingPoint", "5.", ".", 5, {}},
                    ParseRow{"Signs", "+5", ".", 5, {}},
                    ParseRow{"Negative", "-5", ".", -5, {}},
                    ParseRow{"Exponent", "1e3", ".", 1000, {}},
                    ParseRow{"NegativeExponent", "2.5E-3", ".", 0.0025, {}},
                    ParseRow{"SurroundingBlanks", " \t100 ", ".", 100, {}},
                    ParseRow{"FullWidth", "１００．５", ".", 100.5, {}},
                    ParseRow{"FullWidthSignAndExponent", "－１Ｅ２", ".", -100, {}},
                    ParseRow{"IdeographicSpaces", "\u3000100\u3000", ".", 100, {}},
                    ParseRow{"UnicodeMinus", "\u22125", ".", -5, {}},
                    ParseRow{"DecimalComma", "1,5", ",", 1.5, {}},
                    ParseRow{"TooSmallReadsAsZero", "1e-400", ".", 0, {}},
                    ParseRow{"Empty", "", ".", 0, NaN},
                    ParseRow{"BlanksOnly", "   ", ".", 0, NaN},
                    ParseRow{"Letters", "abc", ".", 0, NaN},
                    ParseRow{"TrailingLetters", "100mm", ".", 0, NaN},
                    ParseRow{"NaNWord", "nan", ".", 0, NaN},
                    ParseRow{"InfinityWord", "inf", ".", 0, NaN},
                    ParseRow{"Hexadecimal", "0x10", ".", 0, NaN},
                    ParseRow{"BareExponent", "1e", ".", 0, NaN},
                    ParseRow{"ExponentOnly", "e5", ".", 0, NaN},
                    ParseRow{"DoubleSign", "--1", ".", 0, NaN},
                    ParseRow{"PointOnly", ".", ".", 0, NaN},
                    ParseRow{"TwoPoints", "1.2.3", ".", 0, NaN},
                    ParseRow{"CommaWhereThePointIsExpected", "1,5", ".", 0, NaN},
                    ParseRow{"PointWhereTheCommaIsExpected", "1.5", ",", 0, NaN},
                    ParseRow{"DigitGrouping", "1,234.5", ".", 0, NaN},
                    ParseRow{"InnerBlank", "1 000", ".", 0, NaN},
                    ParseRow{"MalformedUtf8", "1\xff", ".", 0, NaN},
                    ParseRow{"BeyondDoubleRange", "1e400", ".", 0, Fault::Overflow},
                    ParseRow{"NegativeBeyondDoubleRange", "-1e400", ".", 0, Fault::Overflow},
                    ParseRow{"ManyDigitsBeyondRange", "1000000000000000000000e300", ".", 0, Fault::Overflow}),
    [](const auto& info) { return std::string(info.param.name); });

struct DisplayRow {
    const char* name;
    double value;
    const char* decimalPoint;
    const char* text;
    friend void PrintTo(const DisplayRow& r, std::ostream* os) { *os << r.name; }
};

class Display : public testing::TestWithParam<DisplayRow> {};

TEST_P(Display, ShowsAtMostFifteenSignificantDigits)
{
    const auto& row = GetParam();
    EXPECT_EQ(displayText(row.value, row.decimalPoint), row.text);
}

INSTANTIATE_TEST_SUITE_P(
    NumberText, Display,
    testing::Values(DisplayRow{"OneDecimal", 47.1, ".", "47.1"},
                    DisplayRow{"ProductOfRounding", 52.349999999999994, ".", "52.35"},
                    DisplayRow{"SumWithBinaryNoise", 0.1 + 0.2, ".", "0.3"},
                    DisplayRow{"Integer", 12, ".", "12"},
                    DisplayRow{"Zero", 0, ".", "0"},
                    DisplayRow{"NegativeZero", -0.0, ".", "0"},
                    DisplayRow{"NoGrouping", 1234.5, ".", "1234.5"},
                    DisplayRow{"DecimalComma", 1234.5, ",", "1234,5"},
                    DisplayRow{"Negative", -2.5, ".", "-2.5"},
                    DisplayRow{"Huge", 1e20, ".", "1e+20"}),
    [](const auto& info) { return std::string(info.param.name); });

struct HeadRow {
    const char* name;
    double xMid;
    const char* shown;
    friend void PrintTo(const HeadRow& r, std::ostream* os) { *os << r.name; }
};

class ShownHead : public testing::TestWithParam<HeadRow> {};

TEST_P(ShownHead, IsTheHeadRoundedToFiveDecimalsInMetres)
{
    const auto& row = GetParam();
    const auto mm = shownHeadMillimetres(row.xMid);
    ASSERT_TRUE(mm.has_value());
    EXPECT_EQ(displayText(*mm), row.shown);
}

INSTANTIATE_TEST_SUITE_P(
    NumberText, ShownHead,
    testing::Values(HeadRow{"DropsTrailingZero", 0.0471049804688, "47.1"},
                    HeadRow{"RoundsDown", 0.0471041259766, "47.1"},
                    HeadRow{"TwoDecimals", 0.0881176757813, "88.12"},
                    HeadRow{"RoundsUp", 0.0572646484375, "57.26"},
                    HeadRow{"WholeMetres", 1.5, "1500"},
                    HeadRow{"BelowHalfTheLastDigitShowsZero", 0.0000049, "0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NumberText, ShownHeadBeyondTheDoubleRangeIsNotANumberToShow)
{
    EXPECT_FALSE(shownHeadMillimetres(1.7e306).has_value());
}

TEST(NumberText, DisplayTextReadsBackToTheSameShownNumber)
{
    for (const char* point : {".", ",", "\u066b"})
        for (double v : {47.1, 88.12, 0.01, 1234.56, 99999.99, 1e-7}) {
            const auto parsed = parseNumber(displayText(v, point), point);
            ASSERT_FALSE(parsed.fault) << v << point;
            EXPECT_EQ(parsed.value, v);
        }
}

TEST(NumberText, RoundTripTextReadsBackToTheSameDouble)
{
    for (double v : {0.04710498046875, 0.1 + 0.2, 1e-300, 123456789.123456789, 5e-324}) {
        const auto parsed = parseNumber(roundTripText(v));
        ASSERT_FALSE(parsed.fault) << roundTripText(v);
        EXPECT_EQ(parsed.value, v) << roundTripText(v);
    }
    EXPECT_EQ(roundTripText(0.04710498046875), "0.04710498046875");
}

}  // namespace
}  // namespace vordanel
