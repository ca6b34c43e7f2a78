#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "data/HistoryFile.h"
#include "data/Period.h"
#include "data/PeriodConverter.h"
#include "indicators/IndicateDefaults.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "support/TestSupport.h"
#include "trainer/BarRange.h"
#include "trainer/ReplayClock.h"
#include "trainer/WalkBars.h"
#include "window/TarvelloWindow.h"

namespace {

// Everything the trainee can see or trade on, as one text.
std::string Shown(CTarvelloWindow& wnd) {
    std::ostringstream out;
    out << "cursor " << wnd.m_barIndex.GetIndex() << " " << wnd.m_barIndex.GetPeriod() << " clock "
        << wnd.GetReplayClock() << "\n";
    for (const BarRecord& b : wnd.m_kbar.Bars())
        out << b.time << " "
            << FormatString("%.10f %.10f %.10f %.10f", b.open, b.low, b.high, b.close) << "\n";
    for (int k = 0; k < wnd.m_kbar.GetIndicateCount(); ++k)
        for (const auto& line : wnd.m_kbar.GetIndicate(k).m_arrLine)
            for (const BarPoint& p : line) out << k << ":" << p.nIndex << "=" << p.fValue << " ";
    out << "\n";
    std::vector<OrderRecord> open;
    wnd.m_kbar.m_order.GetOpenOrders(open);
    for (const OrderRecord& o : open) out << "order " << o.fCurPrice << " " << o.fprofit << "\n";
    for (int id = CTarvelloWindow::IDC_TOTAL_MONEY; id <= CTarvelloWindow::IDC_LOSS_ORDERS; ++id)
        out << wnd.GetStatText(id) << " ";
    out << "\n" << wnd.GetReadoutText() << "\n";
    for (const auto& row : wnd.m_listOrder.Rows()) out << row << "\n";
    return out.str();
}

class HonestReplayTest : public ::testing::Test {
protected:
    static constexpr std::size_t kRecords = 43200 * 2 + 7000;  // two months and a part

    std::string History() const { return m_dir.Path() + "/history/"; }
    void Import(const std::vector<BarRecord>& bars) {
        const std::string src = m_dir / "GBPUSD.hst";
        WriteHst(src, "GBPUSD", bars);
        files::CreateFolder(m_dir / "history");
        ASSERT_EQ(BuildPeriodFiles(src, History(), nullptr).status, ImportResult::Status::kOk);
    }
    std::unique_ptr<CTarvelloWindow> Start() {
        auto wnd = std::make_unique<CTarvelloWindow>(m_port, m_dir.Path() + "/");
        wnd->OnInitDialog();
        wnd->LayoutControls(939, 766);
        return wnd;
    }
    void AddIndicators(CTarvelloWindow& wnd) {
        for (int type = 0; type < 7; ++type) {
            IndicateDefaults d = DefaultsOf(type);
            ASSERT_TRUE(wnd.AddIndicator(BuildIndicate(type, d.parTexts, d.option, d.applyTo,
                                                       d.colors, d.styles, d.widths)));
        }
    }
    // The chart holds only what the clock allows: complete bars before the
    // cursor's, and the cursor's bar aggregated from its minutes up to the clock.
    void ExpectHonestChart(CTarvelloWindow& wnd, const std::string& where) {
        SCOPED_TRACE(where);
        const int per = wnd.m_barIndex.GetPeriod();
        const int clock = wnd.GetReplayClock();
        ASSERT_EQ(wnd.m_barIndex.GetIndex(), CReplayClock::BarOf(clock, per));
        const auto& bars = wnd.m_kbar.Bars();
        if (clock < 0) {
            EXPECT_TRUE(bars.empty());
            return;
        }
        const int cursor = wnd.m_barIndex.GetIndex();
        const int first = cursor - static_cast<int>(bars.size()) + 1;
        ASSERT_FALSE(bars.empty());
        for (int i = first; i < cursor; ++i) {
            ASSERT_LE(CReplayClock::LastRecordOf(i, per), clock);
            BarRecord file;
            ASSERT_TRUE(ReadBar(file, i, History(), "GBPUSD", per));
            ASSERT_EQ(bars[i - first], file) << "bar " << i;
        }
        const int from = CReplayClock::FirstRecordOf(cursor, per);
        const BarRecord partial =
            AggregateBars(ReadBarRange(History(), "GBPUSD", period::M1, from, clock - from + 1));
        const BarRecord& shown = bars.back();
        EXPECT_EQ(shown.time, partial.time);
        EXPECT_EQ(shown.open, partial.open);
        EXPECT_EQ(shown.low, partial.low);
        EXPECT_EQ(shown.high, partial.high);
        EXPECT_EQ(shown.close, partial.close);
        std::vector<OrderRecord> open;
        wnd.m_kbar.m_order.GetOpenOrders(open);
        BarRecord minute;
        ASSERT_TRUE(ReadBar(minute, clock, History(), "GBPUSD", period::M1));
        for (const OrderRecord& o : open) EXPECT_EQ(o.fCurPrice, minute.close);
    }

