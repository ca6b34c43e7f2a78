#include <gtest/gtest.h>

#include "data/HistoryFile.h"
#include "data/Period.h"
#include "data/PeriodConverter.h"
#include "platform/Files.h"
#include "platform/RecordingCanvas.h"
#include "support/TestSupport.h"
#include "window/HelpText.h"
#include "window/TarvelloWindow.h"

namespace {

using W = CTarvelloWindow;

// A GBPUSD history whose M1 bars close at the given prices, replayed in M1.
class TradeTest : public ::testing::Test {
protected:
    void SetUp() override { Start({1.2000, 1.1975, 1.1990, 1.2010, 1.2020, 1.2030}); }
    void Start(const std::vector<double>& closes) {
        std::vector<BarRecord> bars;
        for (std::size_t i = 0; i < closes.size(); ++i) {
            BarRecord b;
            b.time = 1104537600 + static_cast<int>(i) * 60;
            b.open = b.low = b.high = b.close = closes[i];
            bars.push_back(b);
        }
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
        for (int id : {W::IDC_TOTAL_MONEY, W::IDC_TOTAL_PROFIT, W::IDC_FLOAT_PROFIT,
                       W::IDC_PROFIT_RATE, W::IDC_WIN_ORDERS, W::IDC_LOSS_ORDERS})
            out.push_back(m_wnd->GetStatText(id));
        return out;
    }
    void SelectLots(const std::string& text) {
        const auto& items = m_wnd->m_comboLots.Items();
        auto it = std::find(items.begin(), items.end(), text);
        ASSERT_NE(it, items.end());
        m_wnd->m_comboLots.SetCurSel(static_cast<int>(it - items.begin()));
    }

