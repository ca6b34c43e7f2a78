#include <gtest/gtest.h>

#include "desk/Journal.h"

namespace {

OrderRecord Closed(double profit, int direction = 1, int reason = OrderRecord::kByClose) {
    OrderRecord o;
    o.SetSymbol("GBPUSD");
    o.nDirection = direction;
    o.fOrderSize = 1.0;
    o.nOpenTime = 1104537600;
    o.nCloseTime = 1104537600 + 3600;
    o.fOpenPrice = 1.3;
    // 1 lot: ten money units a point.
    o.fClosePrice = 1.3 + direction * profit / 10.0 * 0.0001;
    o.fprofit = profit;
    o.nCloseReason = reason;
    return o;
}

TEST(Journal, SummaryOfAFixedListOfTrades) {
    // Balance 10000, 10100 (peak), 10050, 10020 (down 80 from 10100),
    // 10220 (peak), 10200, 10200.
    const CJournal journal(
        {Closed(100), Closed(-50), Closed(-30, -1), Closed(200), Closed(-20), Closed(0)});
    const CJournal::Summary& s = journal.GetSummary();
    EXPECT_EQ(s.nTrades, 6);
    EXPECT_EQ(s.nWins, 3);  // a trade of 0.0 counts as won, as the win count has it
    EXPECT_DOUBLE_EQ(s.fWinRate, 50.0);
    EXPECT_DOUBLE_EQ(s.fAverageWin, 100.0);
    EXPECT_DOUBLE_EQ(s.fAverageLoss, -100.0 / 3);
    ASSERT_TRUE(s.fProfitFactor);
    EXPECT_DOUBLE_EQ(*s.fProfitFactor, 3.0);
    EXPECT_DOUBLE_EQ(s.fExpectancy, 200.0 / 6);
    EXPECT_DOUBLE_EQ(s.fLargestWin, 200.0);
    EXPECT_DOUBLE_EQ(s.fLargestLoss, -50.0);
    EXPECT_DOUBLE_EQ(s.fMaxDrawdown, 80.0);
    EXPECT_DOUBLE_EQ(s.fMaxDrawdownPercent, 80.0 / 10100 * 100);
    EXPECT_EQ(s.nLongestLosingStreak, 2);
    EXPECT_EQ(journal.Entries()[2].nPoints, -3);  // a Sell that lost 30.0 at 1 lot

    const std::vector<std::pair<std::string, std::string>> expected = {
        {"trades", "6"},
        {"wins", "3"},
        {"losses", "3"},
        {"net_profit", "200.00"},
        {"win_rate", "50.00"},
        {"average_win", "100.00"},
        {"average_loss", "-33.33"},
        {"profit_factor", "3.00"},
        {"expectancy", "33.33"},
        {"largest_win", "200.00"},
        {"largest_loss", "-50.00"},
        {"max_drawdown", "80.00"},
        {"max_drawdown_percent", "0.79"},
        {"longest_losing_streak", "2"}};
    EXPECT_EQ(journal.Report(), expected);
}

TEST(Journal, EmptyAndWithoutLosses) {
    const CJournal none({});
    EXPECT_EQ(none.GetSummary().nTrades, 0);
    EXPECT_EQ(none.Report()[7].second, "-");  // no profit factor without a loss
    const CJournal wins({Closed(10), Closed(20)});
    EXPECT_FALSE(wins.GetSummary().fProfitFactor);
    EXPECT_EQ(wins.GetSummary().fMaxDrawdown, 0.0);
}

TEST(Journal, CsvIsQuotedAndTimedInUtc) {
    OrderRecord odd = Closed(-20, 1, OrderRecord::kByStopLoss);
    odd.SetSymbol("A,B\"C");
    odd.fReserved1 = 1.298;
    const CJournal journal({odd});
    EXPECT_EQ(journal.Csv(),
              "number,symbol,direction,lots,open_time,open_price,close_time,close_price,stop_loss,"
              "take_profit,points,profit,duration_seconds,closed_by\r\n"
              "1,\"A,B\"\"C\",BUY,1.0,2005-01-01T00:00:00Z,1.3,2005-01-01T01:00:00Z,1.2998,1.298,,"
              "-2,-20.00,3600,stop\r\n");
    EXPECT_EQ(CJournal::Line(journal.Entries()[0]),
              "1 2005-01-01T00:00:00Z 2005-01-01T01:00:00Z BUY 1.0 A,B\"C 1.3 1.2998 -2 -20.00 "
              "3600 stop");
    EXPECT_EQ(CJournal::CsvField("a\nb"), "\"a\nb\"");
}

// The window's table shows prices as the pair is quoted; the files keep them
// as they are.
TEST(Journal, TableQuotesPricesWithThePairsDecimals) {
    OrderRecord usd = Closed(54, 1, OrderRecord::kByTakeProfit);
    usd.fOpenPrice = 1.25466;
    usd.fClosePrice = 1.26;
    usd.fReserved2 = 1.26;
    OrderRecord jpy = Closed(-30, -1);
    jpy.SetSymbol("USDJPY");
    jpy.fOpenPrice = 147.1;
    jpy.fClosePrice = 147.4;
    jpy.fReserved1 = 148.0;
    const CJournal journal({usd, jpy});
    const std::vector<std::string> a = CJournal::Cells(journal.Entries()[0]);
    const std::vector<std::string> b = CJournal::Cells(journal.Entries()[1]);
    EXPECT_EQ((std::vector<std::string>{a[5], a[7], a[8], a[9]}),
              (std::vector<std::string>{"1.25466", "1.26000", "", "1.26000"}));
    EXPECT_EQ((std::vector<std::string>{b[5], b[7], b[8], b[9]}),
              (std::vector<std::string>{"147.100", "147.400", "148.000", ""}));
    EXPECT_NE(CJournal::Line(journal.Entries()[0]).find(" 1.25466 1.26 "), std::string::npos);
}

}  // namespace
