#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "data/Period.h"
#include "data/PeriodConverter.h"
#include "desk/StopLines.h"
#include "desk/StopRules.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/RecordingCanvas.h"
#include "support/TestSupport.h"
#include "window/TarvelloWindow.h"

namespace {

using W = CTarvelloWindow;
constexpr int kStart = 1104537600;

struct Minute {
    double low, high;
};

// Ten minutes: the first five flat at 1.3000 (M5 bar 0, where the order
// opens), then the five of M5 bar 1 that the stop and target meet. A Sell
// sees the prices mirrored about 1.3000, so one table serves both.
std::vector<BarRecord> Minutes(const std::vector<Minute>& second, int direction) {
    std::vector<BarRecord> bars;
    auto add = [&](double low, double high) {
        BarRecord b;
        b.time = kStart + static_cast<int>(bars.size()) * 60;
        if (direction < 0) {
            const double l = 2.6 - high, h = 2.6 - low;
            low = l;
            high = h;
        }
        b.low = low;
        b.high = high;
        b.open = b.close = (low + high) / 2;
        bars.push_back(b);
    };
    for (int i = 0; i < 5; ++i) add(1.3, 1.3);
    for (const Minute& m : second) add(m.low, m.high);
    return bars;
}

class DeskTest : public ::testing::Test {
protected:
    void Start(const std::vector<BarRecord>& bars) {
        WriteHst(m_dir / "g.hst", "GBPUSD", bars);
        files::CreateFolder(m_dir / "history");
        ASSERT_EQ(BuildPeriodFiles(m_dir / "g.hst", m_dir.Path() + "/history/", nullptr).status,
                  ImportResult::Status::kOk);
        m_wnd = std::make_unique<CTarvelloWindow>(m_port, m_dir.Path() + "/");
        m_wnd->OnInitDialog();
        m_wnd->LayoutControls(939, 766);
    }
    std::vector<std::string> Stats() const {
        std::vector<std::string> out;
        // Money, floating, realised, rate, wins, losses.
        for (int id = W::IDC_TOTAL_MONEY; id <= W::IDC_LOSS_ORDERS; ++id)
            out.push_back(m_wnd->GetStatText(id));
        return out;
    }

