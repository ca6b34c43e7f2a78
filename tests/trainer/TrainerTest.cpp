#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "cli/Session.h"
#include "data/HistoryFile.h"
#include "data/Period.h"
#include "data/PeriodConverter.h"
#include "platform/Files.h"
#include "platform/RecordingCanvas.h"
#include "support/TestSupport.h"
#include "trainer/AutoPlay.h"
#include "trainer/ChartOverlay.h"
#include "trainer/StepHistory.h"
#include "trainer/TrainerCommands.h"
#include "trainer/TrainerTime.h"
#include "trainer/WalkBars.h"
#include "window/TarvelloWindow.h"

namespace {

// A port that also answers the jump dialog and records the play timer.
class TrainerPort : public FakePort {
public:
    std::optional<std::string> AskDateTime(const std::string& initial) override {
        m_arrInitial.push_back(initial);
        return m_answer;
    }
    void SetPlayTimer(int intervalMs) override { m_arrTimer.push_back(intervalMs); }

    std::optional<std::string> m_answer;
    std::vector<std::string> m_arrInitial;
    std::vector<int> m_arrTimer;
};

class TrainerTest : public ::testing::Test {
protected:
    std::string History() const { return m_dir.Path() + "/history/"; }
    void Import(std::size_t records) {
        const std::string src = m_dir / "GBPUSD.hst";
        WriteHst(src, "GBPUSD", WalkBars(records, 9));
        files::CreateFolder(m_dir / "history");
        ASSERT_EQ(BuildPeriodFiles(src, History(), nullptr).status, ImportResult::Status::kOk);
    }
    std::unique_ptr<CTarvelloWindow> Start() {
        auto wnd = std::make_unique<CTarvelloWindow>(m_port, m_dir.Path() + "/");
        wnd->OnInitDialog();
        wnd->LayoutControls(939, 766);
        return wnd;
    }
    // What step back must give back exactly.
    static std::string Account(CTarvelloWindow& wnd) {
        std::ostringstream out;
        out << wnd.m_barIndex.GetIndex() << " " << wnd.m_barIndex.GetPeriod() << " "
            << wnd.GetReplayClock() << "|";
        for (int id = CTarvelloWindow::IDC_TOTAL_MONEY; id <= CTarvelloWindow::IDC_LOSS_ORDERS;
             ++id)
            out << wnd.GetStatText(id) << " ";
        out << "|" << wnd.m_fTotalMoney << " " << wnd.m_fFloatProfit << " " << wnd.m_fTotalProfit
            << " " << wnd.m_fProfitRate << "|";
        for (const auto& row : wnd.m_listOrder.Rows()) out << row << ";";
        out << "sel " << wnd.m_listOrder.GetCurSel() << "|";
        for (double v : wnd.m_balanceCurve.m_arrBalance) out << v << " ";
        out << wnd.m_balanceCurve.m_fBalance << "|" << wnd.m_kbar.m_order.GetHstOrderCount() << " "
            << wnd.m_kbar.m_order.GetHstProfit() << " " << wnd.m_kbar.m_order.GetWinCount() << " "
            << wnd.m_kbar.m_order.GetLossCount() << " " << wnd.m_kbar.m_order.GetFloatProfit()
            << "|" << wnd.m_kbar.HasLastBar() << " " << wnd.m_kbar.GetLastBar().close << "|";
        for (const BarRecord& b : wnd.m_kbar.Bars()) out << b.time << ",";
        return out.str();
    }

