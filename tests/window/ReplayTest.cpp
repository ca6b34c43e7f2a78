#include <gtest/gtest.h>

#include "data/HistoryFile.h"
#include "data/Period.h"
#include "data/PeriodConverter.h"
#include "indicators/IndicateDefaults.h"
#include "platform/Files.h"
#include "support/TestSupport.h"
#include "window/TarvelloWindow.h"

namespace {

class ReplayTest : public ::testing::Test {
protected:
    std::string History() const { return m_dir.Path() + "/history/"; }
    void Import(const std::string& symbol, std::size_t records) {
        std::string src = m_dir / (symbol + ".hst");
        WriteHst(src, symbol, MakeBars(records));
        files::CreateFolder(m_dir / "history");
        ASSERT_EQ(BuildPeriodFiles(src, History(), nullptr).status, ImportResult::Status::kOk);
    }
    std::unique_ptr<CTarvelloWindow> Start() {
        auto wnd = std::make_unique<CTarvelloWindow>(m_port, m_dir.Path() + "/");
        wnd->OnInitDialog();
        wnd->LayoutControls(939, 766);
        return wnd;
    }
    BarRecord FileBar(const std::string& symbol, int index, int per) {
        BarRecord bar;
        EXPECT_TRUE(ReadBar(bar, index, History(), symbol, per));
        return bar;
    }
    // The held bars are bars first..last of the file, in order.
    void ExpectHeld(CTarvelloWindow& wnd, const std::string& symbol, int first, int last) {
        const auto& bars = wnd.m_kbar.Bars();
        ASSERT_EQ(static_cast<int>(bars.size()), last - first + 1);
        const int per = wnd.m_barIndex.GetPeriod();
        for (int i = first; i <= last; ++i)
            ASSERT_EQ(bars[i - first], FileBar(symbol, i, per)) << "bar " << i;
    }

