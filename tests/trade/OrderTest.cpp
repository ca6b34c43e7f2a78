#include "trade/Order.h"

#include <gtest/gtest.h>

#include "trade/ListBoxOrder.h"

namespace {

BarRecord Bar(double close, int time = 1104537600) {
    BarRecord b;
    b.time = time;
    b.open = b.low = b.high = b.close = close;
    return b;
}

OrderRecord Order(int direction, double lots, double open) {
    OrderRecord o;
    o.SetSymbol("GBPUSD");
    o.nOpenTime = 1104537600;
    o.nDirection = direction;
    o.fOrderSize = lots;
    o.fOpenPrice = o.fCurPrice = open;
    return o;
}

TEST(PriceToPoints, FiveLeadingDigits) {
    struct Case {
        double price;
        int points;
    } cases[] = {{110.25, 11025},   {110.10, 11010}, {1.2345, 12345}, {1.2361, 12361},
                 {1.23456, 12345},  {1.23459, 12345}, {1.2345996, 12346}, {0.87654, 8765},
                 {99.98, 99980},    {100.02, 10002},  {1234.5, 12345}};
    for (const auto& c : cases) EXPECT_EQ(PriceToPoints(c.price), c.points) << c.price;
}

TEST(COrder, ProfitOfOrdersValuedAtABar) {
    struct Case {
        int direction;
        double lots, open, at, profit;
    } cases[] = {{-1, 2, 110.25, 110.10, 300.0},
                 {1, 0.1, 1.2345, 1.2361, 16.0},
                 {1, 1, 1.23456, 1.23459, 0.0},
                 {1, 1, 99.98, 100.02, -899780.0}};
    for (const auto& c : cases) {
        COrder book;
        book.AddOpenOrder(Order(c.direction, c.lots, c.open));
        book.MarkToMarket(Bar(c.at));
        EXPECT_NEAR(book.GetOpenOrder(0).fprofit, c.profit, 1e-9) << c.open << " -> " << c.at;
        EXPECT_NEAR(book.GetFloatProfit(), c.profit, 1e-9);
        EXPECT_EQ(book.GetOpenOrder(0).fCurPrice, c.at);
    }
    COrder empty;
    empty.MarkToMarket(Bar(1.2));
    EXPECT_EQ(empty.GetFloatProfit(), 0.0);
}

TEST(COrder, CloseOrder) {
    COrder book;
    for (double open : {1.1000, 1.2000, 1.3000}) book.AddOpenOrder(Order(1, 1, open));
    book.MarkToMarket(Bar(1.2010));
    const double floating = book.GetFloatProfit();

    for (int bad : {-1, 3, 100}) {
        book.CloseOrder(bad, Bar(1.2010));
        EXPECT_EQ(book.GetOpenOrderCount(), 3);
        EXPECT_EQ(book.GetHstOrderCount(), 0);
        EXPECT_EQ(book.GetFloatProfit(), floating);
        EXPECT_EQ(book.GetWinCount() + book.GetLossCount(), 0);
    }

    book.CloseOrder(1, Bar(1.2010, 1104541200));
    ASSERT_EQ(book.GetOpenOrderCount(), 2);
    EXPECT_EQ(book.GetOpenOrder(0).fOpenPrice, 1.1000);
    EXPECT_EQ(book.GetOpenOrder(1).fOpenPrice, 1.3000);
    const OrderRecord closed = book.GetHstOrder(0);
    EXPECT_EQ(closed.nCloseTime, 1104541200);
    EXPECT_EQ(closed.fClosePrice, 1.2010);
    EXPECT_NEAR(closed.fprofit, 100.0, 1e-9);
    EXPECT_NEAR(book.GetHstProfit(), 100.0, 1e-9);
    EXPECT_NEAR(book.GetFloatProfit(), floating - 100.0, 1e-9);
    EXPECT_EQ(book.GetWinCount(), 1);

    // Closed on the bar it was opened on: 0.0 counts as a win.
    book.AddOpenOrder(Order(-1, 1, 1.2010));
    book.CloseOrder(2, Bar(1.2010));
    EXPECT_EQ(book.GetHstOrder(1).fprofit, 0.0);
    EXPECT_EQ(book.GetWinCount(), 2);
    book.CloseOrder(1, Bar(1.2010));
    EXPECT_EQ(book.GetLossCount(), 1);

    book.Reset();
    EXPECT_EQ(book.GetOpenOrderCount() + book.GetHstOrderCount(), 0);
    EXPECT_EQ(book.GetHstProfit(), 0.0);
    EXPECT_EQ(book.GetWinCount() + book.GetLossCount(), 0);
}

TEST(COrder, BarsValueOnlyTheOrdersOfTheirPair) {
    COrder book;
    book.AddOpenOrder(Order(1, 1, 1.2000));  // GBPUSD
    OrderRecord yen = Order(-1, 1, 110.00);
    yen.SetSymbol("USDJPY");
    book.AddOpenOrder(yen);

    book.SetMarketSymbol("GBPUSD");
    book.MarkToMarket(Bar(1.1975));
    EXPECT_NEAR(book.GetOpenOrder(0).fprofit, -250.0, 1e-9);
    EXPECT_EQ(book.GetOpenOrder(1).fprofit, 0.0);  // never valued by a USDJPY bar
    EXPECT_EQ(book.GetOpenOrder(1).fCurPrice, 110.00);

    book.SetMarketSymbol("USDJPY");
    book.MarkToMarket(Bar(109.50));
    EXPECT_EQ(book.GetOpenOrder(0).fCurPrice, 1.1975);  // keeps its last valuation
    EXPECT_NEAR(book.GetOpenOrder(0).fprofit, -250.0, 1e-9);
    EXPECT_NEAR(book.GetOpenOrder(1).fprofit, 500.0, 1e-9);
    EXPECT_NEAR(book.GetFloatProfit(), 250.0, 1e-9);

    // The GBPUSD order, closed while USDJPY is shown, closes at its last price.
    book.CloseOrder(0, Bar(109.40, 1104541200));
    const OrderRecord closed = book.GetHstOrder(0);
    EXPECT_EQ(closed.fClosePrice, 1.1975);
    EXPECT_EQ(closed.fCurPrice, 1.1975);
    EXPECT_EQ(closed.nCloseTime, 1104541200);
    EXPECT_NEAR(closed.fprofit, -250.0, 1e-9);
    EXPECT_NEAR(book.GetFloatProfit(), 500.0, 1e-9);
    EXPECT_EQ(book.GetLossCount(), 1);

    // The market stays through a reset of the book; a name longer than the
    // order's field is compared as the order stores it.
    book.Reset();
    EXPECT_EQ(book.GetMarketSymbol(), "USDJPY");
    OrderRecord longName = Order(1, 1, 1.0);
    longName.SetSymbol("ABCDEFGHIJKL");
    book.AddOpenOrder(longName);
    book.SetMarketSymbol("ABCDEFGHIJKL");
    book.MarkToMarket(Bar(1.0010));
    EXPECT_NEAR(book.GetOpenOrder(0).fprofit, 100.0, 1e-9);
}

TEST(ListBoxOrder, RowTextBeforeAndAfterTheNextBar) {
    COrder book;
    book.AddOpenOrder(Order(1, 0.1, 1.9160));
    std::vector<OrderRecord> orders;
    book.GetOpenOrders(orders);
    EXPECT_EQ(CListBoxOrder::FormatRow(orders[0]),
              "1104537600 \tBUY \t0.1 \tGBPUSD \t1.9160 \t0.0000 \t0.0000 \t1.9160 \t0.0000");
    book.MarkToMarket(Bar(1.9175));
    book.AddOpenOrder(Order(-1, 10, 1.9175));
    book.GetOpenOrders(orders);
    CListBoxOrder list;
    list.FillOrders(orders);
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.Rows()[0],
              "1104537600 \tBUY \t0.1 \tGBPUSD \t1.9160 \t0.0000 \t0.0000 \t1.9175 \t15.0000");
    EXPECT_EQ(list.Rows()[1].substr(0, 25), "1104537600 \tSELL \t10.0 \tG");
    EXPECT_EQ(list.GetCurSel(), -1);
}

}  // namespace