    TempDir m_dir;
    TrainerPort m_port;
};

TEST_F(TrainerTest, StepsWithTradesThenAsManyBacksGiveTheStartExactly) {
    Import(240 * 80);
    for (bool honest : {false, true}) {
        SCOPED_TRACE(honest ? "honest" : "plain");
        auto wnd = Start();
        wnd->SetHonestReplay(honest, false);
        std::vector<std::string> states{Account(*wnd)};
        // Trades, closes, a period switch and a retrain between the steps.
        const int steps = 30;
        for (int i = 0; i < steps; ++i) {
            wnd->OnNextBar();
            if (i % 3 == 0) wnd->OnBuy();
            if (i % 4 == 1) wnd->OnSell();
            if (i % 5 == 2) {
                wnd->SelectOrderRow(0);
                wnd->OnCloseOrder();
            }
            if (i == 12 && honest) {
                wnd->OnPeriod(period::H1);
                wnd->OnPeriod(period::H4);
            }
            if (i == 20) wnd->OnRetrain();
            states.push_back(Account(*wnd));
        }
        EXPECT_GT(wnd->m_kbar.m_order.GetHstOrderCount() + wnd->m_kbar.m_order.GetOpenOrderCount(),
                  0);
        // Each back gives the state saved before the undone step: the one
        // after the step before it, with the trades made then.
        for (int i = steps; i > 0; --i) {
            wnd->OnStepBack();
            ASSERT_EQ(Account(*wnd), states[i - 1]) << "back to step " << i - 1;
        }
        EXPECT_EQ(Account(*wnd), states[0]);
        EXPECT_FALSE(wnd->OnStepBack());
        EXPECT_FALSE(wnd->GetCommandState(ID_TRAINER_BACK).enabled);
    }
}

TEST_F(TrainerTest, BackRestoresTheStateSavedBeforeTheStep) {
    Import(240 * 40);
    auto wnd = Start();
    for (int i = 0; i < 5; ++i) wnd->OnNextBar();
    wnd->OnBuy();
    const std::string beforeStep = Account(*wnd);
    wnd->OnNextBar();
    wnd->OnSell();
    wnd->SelectOrderRow(0);
    wnd->OnCloseOrder();
    wnd->OnNextBar();
    EXPECT_NE(Account(*wnd), beforeStep);
    wnd->OnStepBack();
    wnd->OnStepBack();
    EXPECT_EQ(Account(*wnd), beforeStep);  // the buy before the step stays
    EXPECT_EQ(wnd->m_kbar.m_order.GetOpenOrderCount(), 1);
    // A back after a plain period switch goes back to the period of the step.
    wnd->OnNextBar();
    wnd->OnPeriod(period::M15);
    wnd->OnStepBack();
    EXPECT_EQ(wnd->m_barIndex.GetPeriod(), period::H4);
    EXPECT_EQ(Account(*wnd), beforeStep);
}

TEST(StepHistoryTest, UnchangedListsAreSharedBetweenSnapshots) {
    CStepHistory history;
    auto snapshot = [](std::vector<OrderRecord> closed, std::vector<double> curve) {
        CReplaySnapshot s;
        s.pHstOrders = std::make_shared<const std::vector<OrderRecord>>(std::move(closed));
        s.pBalance = std::make_shared<const std::vector<double>>(std::move(curve));
        return s;
    };
    OrderRecord order;
    order.fOpenPrice = 1.5;
    history.Push(snapshot({order}, {10000.0, 10010.0}));
    history.Push(snapshot({order}, {10000.0, 10010.0}));
    OrderRecord other = order;
    other.fClosePrice = 1.6;
    history.Push(snapshot({order, other}, {10000.0, 10010.0}));
    ASSERT_EQ(history.Count(), 3);
    const CReplaySnapshot third = history.Pop();
    const CReplaySnapshot second = history.Pop();
    const CReplaySnapshot first = history.Pop();
    EXPECT_EQ(first.pHstOrders, second.pHstOrders);
    EXPECT_EQ(first.pBalance, second.pBalance);
    EXPECT_NE(second.pHstOrders, third.pHstOrders);
    EXPECT_EQ(second.pBalance, third.pBalance);
    EXPECT_EQ(third.pHstOrders->size(), 2u);
    EXPECT_TRUE(history.Empty());
}

TEST_F(TrainerTest, AutoPlayStepsAtItsSpeedAndStopsAtTheEndWithOneMessage) {
    Import(240 * 12);
    auto wnd = Start();
    EXPECT_EQ(wnd->m_trainer.m_play.GetSpeed(), CAutoPlay::kDefaultSpeed);
    wnd->OnPlay();
    ASSERT_TRUE(wnd->m_trainer.m_play.IsPlaying());
    EXPECT_EQ(m_port.m_arrTimer.back(), 200);
    for (int i = 0; i < 10; ++i) wnd->OnPlayFaster();
    EXPECT_EQ(wnd->m_trainer.m_play.GetSpeed(), 50);
    EXPECT_EQ(m_port.m_arrTimer.back(), 20);
    EXPECT_FALSE(wnd->GetCommandState(ID_TRAINER_FASTER).enabled);
    // Trading goes on while playing.
    wnd->OnPlayTimer();
    wnd->OnBuy();
    EXPECT_EQ(wnd->m_kbar.m_order.GetOpenOrderCount(), 1);
    for (int i = 0; i < 30; ++i) wnd->OnPlayTimer();
    EXPECT_FALSE(wnd->m_trainer.m_play.IsPlaying());
    EXPECT_EQ(m_port.m_arrTimer.back(), 0);
    EXPECT_EQ(wnd->m_barIndex.GetIndex(), 11);
    EXPECT_EQ(m_port.m_arrMessages, std::vector<std::string>{"已经到结尾!"});
    // The speed is remembered; a new run plays at it.
    auto again = Start();
    EXPECT_EQ(again->m_trainer.m_play.GetSpeed(), 50);
    for (int i = 0; i < 20; ++i) again->OnPlaySlower();
    EXPECT_EQ(again->m_trainer.m_play.GetSpeed(), 1);
    // Without a pair nothing starts.
    again->m_comboCurrency.SetCurSel(-1);
    m_port.m_arrMessages.clear();
    again->OnPlay();
    EXPECT_FALSE(again->m_trainer.m_play.IsPlaying());
    EXPECT_EQ(m_port.m_arrMessages.back(), "请选择货币或者载入货币历史数据！");
}

TEST_F(TrainerTest, JumpLandsOnTheFirstBarAtOrAfterTheTime) {
    Import(240 * 30);
    const std::int64_t start = 1104537600;
    for (bool honest : {false, true}) {
        SCOPED_TRACE(honest ? "honest" : "plain");
        auto wnd = Start();
        wnd->SetHonestReplay(honest, false);
        wnd->OnNextBar();
        struct Case {
            std::int64_t time;
            int bar;
        } cases[] = {
            {start + 240 * 60 * 5, 5},       // exactly the opening of bar 5
            {start + 240 * 60 * 7 + 60, 8},  // a minute into bar 7
            {start + 240 * 60 * 9 - 1, 9},   // a second before bar 9
        };
        for (const Case& c : cases) {
            EXPECT_TRUE(wnd->GotoTime(c.time));
            EXPECT_EQ(wnd->m_barIndex.GetIndex(), c.bar);
            EXPECT_EQ(wnd->GetReplayClock(), (c.bar + 1) * 240 - 1);
            EXPECT_EQ(wnd->m_kbar.Bars().back().time, start + c.bar * 240 * 60);
        }
        // Never backward.
        m_port.m_arrMessages.clear();
        EXPECT_FALSE(wnd->GotoTime(start));
        EXPECT_EQ(wnd->m_barIndex.GetIndex(), 9);
        EXPECT_EQ(m_port.m_arrMessages.size(), 1u);
        // Past the end: the last bar, and the end is said once.
        EXPECT_TRUE(wnd->GotoTime(start + 86400LL * 365));
        EXPECT_EQ(wnd->m_barIndex.GetIndex(), 29);
        EXPECT_EQ(m_port.m_arrMessages.back(), "已经到结尾!");
        // One back undoes the whole jump.
        wnd->OnStepBack();
        EXPECT_EQ(wnd->m_barIndex.GetIndex(), 9);
    }
}

TEST_F(TrainerTest, JumpDialogStartsAtTheCurrentBarAndChecksTheText) {
    Import(240 * 30);
    auto wnd = Start();
    m_port.m_answer.reset();
    wnd->OnGotoDate();
    EXPECT_EQ(m_port.m_arrInitial.back(), "2005-01-01 00:00");  // the history's first bar
    wnd->OnNextBar();
    m_port.m_answer = "2005-01-01 20:00";
    wnd->OnGotoDate();
    EXPECT_EQ(m_port.m_arrInitial.back(), "2005-01-01 00:00");
    EXPECT_EQ(wnd->m_barIndex.GetIndex(), 5);
    for (const char* bad : {"2005-01-01", "2005-02-30 10:00", "2005-01-01 24:00", "tomorrow"}) {
        m_port.m_answer = bad;
        m_port.m_arrMessages.clear();
        wnd->OnGotoDate();
        EXPECT_EQ(m_port.m_arrMessages.size(), 1u) << bad;
        EXPECT_EQ(wnd->m_barIndex.GetIndex(), 5) << bad;
    }
    m_port.m_answer.reset();
    wnd->OnGotoDate();
    EXPECT_EQ(wnd->m_barIndex.GetIndex(), 5);
}

TEST(TrainerTimeTest, FormatsAndParsesUtcMinutes) {
    struct Case {
        const char* date;
        const char* clock;
        std::int64_t time;
    } cases[] = {{"1970-01-01", "00:00", 0},
                 {"2005-01-01", "00:00", 1104537600},
                 {"2024-02-29", "23:59", 1709251140},
                 {"2038-01-19", "03:14", 2147483640}};
    for (const Case& c : cases) {
        std::int64_t t = -1;
        ASSERT_TRUE(ParseBarTime(c.date, c.clock, &t)) << c.date;
        EXPECT_EQ(t, c.time);
        EXPECT_EQ(FormatBarTime(static_cast<std::int32_t>(c.time)),
                  std::string(c.date) + " " + c.clock);
    }
    std::int64_t t = 0;
    for (auto [d, c] : {std::pair{"2023-02-29", "00:00"},
                        {"2024-13-01", "00:00"},
                        {"2024-01-01", "12:60"},
                        {"2024-1-01", "00:00"},
                        {"2024-01-01", "0:00"}})
        EXPECT_FALSE(ParseBarTime(d, c, &t)) << d << " " << c;
}

TEST_F(TrainerTest, ReadoutCrosshairAndTimeAxis) {
    Import(240 * 30);
    auto wnd = Start();
    EXPECT_EQ(wnd->GetReadoutText(), "");
    wnd->OnNextBar();
    wnd->OnNextBar();
    const BarRecord bar = wnd->m_kbar.Bars().back();
    EXPECT_EQ(wnd->GetReadoutText(), "H4 2005-01-01 04:00  开 " + CKbar::PriceText(bar.open) +
                                         "  高 " + CKbar::PriceText(bar.high) + "  低 " +
                                         CKbar::PriceText(bar.low) + "  收 " +
                                         CKbar::PriceText(bar.close));
    // Honest and forming: the minute the clock stands at follows.
    wnd->SetHonestReplay(true, false);
    wnd->OnPeriod(period::D1);
    EXPECT_NE(wnd->GetReadoutText().find("D1 2005-01-01 00:00"), std::string::npos);
    EXPECT_NE(wnd->GetReadoutText().find("至 2005-01-01 07:59"), std::string::npos);
    wnd->OnPeriod(period::H4);

    // Switched off, the overlay paints nothing.
    RecordingCanvas off;
    wnd->PaintChart(off);
    const std::size_t plainCalls = off.Calls().size();
    wnd->OnCrosshair();
    EXPECT_TRUE(wnd->GetCommandState(ID_TRAINER_CROSSHAIR).checked);
    wnd->OnMouseMove(12, 150);  // over bar 0
    RecordingCanvas on;
    wnd->PaintChart(on);
    EXPECT_GT(on.Calls().size(), plainCalls);
    const auto texts = on.CallsStartingWith("TextOut");
    auto has = [&](const std::string& what) {
        for (const auto& t : texts)
            if (t.find(what) != std::string::npos) return true;
        return false;
    };
    EXPECT_TRUE(has("TextOut 14 104 H4 2005-01-01 00:00"));  // the bar under the pointer
    EXPECT_TRUE(has("01-01 00:00"));                         // the time axis
    const BarPoint at = wnd->m_kbar.PointToBarPoint(12, 150);
    EXPECT_TRUE(has(CKbar::PriceText(at.fValue)));
    // Outside the chart only the axis remains.
    wnd->OnMouseLeave();
    RecordingCanvas left;
    wnd->PaintChart(left);
    EXPECT_LT(left.Calls().size(), on.Calls().size());
}

TEST_F(TrainerTest, WheelOverTheChartZooms) {
    Import(240 * 30);
    auto wnd = Start();
    wnd->OnMouseWheel(120, 300, 200);
    EXPECT_EQ(wnd->m_nZoomLevel, 2);
    wnd->OnMouseWheel(-120, 300, 200);
    wnd->OnMouseWheel(-120, 300, 200);
    EXPECT_EQ(wnd->m_nZoomLevel, 4);
    wnd->OnMouseWheel(120, 5, 5);  // not over the chart
    EXPECT_EQ(wnd->m_nZoomLevel, 4);
}

std::string RunScript(const std::string& history, const std::string& script) {
    std::istringstream in(script);
    std::ostringstream out;
    RunSession(history, in, out, ImageWriterFn{});
    return out.str();
}

TEST_F(TrainerTest, SessionCommands) {
    Import(240 * 70);
    const std::string out = RunScript(History(),
                                      "print clock\n"
                                      "honest on\n"
                                      "next 66\n"
                                      "print clock\n"
                                      "period MN\n"
                                      "print cursor\n"
                                      "period H4\n"
                                      "print cursor\n"
                                      "back 2\n"
                                      "print cursor\n"
                                      "goto 2005-01-12 00:00\n"
                                      "print cursor\n"
                                      "print readout\n"
                                      "goto 2005-01-11 00:00\n"
                                      "play 2\n"
                                      "print cursor\n"
                                      "play 1000\n"
                                      "print cursor\n"
                                      "honest maybe\n"
                                      "goto 2005-01-10\n"
                                      "back x\n");
    const std::string price = "1\\.[0-9]{5}";
    const std::regex expected(
        "clock -1 -\n"
        "clock 15839 2005-01-11 23:59\n"
        "cursor 0 MN\n"
        "cursor 65 H4\n"
        "cursor 63 H4\n"
        "cursor 66 H4\n"
        "H4 2005-01-12 00:00  开 " +
        price + "  高 " + price + "  低 " + price + "  收 " + price +
        "\n"
        "message: 该时间已经回放过了!\n"
        "cursor 68 H4\n"
        "message: 已经到结尾!\n"
        "cursor 69 H4\n"
        "error: honest takes on or off\n"
        "error: goto takes YYYY-MM-DD HH:MM\n"
        "error: back takes a count of 0 or more\n");
    EXPECT_TRUE(std::regex_match(out, expected)) << out;
}

}  // namespace