    TempDir m_dir;
    FakePort m_port;
};

TEST_F(ReplayTest, NextBarFromTheStartToTheEnd) {
    auto wnd = Start();
    wnd->OnNextBar();
    EXPECT_EQ(m_port.m_arrMessages.back(), "请选择货币或者载入货币历史数据！");
    wnd.reset();

    Import("GBPUSD", 240 * 3 + 7);  // three H4 bars
    wnd = Start();
    ASSERT_EQ(wnd->GetSelectedSymbol(), "GBPUSD");
    m_port.m_arrMessages.clear();
    wnd->OnNextBar();
    EXPECT_EQ(wnd->m_barIndex.GetIndex(), 0);
    ExpectHeld(*wnd, "GBPUSD", 0, 0);
    wnd->OnNextBar();
    wnd->OnNextBar();
    EXPECT_TRUE(m_port.m_arrMessages.empty());
    for (int i = 0; i < 2; ++i) {
        m_port.m_nChanges = 0;
        wnd->OnNextBar();
        EXPECT_EQ(m_port.m_arrMessages.back(), "已经到结尾!");
        EXPECT_TRUE(m_port.m_nChanges & CWindowPort::kChart);  // redrawn all the same
    }
    EXPECT_EQ(m_port.m_arrMessages.size(), 2u);
    EXPECT_EQ(wnd->m_barIndex.GetIndex(), 2);
    ExpectHeld(*wnd, "GBPUSD", 0, 2);
}

TEST_F(ReplayTest, ReloadLoadsTheWindowEndingAtTheCursor) {
    Import("GBPUSD", 600);
    auto wnd = Start();
    struct Case {
        int cursor, first;
    } cases[] = {{50, 0}, {500, 381}, {0, 0}};
    for (const auto& c : cases) {
        wnd->m_barIndex.Init(c.cursor, period::M1);
        wnd->ReloadChart();
        ExpectHeld(*wnd, "GBPUSD", c.first, c.cursor);
        EXPECT_EQ(wnd->m_kbar.GetLastIndex(), c.cursor);
    }
    // Nothing replayed: a zoom loads nothing and keeps the cursor.
    wnd->m_barIndex.Init(-1, period::H4);
    wnd->OnZoomIn();
    EXPECT_TRUE(wnd->m_kbar.Bars().empty());
    EXPECT_EQ(wnd->m_barIndex.GetIndex(), -1);
    EXPECT_EQ(wnd->m_kbar.GetVisibleCount(), 80);
    // A period switch before any bar starts at bar 0 of the new period.
    wnd->OnPeriod(period::M1);
    EXPECT_EQ(wnd->m_barIndex.GetIndex(), 0);
    ExpectHeld(*wnd, "GBPUSD", 0, 0);
    // Nothing selected reads nothing.
    wnd->m_comboCurrency.SetCurSel(-1);
    wnd->ReloadChart();
    EXPECT_TRUE(wnd->m_kbar.Bars().empty());
}

TEST_F(ReplayTest, APairWithFewerBarsShowsOnlyItsOwnBars) {
    Import("EURUSD", 1000);
    Import("GBPUSD", 100);
    auto wnd = Start();
    ASSERT_EQ(wnd->m_comboCurrency.Items(), (std::vector<std::string>{"EURUSD", "GBPUSD"}));
    wnd->OnPeriod(period::M1);
    for (int i = 0; i < 150; ++i) wnd->OnNextBar();
    ASSERT_EQ(wnd->m_barIndex.GetIndex(), 150);
    wnd->OnSelchangeCurrency(1);
    EXPECT_EQ(wnd->m_barIndex.GetIndex(), 150);
    ExpectHeld(*wnd, "GBPUSD", 31, 99);  // the window 31..150, cut at the file's end
    m_port.m_arrMessages.clear();
    wnd->OnNextBar();
    EXPECT_EQ(m_port.m_arrMessages, std::vector<std::string>{"已经到结尾!"});
    EXPECT_EQ(wnd->m_barIndex.GetIndex(), 150);
}

TEST_F(ReplayTest, NoBarAfterTheCursorInAnyPeriod) {
    Import("GBPUSD", 43200 * 2);
    for (int per = 0; per < period::kCount; ++per) {
        auto wnd = Start();
        wnd->OnZoomOut();
        wnd->OnZoomOut();  // 300 bars
        wnd->OnPeriod(per);
        const int steps = std::min<int>(350, GetBarCount(History(), "GBPUSD", per) - 1);
        for (int i = 0; i < steps; ++i) {
            wnd->OnNextBar();
            const int cursor = wnd->m_barIndex.GetIndex();
            const auto& bars = wnd->m_kbar.Bars();
            ASSERT_EQ(bars.back(), FileBar("GBPUSD", cursor, per)) << period::kNames[per];
            ASSERT_EQ(static_cast<int>(bars.size()), std::min(cursor + 1, 300));
        }
        ExpectHeld(*wnd, "GBPUSD", std::max(0, steps - 299), steps);
    }
}

TEST_F(ReplayTest, IndicatorsSeeNoBarAfterTheCursor) {
    const auto bars = MakeBars(400);
    std::string full = m_dir / "full.hst", cut = m_dir / "cut.hst";
    WriteHst(full, "GBPUSD", bars);
    WriteHst(cut, "GBPCUT", std::vector<BarRecord>(bars.begin(), bars.begin() + 101));
    files::CreateFolder(m_dir / "history");
    ASSERT_EQ(BuildPeriodFiles(full, History(), nullptr).status, ImportResult::Status::kOk);
    ASSERT_EQ(BuildPeriodFiles(cut, History(), nullptr).status, ImportResult::Status::kOk);
    auto wnd = Start();
    wnd->OnSelchangeCurrency(1);  // GBPUSD (listed after GBPCUT)
    ASSERT_EQ(wnd->GetSelectedSymbol(), "GBPUSD");
    wnd->OnPeriod(period::M1);
    for (int type = 0; type < 7; ++type) {
        IndicateDefaults d = DefaultsOf(type);
        ASSERT_TRUE(wnd->AddIndicator(
            BuildIndicate(type, d.parTexts, d.option, d.applyTo, d.colors, d.styles, d.widths)));
    }
    for (int i = 0; i < 100; ++i) wnd->OnNextBar();
    ASSERT_EQ(wnd->m_barIndex.GetIndex(), 100);
    for (int k = 0; k < 7; ++k) {
        const CIndicate& ind = wnd->m_kbar.GetIndicate(k);
        CIndicate ref = ind;
        ref.Recompute(History(), "GBPCUT", period::M1, 100);
        for (int slot = 0; slot < CIndicate::kLineSlots; ++slot) {
            for (const auto& p : ind.m_arrLine[slot]) ASSERT_LE(p.nIndex, 100);
            EXPECT_EQ(ind.m_arrLine[slot], ref.m_arrLine[slot]) << "kind " << k << " slot " << slot;
        }
    }
    // The own-pane limit: KDJ, RSI and MACD make three; one more fits, then none.
    IndicateDefaults rsi = DefaultsOf(kIndicateRSI);
    auto addRsi = [&] {
        return wnd->AddIndicator(BuildIndicate(kIndicateRSI, rsi.parTexts, 0, 0, rsi.colors,
                                               rsi.styles, rsi.widths));
    };
    EXPECT_TRUE(addRsi());
    EXPECT_FALSE(addRsi());
    EXPECT_EQ(wnd->m_kbar.GetIndicateCount(), 8);
    // Menu commands, their dialog confirmed with the presets; MA still fits.
    wnd->OnCommand(ID_ADD_MACD);
    wnd->OnCommand(ID_ADD_MA);
    ASSERT_EQ(wnd->m_kbar.GetIndicateCount(), 9);
    EXPECT_EQ(wnd->m_kbar.GetIndicate(8).m_arrParam, std::vector<int>{12});
    EXPECT_EQ(wnd->m_kbar.GetIndicate(8).m_arrLine[0].size(), 101u);
    wnd->m_nCurIndicator = 0;
    wnd->OnCommand(ID_INDICATOR_DELETE);
    EXPECT_EQ(wnd->m_kbar.GetIndicate(0).m_nType, kIndicateKDJ);
    wnd->OnCommand(ID_INDICATOR_DELETE_ALL);
    EXPECT_EQ(wnd->m_kbar.GetIndicateCount(), 0);
    // No symbol: the message, nothing added.
    wnd->m_comboCurrency.SetCurSel(-1);
    m_port.m_arrMessages.clear();
    wnd->OnCommand(ID_ADD_MA);
    EXPECT_EQ(m_port.m_arrMessages, std::vector<std::string>{"请选择货币或者载入货币历史数据！"});
    EXPECT_EQ(wnd->m_kbar.GetIndicateCount(), 0);
}

TEST_F(ReplayTest, ToolbarStatesFollowTheCommands) {
    auto wnd = Start();
    auto state = [&](int id) { return wnd->GetCommandState(id); };
    EXPECT_TRUE(state(ID_PERIOD_H4).checked);
    EXPECT_FALSE(state(ID_PERIOD_M1).checked);
    EXPECT_TRUE(state(ID_TOOL_POINTER).checked);
    EXPECT_TRUE(state(ID_CHART_CANDLE).checked);
    for (int i = 0; i < 5; ++i) wnd->OnCommand(ID_ZOOM_IN);
    EXPECT_EQ(wnd->m_nZoomLevel, 0);
    EXPECT_FALSE(state(ID_ZOOM_IN).enabled);
    EXPECT_TRUE(state(ID_ZOOM_OUT).enabled);
    for (int i = 0; i < 7; ++i) wnd->OnCommand(ID_ZOOM_OUT);
    EXPECT_EQ(wnd->m_nZoomLevel, 5);
    EXPECT_FALSE(state(ID_ZOOM_OUT).enabled);
    wnd->OnCommand(ID_TOOL_TREND);
    EXPECT_EQ(wnd->m_nLineTool, 2);
    EXPECT_FALSE(state(ID_TOOL_POINTER).checked);
    wnd->OnCommand(ID_CHART_LINE);
    EXPECT_TRUE(state(ID_CHART_LINE).checked);
    EXPECT_FALSE(state(ID_CHART_CANDLE).checked);
    wnd->OnCommand(ID_PERIOD_D1);
    EXPECT_TRUE(state(ID_PERIOD_D1).checked);
    EXPECT_TRUE(state(ID_INDICATOR_MENU).enabled);
    EXPECT_FALSE(wnd->OnCommand(12345));
}

}  // namespace
