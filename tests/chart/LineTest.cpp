#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "chart/Line.h"
#include "chart/LinePainter.h"
#include "data/Period.h"
#include "platform/RecordingCanvas.h"

namespace {

CLine Make(int type, std::vector<BarPoint> anchors, int selected = 0) {
    CLine line;
    line.SetLine(type, anchors, period::H4, selected);
    return line;
}

TEST(LineHitTest, VerticalWithinTwoBars) {
    const CLine line = Make(kLineVertical, {{100, 1.2}});
    const struct {
        int bar;
        int hit;
    } cases[] = {{97, 0}, {98, 1}, {99, 1}, {100, 1}, {101, 1}, {102, 1}, {103, 0}};
    for (const auto& c : cases) EXPECT_EQ(line.HitTest({c.bar, 5.0}), c.hit) << c.bar;
}

TEST(LineHitTest, HorizontalWithinTwoUnitsOfTheFifthDigit) {
    const struct {
        double line, price;
        int hit;
    } cases[] = {
        {1.2345, 1.2345, 1},
        {1.2345, 1.2343, 1},
        {1.2345, 1.23479, 1},
        {1.2345, 1.2348, 0},
        {1.2345, 1.23425, 0},
        {1.2345, 1.2365, 0},
        {123.45, 123.43, 1},
        {123.45, 123.4799, 1},
        {123.45, 123.48, 0},
        {123.45, 123.425, 0},
        // Only the five leading digits count.
        {123.45, 1.2345, 1},
    };
    for (const auto& c : cases) {
        const CLine line = Make(kLineHorizontal, {{100, c.line}});
        // The bar plays no part.
        EXPECT_EQ(line.HitTest({7, c.price}), c.hit) << c.line << " " << c.price;
    }
}

TEST(LineHitTest, TrendSegmentRayAndBeforeTheFirstAnchor) {
    const struct {
        std::vector<BarPoint> anchors;
        BarPoint pos;
        int hit;
    } cases[] = {
        {{{100, 1.2000}, {110, 1.2010}}, {105, 1.2005}, 1},  // between, on the line
        {{{100, 1.2000}, {110, 1.2010}}, {105, 1.2010}, 0},  // between, off it
        {{{100, 1.2000}, {110, 1.2010}}, {120, 1.2020}, 1},  // on the ray's continuation
        {{{100, 1.2000}, {110, 1.2010}}, {95, 1.1995}, 0},   // before anchor 0
        {{{100, 1.2000}, {110, 1.2010}}, {120, 1.2000}, 0},  // beyond, off the ray
        {{{100, 1.2000}, {110, 1.2010}}, {111, 1.2100}, 0},
        // Drawn leftwards: the ray continues to lower bars.
        {{{110, 1.2010}, {100, 1.2000}}, {90, 1.1990}, 1},
        {{{110, 1.2010}, {100, 1.2000}}, {120, 1.2020}, 0},
        // A position left of the chart (negative bar) is a huge unsigned bar:
        // on the far side of anchor 1, but too far from the ray.
        {{{100, 1.2000}, {110, 1.2010}}, {-5, 1.1895}, 0},
    };
    for (const auto& c : cases) {
        const CLine line = Make(kLineTrend, c.anchors);
        EXPECT_EQ(line.HitTest(c.pos), c.hit) << c.pos.nIndex << " " << c.pos.fValue;
    }
}

TEST(LineHitTest, FibonacciOnlyBetweenItsAnchorsAndNothingWithTooFewAnchors) {
    const CLine fib = Make(kLineFibonacci, {{100, 1.2000}, {110, 1.2010}});
    EXPECT_EQ(fib.HitTest({105, 1.2005}), 1);
    EXPECT_EQ(fib.HitTest({120, 1.2020}), 0);  // where a trend ray would be hit
    EXPECT_EQ(fib.HitTest({105, 1.2010}), 0);

    for (int type : {kLineVertical, kLineHorizontal, kLineTrend, kLineFibonacci}) {
        const std::vector<BarPoint> tooFew = CLine::AnchorsNeeded(type) == 2
                                                 ? std::vector<BarPoint>{{100, 1.2}}
                                                 : std::vector<BarPoint>{};
        EXPECT_EQ(Make(type, tooFew).HitTest({100, 1.2}), 0) << type;
    }
}

TEST(LineRescale, UnsignedAndWithoutTheCursorsPlusOne) {
    CLine line = Make(kLineTrend, {{10, 1.1}, {12, 1.2}});
    line.SetHandles(CLine::HandlesOf(line.m_arrAnchor));
    line.RescalePeriod(period::H1);
    EXPECT_EQ(line.m_arrAnchor, (std::vector<BarPoint>{{40, 1.1}, {48, 1.2}}));
    EXPECT_EQ(line.m_nAnchorPeriod, period::H1);
    // The handles are the object's business: RescalePeriod leaves them.
    EXPECT_EQ(line.m_arrHandle[0].nIndex, 10);
    line.RescalePeriod(period::H4);
    EXPECT_EQ(line.m_arrAnchor, (std::vector<BarPoint>{{10, 1.1}, {12, 1.2}}));

    CLine m1;
    m1.SetLine(kLineVertical, {{9, 1.0}}, period::M1, 0);
    m1.RescalePeriod(period::M5);
    EXPECT_EQ(m1.m_arrAnchor[0].nIndex, 1);  // the cursor would become 2

    // The product is taken modulo 2^32 before the division.
    CLine big;
    big.SetLine(kLineVertical, {{100000000, 1.0}}, period::MN, 0);
    big.RescalePeriod(period::M1);
    EXPECT_EQ(big.m_arrAnchor[0].nIndex,
              static_cast<std::int32_t>(static_cast<std::uint32_t>(100000000u * 43200u)));

    // An unknown period changes nothing.
    big.RescalePeriod(9);
    EXPECT_EQ(big.m_nAnchorPeriod, period::M1);
}

TEST(LineModel, HandlesSetLineAssignAndConstruction) {
    const CLine fresh;
    EXPECT_EQ(fresh.GetLineType(), 0);
    EXPECT_EQ(fresh.m_nAnchorPeriod, 5);
    EXPECT_EQ(fresh.IsSelected(), 0);
    EXPECT_TRUE(fresh.m_arrAnchor.empty() && fresh.m_arrHandle.empty());

    // The midpoint's bar is the unsigned 32-bit sum halved.
    const BarPoint mid = CLine::MidPoint({std::numeric_limits<std::int32_t>::max(), 1.0}, {3, 2.0});
    EXPECT_EQ(mid.nIndex, 1073741825);
    EXPECT_DOUBLE_EQ(mid.fValue, 1.5);
    EXPECT_EQ(CLine::HandlesOf({{100, 1.2}, {111, 1.3}}),
              (std::vector<BarPoint>{{100, 1.2}, {105, 1.25}, {111, 1.3}}));
    EXPECT_TRUE(CLine::HandlesOf({{100, 1.2}}).empty());

    CLine line = Make(kLineTrend, {{1, 1.0}, {3, 2.0}});
    line.SetHandles({{7, 7.0}});
    line.SetLine(kLineFibonacci, {{4, 4.0}, {6, 6.0}}, period::D1, 1);
    EXPECT_EQ(line.m_arrHandle, (std::vector<BarPoint>{{7, 7.0}}));  // kept
    EXPECT_EQ(line.m_nAnchorPeriod, period::D1);
    EXPECT_EQ(line.IsSelected(), 1);

    CLine other;
    other.AssignWithPeriod(line, period::M15);
    EXPECT_EQ(other.GetLineType(), kLineFibonacci);
    EXPECT_EQ(other.m_arrAnchor, line.m_arrAnchor);
    EXPECT_EQ(other.m_nAnchorPeriod, period::M15);
    EXPECT_TRUE(other.m_arrHandle.empty());

    CLine copy;
    copy.Assign(line);
    EXPECT_EQ(copy.m_arrHandle, line.m_arrHandle);
    EXPECT_EQ(copy.m_nAnchorPeriod, period::D1);
    std::vector<CLine> list{line};
    list[0].m_arrAnchor[0].nIndex = 99;  // a copy, not a reference
    EXPECT_EQ(line.m_arrAnchor[0].nIndex, 4);
}

// Paints with chart pixels = (bar, price) so that positions read directly.
class LinePainterTest : public ::testing::Test {
protected:
    std::vector<std::string> Paint(const std::vector<CLine>& lines) {
        RecordingCanvas dc(750, 400);
        CLinePainter::Geometry g{750, 400, 2, [](const BarPoint& p) {
                                     return Point{p.nIndex, static_cast<int>(p.fValue)};
                                 }};
        CLinePainter::Draw(dc, lines, g);
        return dc.Calls();
    }
};

TEST_F(LinePainterTest, FibonacciLevelsAndLabels) {
    const auto calls = Paint({Make(kLineFibonacci, {{200, 100}, {300, 200}})});
    const std::vector<std::string> expected = {"SetPen 0 1 0x0000ff", "SetBrush 0xffffff",
                                               "SetPen 2 1 0x00ffff", "MoveTo 200 100",
                                               "LineTo 300 200",      "SetPen 0 1 0x00ffff"};
    ASSERT_GE(calls.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 6), expected);
    const struct {
        int y;
        const char* label;
    } levels[] = {{100, "0.000"}, {123, "0.236"}, {138, "0.382"}, {150, "0.500"}, {161, "0.618"},
                  {200, "1.000"}, {261, "1.618"}, {361, "2.618"}, {523, "4.236"}};
    std::vector<std::string> rest(calls.begin() + 6, calls.end());
    std::vector<std::string> want;
    for (const auto& l : levels) {
        want.push_back("MoveTo 0 " + std::to_string(l.y));
        want.push_back("LineTo 650 " + std::to_string(l.y));
        want.push_back("SetTextColor 0xffffff");
        want.push_back("SetBkOpaque 0");
        want.push_back("TextOut 650 " + std::to_string(l.y - 13) + " " + l.label);
    }
    want.push_back("SetPen 0 1 0x0000ff");
    EXPECT_EQ(rest, want);
}