    TempDir m_dir;
    FakePort m_port;
    std::unique_ptr<CTarvelloWindow> m_wnd;
};

TEST_F(TradeTest, StatisticsFollowTheBarsAndTheCloses) {
    EXPECT_EQ(Stats(), (std::vector<std::string>{"10000", "0", "0", "0", "0", "0"}));
    m_wnd->OnBuy();  // no bar yet: no price, no order
    EXPECT_EQ(m_wnd->m_kbar.m_order.GetOpenOrderCount(), 0);

    m_wnd->OnPeriod(period::M1);  // bar 0, close 1.2000
    SelectLots("1");
    m_wnd->OnBuy();
    ASSERT_EQ(m_wnd->m_listOrder.GetCount(), 1);
    EXPECT_EQ(m_wnd->m_listOrder.GetCurSel(), 0);
    EXPECT_EQ(Stats(), (std::vector<std::string>{"10000", "0", "0", "0", "0", "0"}));

    m_wnd->OnNextBar();  // 1.1975: only the floating profit moves
    EXPECT_EQ(Stats(), (std::vector<std::string>{"10000", "0", "-250", "0", "0", "0"}));
    EXPECT_EQ(m_wnd->m_listOrder.GetCurSel(), 0);  // kept across the bar

    m_wnd->OnCloseOrder();
    EXPECT_EQ(Stats(), (std::vector<std::string>{"9750", "-250", "0", "0.975", "0", "1"}));
    EXPECT_EQ(m_wnd->m_balanceCurve.m_arrBalance, (std::vector<double>{10000.0, 9750.0}));
    EXPECT_EQ(m_wnd->m_listOrder.GetCurSel(), -1);  // the list is empty

    // Opened and closed on the same bar: 0.0 is a win, the curve repeats its value.
    m_wnd->OnSell();
    m_wnd->OnCloseOrder();
    EXPECT_EQ(Stats(), (std::vector<std::string>{"9750", "-250", "0", "0.975", "1", "1"}));
    EXPECT_EQ(m_wnd->m_balanceCurve.m_arrBalance.back(), 9750.0);

    m_wnd->OnRetrain();
    EXPECT_EQ(Stats(), (std::vector<std::string>{"10000", "0", "0", "1", "0", "0"}));
    EXPECT_EQ(m_wnd->m_balanceCurve.m_arrBalance, std::vector<double>{10000.0});
    EXPECT_EQ(m_wnd->m_barIndex.GetIndex(), -1);
    EXPECT_TRUE(m_wnd->m_kbar.Bars().empty());
    // The current bar survives a retrain: Buy opens at the last close seen.
    m_wnd->OnBuy();
    EXPECT_EQ(m_wnd->m_kbar.m_order.GetOpenOrder(0).fOpenPrice, 1.1975);
    EXPECT_TRUE(m_port.m_arrMessages.empty());  // no trade command says anything
}

TEST_F(TradeTest, SelectionAfterEachClose) {
    m_wnd->OnPeriod(period::M1);
    for (int i = 0; i < 4; ++i) m_wnd->OnBuy();
    EXPECT_EQ(m_wnd->m_listOrder.GetCurSel(), 3);
    m_wnd->SelectOrderRow(2);
    m_wnd->OnCloseOrder();
    EXPECT_EQ(m_wnd->m_listOrder.GetCount(), 3);
    EXPECT_EQ(m_wnd->m_listOrder.GetCurSel(), 1);
    m_wnd->SelectOrderRow(0);
    m_wnd->OnCloseOrder();
    EXPECT_EQ(m_wnd->m_listOrder.GetCurSel(), 0);
    m_wnd->OnCloseOrder();
    m_wnd->OnCloseOrder();
    EXPECT_EQ(m_wnd->m_listOrder.GetCount(), 0);
    EXPECT_EQ(m_wnd->m_listOrder.GetCurSel(), -1);
    const int closed = m_wnd->m_kbar.m_order.GetHstOrderCount();
    m_wnd->OnCloseOrder();  // nothing selected
    EXPECT_EQ(m_wnd->m_kbar.m_order.GetHstOrderCount(), closed);
}

TEST_F(TradeTest, RetrainEmptiesTheOrderList) {
    m_wnd->OnPeriod(period::M1);
    m_wnd->OnBuy();
    m_wnd->OnBuy();
    m_port.m_nChanges = 0;
    m_wnd->OnRetrain();
    // The orders are gone, and so are their rows.
    EXPECT_EQ(m_wnd->m_listOrder.GetCount(), 0);
    EXPECT_EQ(m_wnd->m_listOrder.GetCurSel(), -1);
    EXPECT_TRUE(m_port.m_nChanges & CWindowPort::kOrderList);
    m_wnd->SelectOrderRow(1);
    m_wnd->OnCloseOrder();
    EXPECT_EQ(m_wnd->m_kbar.m_order.GetHstOrderCount(), 0);
    EXPECT_EQ(m_wnd->m_balanceCurve.m_arrBalance, std::vector<double>{10000.0});
    EXPECT_EQ(Stats()[3], "1");
}

TEST_F(TradeTest, LotSizes) {
    m_wnd->OnPeriod(period::M1);
    const std::string refused = "手数必须在0.1到90之间,最多一位小数!";
    struct Case {
        const char* typed;
        bool opens;
        double lots;
    } cases[] = {
        {"0.35", false, 0},   // would be listed as 0.3 and valued at 0.35
        {"100", false, 0},    // beyond the last entry
        {"1e308", false, 0},  // would value the order at inf
        {"0.05", false, 0},   // below the first entry
        {"abc", false, 0},   {"0", false, 0},    {"-1", false, 0},   {"", false, 0},
        {"2.5x", false, 0},  {"inf", false, 0},  {"nan", false, 0},  {"0x10", false, 0},
        {"90", true, 90},    {"0.1", true, 0.1}, {"2.5", true, 2.5}, {" 7 ", true, 7},
    };
    for (const auto& c : cases) {
        m_wnd->m_comboLots.SetCurSel(-1);
        m_wnd->m_comboLots.SetEditText(c.typed);
        m_port.m_arrMessages.clear();
        const int before = m_wnd->m_kbar.m_order.GetOpenOrderCount();
        m_wnd->OnSell();
        const int after = m_wnd->m_kbar.m_order.GetOpenOrderCount();
        EXPECT_EQ(after - before, c.opens ? 1 : 0) << c.typed;
        if (c.opens) {
            EXPECT_EQ(m_wnd->m_kbar.m_order.GetOpenOrder(after - 1).fOrderSize, c.lots);
            EXPECT_TRUE(m_port.m_arrMessages.empty()) << c.typed;
        } else {
            EXPECT_EQ(m_port.m_arrMessages, std::vector<std::string>{refused}) << c.typed;
        }
    }
    SelectLots("10");
    m_wnd->OnBuy();
    EXPECT_NE(m_wnd->m_listOrder.Rows().back().find(" \t10.0 \t"), std::string::npos);
}

TEST_F(TradeTest, OrdersAreValuedOnlyByTheirOwnPair) {
    std::vector<BarRecord> yen;
    for (double close : {110.00, 110.50, 111.00, 111.50, 112.00, 112.50}) {
        BarRecord b;
        b.time = 1104537600 + static_cast<int>(yen.size()) * 60;
        b.open = b.low = b.high = b.close = close;
        yen.push_back(b);
    }
    WriteHst(m_dir / "j.hst", "USDJPY", yen);
    ASSERT_EQ(BuildPeriodFiles(m_dir / "j.hst", m_dir.Path() + "/history/", nullptr).status,
              ImportResult::Status::kOk);
    m_wnd = std::make_unique<CTarvelloWindow>(m_port, m_dir.Path() + "/");
    m_wnd->OnInitDialog();
    m_wnd->LayoutControls(939, 766);
    auto pick = [&](const std::string& symbol) {
        const int i = m_wnd->m_comboCurrency.FindString(-1, symbol);
        ASSERT_GE(i, 0);
        m_wnd->OnSelchangeCurrency(i);
    };

    pick("GBPUSD");
    m_wnd->OnPeriod(period::M1);  // bar 0, 1.2000
    SelectLots("1");
    m_wnd->OnBuy();
    m_wnd->OnNextBar();  // 1.1975
    EXPECT_EQ(Stats()[2], "-250");

    // Shown USDJPY: the GBPUSD order keeps its valuation, bar after bar.
    pick("USDJPY");
    EXPECT_EQ(Stats()[2], "-250");
    m_wnd->OnNextBar();  // USDJPY bar 2, 111.00
    EXPECT_EQ(Stats()[2], "-250");
    ASSERT_EQ(m_wnd->m_listOrder.GetCount(), 1);
    EXPECT_NE(m_wnd->m_listOrder.Rows()[0].find(" \t1.1975 \t-250.0000"), std::string::npos)
        << m_wnd->m_listOrder.Rows()[0];

    // A USDJPY order is valued by USDJPY bars only.
    m_wnd->OnSell();     // at 111.00
    m_wnd->OnNextBar();  // 111.50: -50 points
    EXPECT_EQ(Stats()[2], "-750");

    // Close of the GBPUSD row while USDJPY is shown: at its last price.
    m_wnd->SelectOrderRow(0);
    m_wnd->OnCloseOrder();
    const OrderRecord closed = m_wnd->m_kbar.m_order.GetHstOrder(0);
    EXPECT_EQ(closed.Symbol(), "GBPUSD");
    EXPECT_EQ(closed.fClosePrice, 1.1975);
    EXPECT_EQ(Stats(), (std::vector<std::string>{"9750", "-250", "-500", "0.975", "0", "1"}));
    EXPECT_EQ(m_wnd->m_balanceCurve.m_arrBalance, (std::vector<double>{10000.0, 9750.0}));

    // Back on GBPUSD (bar 3, 1.2010) the USDJPY order keeps its -500.
    pick("GBPUSD");
    EXPECT_EQ(Stats()[2], "-500");
}

TEST_F(TradeTest, CurveWindowHelpAndDelete) {
    m_wnd->OnBalanceCurve();
    EXPECT_TRUE(m_port.m_bCurveVisible);
    m_wnd->OnBalanceCurve();
    EXPECT_FALSE(m_port.m_bCurveVisible);
    m_wnd->OnHelp();
    m_wnd->OnHelp();
    ASSERT_EQ(m_port.m_arrHelp.size(), 2u);
    EXPECT_EQ(m_port.m_arrHelp[0], m_port.m_arrHelp[1]);
    m_port.m_nChanges = 0;
    m_wnd->OnDeleteKey();
    EXPECT_TRUE(m_port.m_nChanges & CWindowPort::kChart);
}

TEST(HelpText, Exactly) {
    EXPECT_EQ(BuildHelpText(),
              "<软件帮助>"
              "\r\n本软件的使用非常简单,操作非常方便,你只需想办法盈利就行:)"
              "\r\n(1)载入历史数据如\"GBPUSD.hst文件\",稍等片刻,载入完成后,就可以买卖"
              "\r\n(2)快捷键:"
              "\r\n      BUY\t\t- 'B'"
              "\r\n      SELL\t\t- 'S'"
              "\r\n      CLOSE\t- 'C'"
              "\r\n     下根K线\t- '空格键'"
              "\r\n     资金曲线\t- 'Z'"
              "\r\n(3)点击查看资金曲线,可以实时查看资金走势情况"
              "\r\n\r\n注：本软件采用多线工作方式,若被杀毒软件或者防火墙拦截"
              "\r\n    要允许本软件运行!");
}

std::vector<std::string> DrawCurve(const CBalanceCurve& curve, int w, int h) {
    RecordingCanvas canvas(w, h);
    curve.DrawCurve(canvas, w, h);
    return canvas.Calls();
}

bool Has(const std::vector<std::string>& calls, const std::string& line) {
    return std::find(calls.begin(), calls.end(), "@1 " + line) != calls.end();
}

TEST(BalanceCurve, DrawCurve) {
    OrderRecord win;
    win.fprofit = 250.0;
    CBalanceCurve curve;
    curve.AddClosedOrder(win);
    auto calls = DrawCurve(curve, 500, 400);
    EXPECT_EQ(calls.front(), "CreateCompatible 500 400 -> @1");
    EXPECT_TRUE(Has(calls, "Rectangle 0 0 500 400"));
    EXPECT_TRUE(Has(calls, "SetBrush 0x3c3c00"));   // RGB(0, 60, 60)
    EXPECT_TRUE(Has(calls, "MoveTo 0 40"));         // 10 % of the height
    EXPECT_TRUE(Has(calls, "LineTo 0 400"));        // 10000 on the bottom edge
    EXPECT_TRUE(Has(calls, "TextOut 0 380 10000"));
    EXPECT_TRUE(Has(calls, "LineTo 250 80"));       // 10250, 20 % below the top
    EXPECT_TRUE(Has(calls, "SetPen 0 1 0x008080"));
    EXPECT_TRUE(Has(calls, "LineTo 500 80"));
    EXPECT_TRUE(Has(calls, "TextOut 400 60 10250"));
    EXPECT_TRUE(Has(calls, "TextOut 0 10 资产:10250.0 盈亏:250.0 盈利率:102.5%"));
    EXPECT_EQ(calls.back(), "BitBlt 0 0 500 400 from @1 0 0");

    OrderRecord loss;
    loss.fprofit = -300.0;
    CBalanceCurve losing;
    losing.AddClosedOrder(loss);
    EXPECT_TRUE(Has(DrawCurve(losing, 500, 400), "TextOut 0 10 资产:9700.0 盈亏:-300.0 盈利率:97.0%"));

    // At the start all values are equal: the point lies on the bottom edge.
    CBalanceCurve start;
    calls = DrawCurve(start, 500, 400);
    EXPECT_TRUE(Has(calls, "LineTo 0 400"));
    EXPECT_TRUE(Has(calls, "TextOut 0 10 资产:10000.0 盈亏:0.0 盈利率:100.0%"));

    // More points than pixels: a step of 0 puts them all on the left edge.
    for (int i = 0; i < 30; ++i) curve.AddClosedOrder(i % 2 ? win : loss);
    calls = DrawCurve(curve, 20, 100);
    for (const auto& c : calls)
        if (c.rfind("@1 LineTo", 0) == 0 && c != "@1 LineTo 20 " + c.substr(c.rfind(' ') + 1)) {
            EXPECT_EQ(c.substr(0, 12), "@1 LineTo 0 ") << c;
        }
}

}  // namespace
