#include "vordanel/curve.h"
#include "vordanel/gauge.h"

#include "vordanel/numtext.h"
#include "vordanel/words.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace vordanel {
namespace {

double dischargeAt(double h, double D)
{
    double F = 0;
    EXPECT_FALSE(FN1(F, h, 0, D));
    return F;
}

TEST(Curve, PeakIsTheFormulasGreatestDischarge)
{
    EXPECT_NEAR(peakRatio(), 1.49, 0.005);
    for (const double D : {0.01, 0.1, 2.0}) {
        const Curve c = curveOf(D);
        ASSERT_FALSE(c.fault);
        EXPECT_EQ(c.peakFlow, dischargeAt(c.peakHead, D));
        // Flat at the top, lower on both sides, by the formula itself.
        for (const double step : {1e-3, 1e-2, 0.2})
            for (const double side : {-1.0, 1.0})
                EXPECT_LT(dischargeAt(c.peakHead * (1 + side * step), D), c.peakFlow) << D << " " << side * step;
        EXPECT_NEAR(c.peakFlow / std::pow(D, 1.5), 6.43, 0.005);
    }
}

TEST(Curve, Weir100PassesAtMostAbout203LitresPerMinute)
{
    const Curve c = curveOf(0.1);
    EXPECT_NEAR(c.peakFlow * 1000, 203.26, 0.005);
    EXPECT_NEAR(c.peakHead * 1000, 149.09, 0.005);
}

TEST(Curve, DischargeReturnsToZeroAtTheZeroHead)
{
    EXPECT_NEAR(zeroRatio(), 2.11, 0.005);
    const Curve c = curveOf(0.1);
    EXPECT_NEAR(dischargeAt(c.zeroHead, 0.1), 0, 1e-12);
    EXPECT_GT(dischargeAt(c.zeroHead * 0.999, 0.1), 0);
    EXPECT_LT(dischargeAt(c.zeroHead * 1.001, 0.1), 0);
}

TEST(Curve, EveryFlowBelowThePeakHasOneHeadOnEachSide)
{
    const Curve c = curveOf(0.1);
    for (const double Q : {0.001, 0.04, 0.142, 0.2}) {
        const auto rising = risingHead(c, Q), falling = fallingHead(c, Q);
        ASSERT_EQ(rising.outcome, SearchResult::Outcome::Converged) << Q;
        ASSERT_EQ(falling.outcome, SearchResult::Outcome::Converged) << Q;
        EXPECT_LT(rising.xMid, c.peakHead);
        EXPECT_GT(falling.xMid, c.peakHead);
        EXPECT_LT(std::fabs(dischargeAt(rising.xMid, 0.1) - Q), residualTolerance);
        EXPECT_LT(std::fabs(dischargeAt(falling.xMid, 0.1) - Q), residualTolerance);
    }
    EXPECT_EQ(displayText(*shownHeadMillimetres(fallingHead(c, 0.04).xMid)), "205.81");
    EXPECT_EQ(risingHead(c, 0.21).outcome, SearchResult::Outcome::NoSignChange);
    EXPECT_EQ(fallingHead(c, 0).outcome, SearchResult::Outcome::NoSignChange);
}

struct BracketRow {
    const char* name;
    double Q, min, max;  // m^3/min, m
    bool twoHeads;
    friend void PrintTo(const BracketRow& r, std::ostream* os) { *os << r.name; }
};

class Brackets : public testing::TestWithParam<BracketRow> {};

TEST_P(Brackets, HoldTwoHeadsOnlyWhenTheySpanBoth)
{
    const auto& row = GetParam();
    const Curve c = curveOf(0.1);
    const double fMin = dischargeAt(row.min, 0.1) - row.Q, fMax = dischargeAt(row.max, 0.1) - row.Q;
    EXPECT_EQ(holdsTwoHeads(c, row.Q, row.min, row.max, fMin, fMax), row.twoHeads);
    EXPECT_EQ(holdsTwoHeads(c, row.Q, row.max, row.min, fMax, fMin), row.twoHeads);
}

INSTANTIATE_TEST_SUITE_P(
    Curve, Brackets,
    testing::Values(BracketRow{"SpansBothHeads", 0.04, 0.001, 0.25, true},
                    BracketRow{"BeyondTheZeroHead", 0.04, 0.001, 0.5, true},
                    BracketRow{"RisingSideOnly", 0.04, 0.001, 0.099, false},
                    BracketRow{"SpansThePeakButNotTheFallingHead", 0.04, 0.001, 0.15, false},
                    BracketRow{"StartsAboveTheRisingHead", 0.04, 0.06, 0.25, false},
                    BracketRow{"FallingSideOnly", 0.04, 0.15, 0.25, false},
                    BracketRow{"FlowAboveThePeak", 0.25, 0.001, 0.25, false},
                    BracketRow{"NoFlow", 0, 0.001, 0.25, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vordanel

namespace vordanel {
namespace {

// An operator's card: whole-millimetre staff readings from the zero to the top of the scale, each
// flow within the spread of the one before (or a tenth of it of the top flow) except where a
// millimetre is the least step; at 10 % for weirs of millimetres to tens of metres.
struct CardRow {
    const char* name;
    double diameter, zero;  // mm
    double first, last;     // the first and last readings, mm
    double spread;
    friend void PrintTo(const CardRow& r, std::ostream* os) { *os << r.name; }
};

class Cards : public testing::TestWithParam<CardRow> {};

TEST_P(Cards, ListWholeMillimetreReadingsWhoseFlowsStayWithinTheSpread)
{
    const auto& row = GetParam();
    const Card c = card(curveOf(row.diameter / 1000), row.zero);
    ASSERT_FALSE(c.rows.empty());
    EXPECT_EQ(c.rows.front().reading, row.first);
    EXPECT_EQ(c.rows.back().reading, row.last);
    EXPECT_DOUBLE_EQ(c.spread, row.spread);
    EXPECT_LE(c.rows.size(), static_cast<std::size_t>(cardMostRows));
    for (std::size_t i = 1; i < c.rows.size(); ++i) {
        const auto &a = c.rows[i - 1], &b = c.rows[i];
        EXPECT_EQ(b.reading, std::floor(b.reading)) << b.reading;
        EXPECT_GT(b.reading, a.reading);
        const double top = c.rows.back().litresPerMinute;
        EXPECT_TRUE(b.litresPerMinute <= a.litresPerMinute * (1 + c.spread) || b.litresPerMinute - a.litresPerMinute <= c.spread / 10 * top
                    || b.reading - a.reading == 1)
            << a.reading << " " << a.litresPerMinute << " → " << b.reading << " " << b.litresPerMinute;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Curve, Cards,
    testing::Values(CardRow{"TopOfTheOpening", 100, 0, 0, 100, cardSpread},  // the 149.09 mm peak lies above
                    CardRow{"AZeroBetweenMillimetres", 600, 37.5, 38, 637, cardSpread},
                    CardRow{"ASmallWeir", 2.5, 0, 0, 2, cardSpread},
                    CardRow{"ALargeWeir", 20000, 0, 0, 20000, cardSpread}),
    [](const auto& info) { return std::string(info.param.name); });

// A gauge on A4: pieces no longer than a page that cover the drawing, each overlapping the next by
// the overlap and longer than it; every join drawn at one height on both of its pieces, inside
// their overlap, and named by the staff reading there.
struct PiecesRow {
    const char* name;
    double diameter, zero;  // mm
    std::size_t pieces;
    const char* lastJoin;   // the mark of the last join, or "" where the gauge is one piece
    friend void PrintTo(const PiecesRow& r, std::ostream* os) { *os << r.name; }
};

class GaugePieces : public testing::TestWithParam<PiecesRow> {};

TEST_P(GaugePieces, CoverTheDrawingAndJoinAtOneMarkedHeight)
{
    const auto& row = GetParam();
    const GaugeDrawing drawing = gaugeDrawing(row.zero, gaugeTopMillimetres(curveOf(row.diameter / 1000)));
    const std::vector<GaugePiece> pieces = gaugePieces(drawing);
    ASSERT_EQ(pieces.size(), row.pieces);
    EXPECT_EQ(pieces.front().top, 0);
    EXPECT_DOUBLE_EQ(pieces.back().top + pieces.back().height, drawing.height());
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const GaugePiece& p = pieces[i];
        EXPECT_LE(p.height, gaugePieceLength) << i;
        EXPECT_TRUE(pieces.size() == 1 || p.height > gaugeOverlap) << i;
        EXPECT_EQ(p.above.has_value(), i > 0) << i;
        EXPECT_EQ(p.below.has_value(), i + 1 < pieces.size()) << i;
        if (!p.below) continue;
        const GaugePiece& next = pieces[i + 1];
        EXPECT_DOUBLE_EQ(p.top + p.height - next.top, gaugeOverlap) << i;
        const GaugeJoin join = *p.below, same = *next.above;
        EXPECT_EQ(words::gaugeJoin(join), words::gaugeJoin(same)) << i;
        EXPECT_EQ(join.y, same.y) << i;
        EXPECT_GT(join.y, next.top) << i;
        EXPECT_LT(join.y, p.top + p.height) << i;
        EXPECT_DOUBLE_EQ(join.reading, drawing.top + drawing.length - join.y) << i;
    }
    EXPECT_EQ(pieces.size() > 1 ? words::gaugeJoin(*pieces.back().above) : "", row.lastJoin);
}

INSTANTIATE_TEST_SUITE_P(
    Curve, GaugePieces,
    testing::Values(PiecesRow{"OnePage", 100, 0, 1, ""},
                    // 120 + 300 mm of staff: the join halfway down the overlap, at reading 200 mm.
                    PiecesRow{"TwoPagesOverAGaugeZero", 300, 120, 2, "\xe2\x97\x86" "1 200 mm"},
                    PiecesRow{"ThreePages", 600, 0, 3, "\xe2\x97\x86" "2 150 mm"},
                    // 477 mm of drawing: the last piece 17 mm, longer than the overlap; its join lies
                    // in the foot, 20 mm below the zero.
                    PiecesRow{"AShortLastPieceJoinedInTheFoot", 430, 0, 3, "\xe2\x97\x86" "2 -20 mm"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vordanel