TEST_F(LinePainterTest, RaysEndsSquaresAndLabels) {
    const struct {
        const char* what;
        CLine line;
        std::vector<std::string> calls;  // after the pen and brush
    } cases[] = {
        {"rightward trend: 100 pixels before the right edge",
         Make(kLineTrend, {{100, 300}, {200, 250}}),
         {"MoveTo 100 300", "LineTo 650 25"}},
        {"leftward trend: to the left edge",
         Make(kLineTrend, {{300, 200}, {200, 250}}),
         {"MoveTo 300 200", "LineTo 0 350"}},
        {"a click without a move: vertical ray up",
         Make(kLineTrend, {{120, 200}, {120, 200}}),
         {"MoveTo 120 200", "LineTo 120 0"}},
        {"second anchor below: vertical ray down",
         Make(kLineTrend, {{120, 200}, {120, 210}}),
         {"MoveTo 120 200", "LineTo 120 400"}},
        {"vertical, selected",
         Make(kLineVertical, {{77, 123}}, 1),
         {"MoveTo 77 0", "LineTo 77 400", "Rectangle 74 10 80 16", "Rectangle 74 384 80 390"}},
        {"horizontal with its price",
         Make(kLineHorizontal, {{5, 123.456789}}),
         {"MoveTo 0 123", "LineTo 750 123", "SetTextColor 0xffffff", "SetBkOpaque 0",
          "TextOut 688 110 123.456"}},
        {"horizontal, selected",
         Make(kLineHorizontal, {{5, 50}}, 1),
         {"MoveTo 0 50", "LineTo 750 50", "SetTextColor 0xffffff", "SetBkOpaque 0",
          "TextOut 688 37 50.0000", "Rectangle 10 47 16 53", "Rectangle 644 47 650 53"}},
        {"too few anchors: nothing", Make(kLineTrend, {{100, 300}}), {}},
    };
    for (const auto& c : cases) {
        auto calls = Paint({c.line});
        if (!calls.empty()) {
            ASSERT_GE(calls.size(), 2u) << c.what;
            EXPECT_EQ(calls[0], "SetPen 0 1 0x0000ff") << c.what;
            EXPECT_EQ(calls[1], "SetBrush 0xffffff") << c.what;
            calls.erase(calls.begin(), calls.begin() + 2);
        }
        EXPECT_EQ(calls, c.calls) << c.what;
    }
}

TEST_F(LinePainterTest, HandleSquaresOfSelectedTwoPointObjects) {
    CLine trend = Make(kLineTrend, {{100, 300}, {200, 250}}, 1);
    trend.SetHandles(CLine::HandlesOf(trend.m_arrAnchor));
    CLine fib = Make(kLineFibonacci, {{100, 300}, {200, 250}}, 1);
    fib.SetHandles(CLine::HandlesOf(fib.m_arrAnchor));
    for (const CLine& line : {trend, fib}) {
        const auto calls = Paint({line});
        std::vector<std::string> squares;
        for (const auto& call : calls)
            if (call.rfind("Rectangle", 0) == 0) squares.push_back(call);
        EXPECT_EQ(squares,
                  (std::vector<std::string>{"Rectangle 97 297 103 303", "Rectangle 147 272 153 278",
                                            "Rectangle 197 247 203 253"}))
            << line.GetLineType();
        // The squares are drawn with the red pen.
        std::string lastPen;
        for (const auto& call : calls)
            if (call.rfind("SetPen", 0) == 0) lastPen = call;
        EXPECT_EQ(lastPen, "SetPen 0 1 0x0000ff");
    }
}

}  // namespace