    TempDir m_dir;
    FakePort m_port;
};

// One command of a random script: steps, period switches, trades, zoom, back.
void RunCommand(CTarvelloWindow& wnd, std::mt19937& rng) {
    const int pick = static_cast<int>(rng() % 12);
    if (pick < 4) {
        for (int i = static_cast<int>(rng() % 5); i >= 0; --i) wnd.OnNextBar();
    } else if (pick < 8) {
        wnd.OnPeriod(static_cast<int>(rng() % period::kCount));
    } else if (pick == 8) {
        wnd.OnBuy();
    } else if (pick == 9) {
        wnd.SelectOrderRow(0);
        wnd.OnCloseOrder();
    } else if (pick == 10) {
        if (rng() % 2) {
            wnd.OnZoomIn();
        } else {
            wnd.OnZoomOut();
        }
    } else {
        wnd.OnStepBack();
    }
}

TEST_F(HonestReplayTest, RandomScriptsNeverShowALaterMinute) {
    const std::vector<BarRecord> a = WalkBars(kRecords, 7);
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        // The script on the true history: its states and clocks.
        Import(a);
        std::vector<std::string> states;
        std::vector<int> clocks;
        {
            auto wnd = Start();
            wnd->SetHonestReplay(true, false);
            AddIndicators(*wnd);
            std::mt19937 rng(seed);
            for (int c = 0; c < 40; ++c) {
                RunCommand(*wnd, rng);
                ExpectHonestChart(*wnd, "command " + std::to_string(c));
                states.push_back(Shown(*wnd));
                clocks.push_back(wnd->GetReplayClock());
            }
        }
        // The same script on histories that differ only after a clock seen:
        // every state up to that clock is the same.
        for (int pick : {5, 20, 39}) {
            const int horizon = clocks[pick];
            std::vector<BarRecord> b = a;
            for (std::size_t i = static_cast<std::size_t>(horizon + 1); i < b.size(); ++i) {
                b[i].open += 0.05;
                b[i].low -= 0.07;
                b[i].high += 0.09;
                b[i].close += 0.03;
            }
            Import(b);
            auto wnd = Start();
            wnd->SetHonestReplay(true, false);
            AddIndicators(*wnd);
            std::mt19937 rng(seed);
            for (int c = 0; c < 40; ++c) {
                RunCommand(*wnd, rng);
                if (clocks[c] <= horizon) {
                    ASSERT_EQ(Shown(*wnd), states[c]) << "command " << c << ", horizon " << horizon;
                }
            }
        }
    }
}

TEST_F(HonestReplayTest, PeriodRoundTripsKeepTheClockAndEveryPrice) {
    Import(WalkBars(kRecords, 11));
    auto wnd = Start();
    wnd->SetHonestReplay(true, false);
    AddIndicators(*wnd);
    for (int i = 0; i < 65; ++i) wnd->OnNextBar();  // H4 bar 64
    wnd->OnBuy();
    const int clock = wnd->GetReplayClock();
    EXPECT_EQ(clock, 65 * 240 - 1);
    const int trips[][2] = {{period::H4, period::MN},
                            {period::H4, period::M15},
                            {period::MN, period::M1},
                            {period::W1, period::D1},
                            {period::M5, period::H4}};
    for (const auto& trip : trips) {
        wnd->OnPeriod(trip[0]);
        const std::string before = Shown(*wnd);
        wnd->OnPeriod(trip[1]);
        EXPECT_EQ(wnd->GetReplayClock(), clock);
        ExpectHonestChart(*wnd, "after the switch");
        wnd->OnPeriod(trip[0]);
        EXPECT_EQ(Shown(*wnd), before)
            << period::kNames[trip[0]] << " -> " << period::kNames[trip[1]];
    }
    // The monthly bar is the month so far, not the whole month.
    wnd->OnPeriod(period::MN);
    ASSERT_EQ(wnd->m_kbar.Bars().size(), 1u);
    BarRecord month;
    ASSERT_TRUE(ReadBar(month, 0, History(), "GBPUSD", period::MN));
    EXPECT_NE(wnd->m_kbar.Bars().back(), month);
    // Back at H4 the replay goes on from bar 65, not days earlier.
    wnd->OnPeriod(period::H4);
    wnd->OnNextBar();
    EXPECT_EQ(wnd->m_barIndex.GetIndex(), 65);
}