    TempDir m_dir;
    FakePort m_port;
    std::unique_ptr<CTarvelloWindow> m_wnd;
};

TEST_F(DeskTest, StopsAndTargetsOfABuyAndASell) {
    struct Case {
        const char* name;
        std::vector<Minute> minutes;
        int reason;       // -1: still open
        int closeMinute;  // index of the minute that closed it
    };
    const int kStop = OrderRecord::kByStopLoss, kTarget = OrderRecord::kByTakeProfit;
    const Case cases[] = {
        {"neither",
         {{1.2990, 1.3010}, {1.2985, 1.3015}, {1.2990, 1.3}, {1.3, 1.3}, {1.3, 1.3}},
         -1,
         0},
        {"stop",
         {{1.2990, 1.3}, {1.2975, 1.2995}, {1.2970, 1.2990}, {1.3, 1.3}, {1.3, 1.3}},
         kStop,
         6},
        {"target",
         {{1.3, 1.3010}, {1.3, 1.3}, {1.3010, 1.3030}, {1.3, 1.3}, {1.3, 1.3}},
         kTarget,
         7},
        {"target, then stop",
         {{1.3, 1.3}, {1.3, 1.3025}, {1.3, 1.3}, {1.2975, 1.3}, {1.3, 1.3}},
         kTarget,
         6},
        {"stop, then target",
         {{1.3, 1.3}, {1.2975, 1.3}, {1.3, 1.3}, {1.3, 1.3025}, {1.3, 1.3}},
         kStop,
         6},
        {"both in one minute",
         {{1.3, 1.3}, {1.2975, 1.3025}, {1.3, 1.3}, {1.3, 1.3}, {1.3, 1.3}},
         kStop,
         6},
        {"gap through the stop",
         {{1.2940, 1.2960}, {1.2940, 1.2950}, {1.3, 1.3}, {1.3, 1.3}, {1.3, 1.3}},
         kStop,
         5},
    };
    for (const Case& c : cases) {
        for (int direction : {1, -1}) {
            SCOPED_TRACE(std::string(c.name) + (direction > 0 ? " buy" : " sell"));
            Start(Minutes(c.minutes, direction));
            m_wnd->OnPeriod(period::M5);  // shows bar 0
            // 20 points either side: a stop costs 20.0 at 0.1 lots, a target earns it.
            const double sl = direction > 0 ? 1.2980 : 1.3020;
            const double tp = direction > 0 ? 1.3020 : 1.2980;
            m_wnd->SetNextStops(sl, tp);
            if (direction > 0)
                m_wnd->OnBuy();
            else
                m_wnd->OnSell();
            ASSERT_EQ(m_wnd->m_kbar.m_order.GetOpenOrderCount(), 1);
            EXPECT_EQ(m_wnd->m_desk.m_fNextStopLoss, 0.0);  // for that order only
            // The two reserved columns show the levels.
            EXPECT_NE(m_wnd->m_listOrder.Rows()[0].find(FormatString(" \t%.4f \t%.4f \t", sl, tp)),
                      std::string::npos);
            ASSERT_TRUE(m_wnd->StepNextBar());

            const COrder& book = m_wnd->m_kbar.m_order;
            if (c.reason < 0) {
                EXPECT_EQ(book.GetOpenOrderCount(), 1);
                EXPECT_EQ(book.GetHstOrderCount(), 0);
                EXPECT_EQ(m_wnd->m_balanceCurve.m_arrBalance.size(), 1u);
                continue;
            }
            ASSERT_EQ(book.GetOpenOrderCount(), 0);
            ASSERT_EQ(book.GetHstOrderCount(), 1);
            const OrderRecord closed = book.GetHstOrder(0);
            EXPECT_EQ(closed.nCloseReason, c.reason);
            EXPECT_EQ(closed.fClosePrice, c.reason == kStop ? sl : tp);
            EXPECT_EQ(closed.nCloseTime, kStart + c.closeMinute * 60);
            const bool won = c.reason == kTarget;
            EXPECT_EQ(closed.fprofit, won ? 20.0 : -20.0);
            // Accounted as Close accounts: all six statistics and the curve.
            EXPECT_EQ(Stats(), (std::vector<std::string>{
                                   won ? "10020" : "9980", "0", won ? "20" : "-20",
                                   won ? "1.002" : "0.998", won ? "1" : "0", won ? "0" : "1"}));
            EXPECT_EQ(m_wnd->m_balanceCurve.m_arrBalance,
                      (std::vector<double>{10000.0, won ? 10020.0 : 9980.0}));
            EXPECT_TRUE(m_wnd->m_listOrder.Rows().empty());
        }
    }
}

TEST_F(DeskTest, StopsCloseInTheOrderTheyAreReachedAndStepBackUndoesThem) {
    // Two Buys: the second's stop is reached a minute before the first's target.
    Start(Minutes({{1.3, 1.3}, {1.2985, 1.3}, {1.3, 1.3025}, {1.3, 1.3}, {1.3, 1.3}}, 1));
    m_wnd->OnPeriod(period::M5);
    m_wnd->SetNextStops(0.0, 1.3020);
    m_wnd->OnBuy();
    m_wnd->SetNextStops(1.2990, 0.0);
    m_wnd->OnBuy();
    m_wnd->OnBuy();  // no levels: stays open
    ASSERT_TRUE(m_wnd->StepNextBar());
    const COrder& book = m_wnd->m_kbar.m_order;
    ASSERT_EQ(book.GetHstOrderCount(), 2);
    EXPECT_EQ(book.GetHstOrder(0).nCloseReason, OrderRecord::kByStopLoss);
    EXPECT_EQ(book.GetHstOrder(1).nCloseReason, OrderRecord::kByTakeProfit);
    EXPECT_EQ(book.GetOpenOrderCount(), 1);
    EXPECT_EQ(m_wnd->m_balanceCurve.m_arrBalance, (std::vector<double>{10000.0, 9990.0, 10010.0}));
    EXPECT_EQ(m_wnd->GetStatText(W::IDC_WIN_ORDERS), "1");
    EXPECT_EQ(m_wnd->GetStatText(W::IDC_LOSS_ORDERS), "1");
    ASSERT_TRUE(m_wnd->OnStepBack());
    EXPECT_EQ(book.GetOpenOrderCount(), 3);
    EXPECT_EQ(book.GetOpenOrder(0).TakeProfit(), 1.3020);
    EXPECT_EQ(book.GetHstOrderCount(), 0);
}

TEST_F(DeskTest, AJumpWatchesTheMinutesItPasses) {
    for (bool honest : {false, true}) {
        SCOPED_TRACE(honest ? "honest" : "plain");
        Start(Minutes({{1.3, 1.3}, {1.3, 1.3}, {1.2970, 1.3}, {1.3, 1.3}, {1.3, 1.3}}, 1));
        m_wnd->SetHonestReplay(honest, false);
        m_wnd->OnPeriod(period::M5);
        // The plain replay shows bar 0 after the period switch; the honest one
        // has no minute yet.
        if (honest) {
            ASSERT_TRUE(m_wnd->StepNextBar());
        }
        m_wnd->SetNextStops(1.2980, 0.0);
        m_wnd->OnBuy();
        ASSERT_EQ(m_wnd->m_kbar.m_order.GetOpenOrderCount(), 1);
        ASSERT_TRUE(m_wnd->GotoTime(kStart + 5 * 60));
        ASSERT_EQ(m_wnd->m_kbar.m_order.GetHstOrderCount(), 1);
        EXPECT_EQ(m_wnd->m_kbar.m_order.GetHstOrder(0).nCloseTime, kStart + 7 * 60);
        EXPECT_EQ(m_wnd->GetStatText(W::IDC_LOSS_ORDERS), "1");
    }
}

TEST_F(DeskTest, LevelsOnTheWrongSideAreRefused) {
    Start(Minutes({{1.3, 1.3}, {1.3, 1.3}, {1.3, 1.3}, {1.3, 1.3}, {1.3, 1.3}}, 1));
    m_wnd->OnPeriod(period::M5);
    m_wnd->SetNextStops(1.3010, 0.0);  // a Buy's stop above the price
    m_wnd->OnBuy();
    EXPECT_EQ(m_wnd->m_kbar.m_order.GetOpenOrderCount(), 0);
    ASSERT_EQ(m_port.m_arrMessages.size(), 1u);
    m_wnd->OnSell();  // a Sell's stop belongs above: taken
    ASSERT_EQ(m_wnd->m_kbar.m_order.GetOpenOrderCount(), 1);
    EXPECT_FALSE(m_wnd->SetOrderStops(0, 0.0, 1.3010));  // a Sell's target above
    EXPECT_TRUE(m_wnd->SetOrderStops(0, 1.3050, 1.2900));
    EXPECT_EQ(m_wnd->m_kbar.m_order.GetOpenOrder(0).StopLoss(), 1.3050);
    EXPECT_EQ(CheckStops(1, 1.3, 1.29, 1.31), "");
    EXPECT_NE(CheckStops(-1, 1.3, 1.29, 0.0), "");
}

TEST_F(DeskTest, DraggingALineMovesItsLevelUnlessItWouldBeWrong) {
    Start(Minutes({{1.2990, 1.3010}, {1.3, 1.3}, {1.3, 1.3}, {1.3, 1.3}, {1.3, 1.3}}, 1));
    m_wnd->OnPeriod(period::M5);
    ASSERT_TRUE(m_wnd->StepNextBar());  // the chart has a range now: 1.2990 to 1.3010
    m_wnd->SetNextStops(1.2995, 1.3005);
    m_wnd->OnBuy();
    CKbar& chart = m_wnd->m_kbar;
    const int x = chart.m_ptOrigin.x + 50;
    auto yOf = [&](double price) { return chart.m_ptOrigin.y + chart.PriceToY(price); };
    const int from = yOf(1.3005), to = yOf(1.3008);
    ASSERT_NE(from, to);
    m_wnd->OnLButtonDown(x, from + 2);  // near the target's line
    m_wnd->OnMouseMove(x, (from + to) / 2);
    m_wnd->OnLButtonUp(x, to);
    const double moved = chart.m_order.GetOpenOrder(0).TakeProfit();
    EXPECT_NEAR(moved, chart.PointToBarPoint(x, to).fValue, 0.0001);
    EXPECT_NEAR(moved * 10000, std::round(moved * 10000), 1e-6);  // on a whole point
    EXPECT_EQ(chart.m_order.GetOpenOrder(0).StopLoss(), 1.2995);
    EXPECT_TRUE(chart.m_arrDrawing.empty());  // no drawing object was made or moved
    // A Buy's stop dragged above the price is refused and stays where it was.
    m_wnd->OnLButtonDown(x, yOf(1.2995));
    m_wnd->OnLButtonUp(x, yOf(1.3009));
    EXPECT_EQ(chart.m_order.GetOpenOrder(0).StopLoss(), 1.2995);
    EXPECT_EQ(m_port.m_arrMessages.size(), 1u);
}

// The lines in their colours with their prices; a level beyond the view is
// named at the edge it lies beyond.
TEST_F(DeskTest, LevelsAreDrawnOrNamedAtTheEdge) {
    Start(Minutes({{1.2990, 1.3010}, {1.3, 1.3}, {1.3, 1.3}, {1.3, 1.3}, {1.3, 1.3}}, 1));
    m_wnd->OnPeriod(period::M5);
    ASSERT_TRUE(m_wnd->StepNextBar());  // the view: 1.2990 to 1.3010
    m_wnd->SetNextStops(1.2995, 1.3500);
    m_wnd->OnBuy();
    m_wnd->SetNextStops(1.2000, 0.0);
    m_wnd->OnBuy();
    const CKbar& chart = m_wnd->m_kbar;
    const int ox = chart.m_ptOrigin.x, oy = chart.m_ptOrigin.y;
    const int y = oy + chart.PriceToY(1.2995);
    RecordingCanvas dc(1400, 900);
    m_wnd->PaintChart(dc);
    auto has = [&](const std::string& call) {
        const auto& calls = dc.Calls();
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    };
    EXPECT_TRUE(has("MoveTo " + std::to_string(ox) + " " + std::to_string(y)));
    EXPECT_TRUE(has(FormatString("TextOut %d %d SL 1.29950", ox + 90, y - 13)));
    EXPECT_TRUE(has("SetTextColor " + RecordingCanvas::ColorText(stop_lines::kStopColor)));
    const int mid = ox + chart.m_nWidth / 2;
    EXPECT_TRUE(has(FormatString("TextOut %d %d TP 1.35000 ↑", mid, oy + 2)));
    EXPECT_TRUE(has(FormatString("TextOut %d %d SL 1.20000 ↓", mid,
                                 oy + chart.m_nPriceHeight - 16)));
    // A named level is no line to drag.
    bool stop = false;
    EXPECT_EQ(stop_lines::HitTest(chart, mid + 5, oy + 4, &stop), -1);
}

TEST_F(DeskTest, SpreadCostsWhatItCosts) {
    // Closes 1.2000 then 1.2010: a Buy and a Sell of 1 lot, closed on the second bar.
    struct Case {
        int spread;
        const char* buyRow;
        double buyProfit, sellProfit;
    };
    const Case cases[] = {
        // Without a spread the rows and the figures are the plain ones.
        {0, "1104537600 \tBUY \t1.0 \tGBPUSD \t1.2000 \t0.0000 \t0.0000 \t1.2000 \t0.0000", 100.0,
         -100.0},
        {2, "1104537600 \tBUY \t1.0 \tGBPUSD \t1.2002 \t0.0000 \t0.0000 \t1.2002 \t0.0000", 80.0,
         -120.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spread);
        std::vector<BarRecord> bars(2);
        for (int i = 0; i < 2; ++i) {
            bars[i].time = kStart + i * 60;
            bars[i].open = bars[i].low = bars[i].high = bars[i].close = 1.2 + i * 0.001;
        }
        Start(bars);
        m_wnd->SetSpread(c.spread, false);
        m_wnd->OnPeriod(period::M1);
        m_wnd->m_comboLots.SetCurSel(9);  // "1"
        m_wnd->OnBuy();
        EXPECT_EQ(m_wnd->m_listOrder.Rows()[0], c.buyRow);
        m_wnd->OnSell();
        ASSERT_TRUE(m_wnd->StepNextBar());
        EXPECT_EQ(m_wnd->GetStatText(W::IDC_FLOAT_PROFIT),
                  FormatStatDouble(c.buyProfit + c.sellProfit));
        m_wnd->SelectOrderRow(1);
        m_wnd->OnCloseOrder();
        m_wnd->SelectOrderRow(0);
        m_wnd->OnCloseOrder();
        const COrder& book = m_wnd->m_kbar.m_order;
        EXPECT_EQ(book.GetHstOrder(0).fprofit, c.sellProfit);
        EXPECT_EQ(book.GetHstOrder(1).fprofit, c.buyProfit);
        EXPECT_EQ(m_wnd->GetStatText(W::IDC_TOTAL_PROFIT),
                  FormatStatDouble(c.buyProfit + c.sellProfit));
        EXPECT_EQ(m_wnd->GetStatText(W::IDC_FLOAT_PROFIT), "0");
    }
}

}  // namespace
