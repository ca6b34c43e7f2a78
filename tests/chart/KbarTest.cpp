#include "chart/Kbar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/RecordingCanvas.h"

namespace {

BarRecord Bar(double open, double low, double high, double close) {
    BarRecord b;
    b.open = open;
    b.low = low;
    b.high = high;
    b.close = close;
    return b;
}

CIndicate OwnPane() {
    CIndicate ind;
    ind.m_nType = kIndicateRSI;
    ind.m_bOwnPane = 1;
    return ind;
}

TEST(Kbar, SpacingFirstBarAndMapping) {
    CKbar chart;
    chart.RecalcLayout();
    EXPECT_EQ(chart.m_nBarSpacing, 6);  // 750 / (100 x 1.2)

    chart.SetVisibleCount(120);
    chart.SetLastIndex(50);
    EXPECT_EQ(chart.FirstVisibleIndex(), 0);
    chart.SetLastIndex(500);
    EXPECT_EQ(chart.FirstVisibleIndex(), 381);

    // Width 600 at 100 bars: spacing 5, body 4.
    chart.SetChartArea(1000, 1000, 10, 100, 600, 400);
    chart.SetVisibleCount(100);
    chart.AddBar(Bar(1.1, 1.0, 1.2, 1.15));
    chart.AddBar(Bar(1.15, 1.1, 1.2, 1.12));
    chart.SetLastIndex(1);
    EXPECT_EQ(chart.m_nBarSpacing, 5);
    EXPECT_EQ(chart.BarPointToPoint(BarPoint{0, 1.2}), (Point{2, 0}));
    EXPECT_EQ(chart.BarPointToPoint(BarPoint{1, 1.0}), (Point{7, 400}));
    BarPoint pt = chart.PointToBarPoint(10 + 12, 100 + 200);
    EXPECT_EQ(pt.nIndex, 2);
    EXPECT_NEAR(pt.fValue, 1.1, 1e-12);
}

TEST(Kbar, OwnPanesStackUpFromTheBottom) {
    CKbar chart;
    chart.SetChartArea(1000, 1000, 10, 100, 750, 400);
    chart.AddIndicate(OwnPane());
    EXPECT_EQ(chart.m_nPriceHeight, 320);
    EXPECT_EQ(chart.GetIndicate(0).m_rcPane, (Rect{10, 420, 760, 500}));
    CIndicate over;
    over.m_nType = kIndicateMA;
    chart.AddIndicate(over);
    chart.AddIndicate(OwnPane());
    EXPECT_EQ(chart.m_nPriceHeight, 240);
    EXPECT_EQ(chart.GetIndicate(0).m_rcPane, (Rect{10, 420, 760, 500}));
    EXPECT_EQ(chart.GetIndicate(2).m_rcPane, (Rect{10, 340, 760, 420}));

    // The over-price indicator without points stops the search.
    CKbar second;
    second.SetChartArea(1000, 1000, 10, 100, 750, 400);
    second.AddIndicate(over);
    second.AddIndicate(OwnPane());
    EXPECT_EQ(second.HitTestIndicate(100, 480), -1);
    EXPECT_EQ(chart.HitTestIndicate(100, 480), 0);
    // Indicator 2's pane lies behind the point-less MA at index 1.
    EXPECT_EQ(chart.HitTestIndicate(100, 400), -1);
}

TEST(Kbar, WindowRangeAndReset) {
    CKbar chart;
    chart.SetVisibleCount(3);
    for (int i = 0; i < 5; ++i) chart.AddBar(Bar(1 + i, 1 + i - 0.5, 1 + i + 0.5, 1 + i));
    ASSERT_EQ(chart.Bars().size(), 3u);
    EXPECT_EQ(chart.Bars().front().open, 3.0);
    EXPECT_EQ(chart.m_fMinPrice, 2.5);
    EXPECT_EQ(chart.m_fMaxPrice, 5.5);
    EXPECT_EQ(chart.GetLastIndex(), 4);

    chart.ResetChart();
    EXPECT_TRUE(chart.Bars().empty());
    EXPECT_EQ(chart.m_fMinPrice, 9999.0);
    EXPECT_EQ(chart.m_fMaxPrice, 0.0);
    EXPECT_EQ(chart.GetLastIndex(), -1);
    EXPECT_EQ(chart.GetLastBar().open, 5.0);

    chart.SetChartType(5);
    EXPECT_EQ(chart.GetChartType(), 16);
    chart.SetChartType(18);
    EXPECT_EQ(chart.GetChartType(), 18);

    // Above 9999 the range is the true one.
    chart.AddBar(Bar(35000, 34990, 35010, 35005));
    EXPECT_EQ(chart.m_fMinPrice, 34990.0);
    EXPECT_EQ(chart.m_fMaxPrice, 35010.0);
}

TEST(Kbar, FlatRangeStaysFiniteInTheMiddle) {
    CKbar chart;
    chart.AddBar(Bar(1.5, 1.5, 1.5, 1.5));
    EXPECT_TRUE(std::isfinite(chart.m_fScaleY));
    EXPECT_EQ(chart.PriceToY(1.5), chart.m_nPriceHeight / 2);
    BarPoint pt = chart.PointToBarPoint(0, chart.m_nPriceHeight / 2);
    EXPECT_TRUE(std::isfinite(pt.fValue));
    EXPECT_NEAR(pt.fValue, 1.5, 1e-3);
    RecordingCanvas canvas;
    chart.DrawImage(canvas);
    for (const auto& call : canvas.Calls()) EXPECT_EQ(call.find("nan"), std::string::npos) << call;
}

TEST(KbarDraw, EmptyChartGrid) {
    CKbar chart;
    chart.SetChartArea(1000, 1000, 10, 100, 750, 400);
    RecordingCanvas canvas;
    chart.DrawImage(canvas);
    auto texts = canvas.CallsStartingWith("TextOut");
    ASSERT_EQ(texts.size(), 11u);
    EXPECT_EQ(texts[0], "TextOut 688 -13 0.00000");
    EXPECT_EQ(texts[1], "TextOut 688 27 999.900");
    EXPECT_EQ(texts[2], "TextOut 688 67 1999.80");
    EXPECT_EQ(texts[10], "TextOut 688 387 9999.00");
    auto calls = canvas.Calls();
    EXPECT_EQ(calls[0], "FillSolidRect 0 0 750 400 0x000000");
    EXPECT_EQ(calls[1], "SetPen 0 2 0x008080");  // RGB(128, 128, 0)
    EXPECT_EQ(calls[2], "MoveTo 748 0");
    EXPECT_EQ(calls[3], "LineTo 748 400");
    EXPECT_EQ(canvas.CallsStartingWith("LineTo").size(), 12u);  // axis + eleven grid lines
    EXPECT_TRUE(canvas.CallsStartingWith("Rectangle").empty());
    EXPECT_EQ(CKbar::PriceText(1.2345678), "1.23456");
    EXPECT_EQ(CKbar::PriceText(0.5), "0.50000");
    EXPECT_EQ(CKbar::PriceText(123.456), "123.456");
}

TEST(KbarDraw, BarsPerChartType) {
    CKbar chart;
    chart.SetChartArea(1000, 1000, 0, 0, 600, 400);
    chart.AddBar(Bar(1.0, 0.9, 1.3, 1.2));  // rising
    chart.AddBar(Bar(1.2, 1.1, 1.2, 1.1));  // flat candle next
    chart.AddBar(Bar(1.1, 1.0, 1.2, 1.1));
    struct Case {
        int type;
        const char* pen;
    } cases[] = {{16, "SetPen 0 1 0x00ff00"}, {17, "SetPen 0 2 0x00ff00"},
                 {18, "SetPen 0 2 0x00ff00"}};
    for (const auto& c : cases) {
        chart.SetChartType(c.type);
        RecordingCanvas canvas;
        chart.DrawBars(canvas);
        EXPECT_EQ(canvas.Calls()[0], c.pen) << c.type;
        auto rects = canvas.CallsStartingWith("Rectangle");
        if (c.type == 16) {
            ASSERT_EQ(rects.size(), 3u);
            // Spacing 5, body 4; rising body from the close's y to the open's y.
            EXPECT_EQ(rects[0], "Rectangle 0 " + std::to_string(chart.PriceToY(1.2)) + " 4 " +
                                    std::to_string(chart.PriceToY(1.0)));
            const int y = chart.PriceToY(1.1);
            EXPECT_EQ(rects[2], "Rectangle 10 " + std::to_string(y) + " 14 " +
                                    std::to_string(y + 1));  // one pixel high
            EXPECT_EQ(canvas.CallsStartingWith("SetBrush").size(), 2u);  // the flat one keeps it
        } else {
            EXPECT_TRUE(rects.empty());
        }
        if (c.type == 18) {
            EXPECT_EQ(canvas.CallsStartingWith("MoveTo").size(), 1u);
            EXPECT_EQ(canvas.CallsStartingWith("LineTo").size(), 3u);
        }
    }
}

TEST(KbarDraw, OrderLineLiesOverTheCurrentPrice) {
    CKbar chart;
    chart.SetChartArea(1000, 1000, 0, 0, 750, 400);
    chart.AddBar(Bar(1.2, 1.1, 1.3, 1.25));
    OrderRecord order;
    order.nDirection = 1;
    order.fOrderSize = 1;
    order.fOpenPrice = 1.25;
    chart.m_order.AddOpenOrder(order);
    RecordingCanvas canvas;
    chart.DrawImage(canvas);
    const auto& calls = canvas.Calls();
    auto at = [&](const std::string& line) {
        return std::find(calls.begin(), calls.end(), line) - calls.begin();
    };
    const int y = chart.PriceToY(1.25);
    const auto lastPrice = at("SetPen 0 1 0x800080");
    const auto orders = at("SetPen 3 1 0x0000ff");
    const auto bars = at("SetPen 0 1 0x00ff00");
    ASSERT_LT(lastPrice, static_cast<long>(calls.size()));
    EXPECT_LT(lastPrice, orders);
    EXPECT_LT(orders, bars);
    EXPECT_EQ(calls[orders + 3], "MoveTo 0 " + std::to_string(y));
    EXPECT_EQ(calls[orders + 4], "LineTo 750 " + std::to_string(y));
    EXPECT_EQ(calls[orders + 5], "TextOut 10 " + std::to_string(y - 13) + " 1.25000");
    EXPECT_NE(at("TextOut 688 " + std::to_string(y - 13) + " 1.25000"),
              static_cast<long>(calls.size()));
}

TEST(KbarDraw, DrawCopiesTheImageToTheOrigin) {
    CKbar chart;
    chart.SetChartArea(1000, 1000, 10, 100, 750, 400);
    RecordingCanvas screen;
    chart.Draw(screen);
    EXPECT_EQ(screen.Calls().front(), "CreateCompatible 750 400 -> @1");
    EXPECT_EQ(screen.Calls().back(), "BitBlt 10 100 750 400 from @1 0 0");
}

}  // namespace