TEST_F(HonestReplayTest, StepOnAFormingBarCompletesItAndTheEndStaysTheEnd) {
    Import(WalkBars(kRecords, 3));
    auto wnd = Start();
    wnd->SetHonestReplay(true, false);
    for (int i = 0; i < 10; ++i) wnd->OnNextBar();  // H4 bar 9, clock 2399
    wnd->OnPeriod(period::D1);
    EXPECT_EQ(wnd->m_barIndex.GetIndex(), 1);
    wnd->OnNextBar();  // completes D1 bar 1
    EXPECT_EQ(wnd->GetReplayClock(), 2 * 1440 - 1);
    EXPECT_EQ(wnd->m_barIndex.GetIndex(), 1);
    BarRecord day;
    ASSERT_TRUE(ReadBar(day, 1, History(), "GBPUSD", period::D1));
    EXPECT_EQ(wnd->m_kbar.Bars().back(), day);
    wnd->OnNextBar();
    EXPECT_EQ(wnd->m_barIndex.GetIndex(), 2);

    // Past the last complete month the forming month cannot complete.
    wnd->OnPeriod(period::M1);
    m_port.m_arrMessages.clear();
    const int last = static_cast<int>(kRecords) - 1;
    wnd->GotoTime(1104537600 + static_cast<std::int64_t>(last) * 60);
    EXPECT_EQ(wnd->GetReplayClock(), last);
    wnd->OnPeriod(period::MN);
    EXPECT_EQ(wnd->m_barIndex.GetIndex(), 2);  // the third month, still filling
    ExpectHonestChart(*wnd, "forming month past the file");
    wnd->OnNextBar();
    EXPECT_EQ(m_port.m_arrMessages.back(), "已经到结尾!");
    EXPECT_EQ(wnd->GetReplayClock(), last);
}

TEST_F(HonestReplayTest, SwitchedOffThePeriodRuleRescalesTheCursor) {
    Import(WalkBars(kRecords, 5));
    auto wnd = Start();
    for (int i = 0; i < 66; ++i) wnd->OnNextBar();  // H4 bar 65
    wnd->OnPeriod(period::W1);
    EXPECT_EQ(wnd->m_barIndex.GetIndex(), 1);  // (65 + 1) x 240 / 10080
    wnd->OnPeriod(period::H4);
    EXPECT_EQ(wnd->m_barIndex.GetIndex(), 42);  // 1 x 10080 / 240
    // On: the clock starts at the end of the bar shown; off again: the same cursor.
    wnd->SetHonestReplay(true, false);
    EXPECT_EQ(wnd->GetReplayClock(), 43 * 240 - 1);
    wnd->OnPeriod(period::W1);
    EXPECT_EQ(wnd->m_barIndex.GetIndex(), 1);
    wnd->SetHonestReplay(false, false);
    EXPECT_EQ(wnd->m_barIndex.GetIndex(), 1);
    BarRecord week;
    ASSERT_TRUE(ReadBar(week, 1, History(), "GBPUSD", period::W1));
    EXPECT_EQ(wnd->m_kbar.Bars().back(), week);  // the whole week again
}

TEST_F(HonestReplayTest, TheSwitchIsRememberedInTheSettingsFile) {
    Import(WalkBars(1000, 1));
    {
        auto wnd = Start();
        EXPECT_FALSE(wnd->m_trainer.IsHonest());
        wnd->OnHonestReplay();
        EXPECT_TRUE(wnd->m_trainer.IsHonest());
    }
    EXPECT_NE(ReadFileBytes(m_dir / "tarvello.ini").find("HonestReplay=1"), std::string::npos);
    auto wnd = Start();
    EXPECT_TRUE(wnd->m_trainer.IsHonest());
    // Scripts switch without touching the file.
    wnd->SetHonestReplay(false, false);
    EXPECT_NE(ReadFileBytes(m_dir / "tarvello.ini").find("HonestReplay=1"), std::string::npos);
}

}  // namespace
