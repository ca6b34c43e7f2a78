#include <gtest/gtest.h>

#include <cmath>

#include "data/Period.h"
#include "data/PeriodConverter.h"
#include "platform/Files.h"
#include "support/TestSupport.h"
#include "window/TarvelloWindow.h"

namespace {

// The window on an imported pair, replayed 150 one-minute bars, with the
// property dialog answered by `m_answer` (OK with the presets by default).
class IndicatorCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string src = m_dir / "EURUSD.hst";
        WriteHst(src, "EURUSD", MakeBars(2000));
        files::CreateFolder(m_dir / "history");
        ASSERT_EQ(BuildPeriodFiles(src, History(), nullptr).status, ImportResult::Status::kOk);
        m_port.m_onIndicateProperty = [this](CIndicatePropertyData& dlg) {
            m_shown.push_back(dlg);
            return m_answer ? m_answer(dlg) : true;
        };
        m_wnd = std::make_unique<CTarvelloWindow>(m_port, m_dir.Path() + "/");
        m_wnd->OnInitDialog();
        m_wnd->LayoutControls(939, 766);
        m_wnd->OnPeriod(period::M1);
        for (int i = 0; i < 150; ++i) m_wnd->OnNextBar();
    }
    std::string History() const { return m_dir.Path() + "/history/"; }
    CKbar& Chart() { return m_wnd->m_kbar; }
    std::uint32_t Cursor() const { return static_cast<std::uint32_t>(m_wnd->m_barIndex.GetIndex()); }
    std::vector<int> Kinds() {
        std::vector<int> kinds;
        for (int k = 0; k < Chart().GetIndicateCount(); ++k)
            kinds.push_back(Chart().GetIndicate(k).m_nType);
        return kinds;
    }

    TempDir m_dir;
    FakePort m_port;
    std::vector<CIndicatePropertyData> m_shown;  // the dialog as each use opened it
    std::function<bool(CIndicatePropertyData&)> m_answer;
    std::unique_ptr<CTarvelloWindow> m_wnd;
};

TEST_F(IndicatorCommandsTest, AddGoesThroughTheDialogAndCancelAddsNothing) {
    // Typed values are built into the indicator: period 30, EMA, blue, dotted, 2.
    m_answer = [](CIndicatePropertyData& dlg) {
        dlg.m_strPar[0] = "30";
        dlg.m_nOption = 1;
        dlg.m_nApplyTo = 3;
        dlg.m_clrLine[0] = RGB(0, 0, 255);
        dlg.m_nStyle[0] = 2;
        dlg.m_nWidth[0] = 2;
        return true;
    };
    m_wnd->OnCommand(ID_ADD_MA);
    ASSERT_EQ(m_shown.size(), 1u);
    EXPECT_EQ(m_shown[0].m_nType, kIndicateMA);
    EXPECT_EQ(m_shown[0].m_strPar[0], "12");
    EXPECT_EQ(m_shown[0].m_clrLine[0], RGB(255, 255, 0));
    ASSERT_EQ(Kinds(), std::vector<int>{kIndicateMA});
    const CIndicate& ma = Chart().GetIndicate(0);
    EXPECT_EQ(ma.m_arrParam, std::vector<int>{30});
    EXPECT_EQ(ma.m_arrOption, std::vector<int>{1});
    EXPECT_EQ(ma.m_nApplyTo, 3);
    EXPECT_EQ(ma.m_arrColor, std::vector<Color>{RGB(0, 0, 255)});
    EXPECT_EQ(ma.m_arrStyle, std::vector<int>{2});
    EXPECT_EQ(ma.m_arrWidth, std::vector<int>{2});
    // The line is the one a fresh computation of these settings gives.
    CIndicate ref = ma;
    ref.Recompute(History(), "EURUSD", period::M1, Cursor());
    EXPECT_EQ(ma.m_arrLine[0], ref.m_arrLine[0]);
    EXPECT_FALSE(ma.m_arrLine[0].empty());

    // KDJ presets neither the applied price nor the option: the last use's stay.
    m_answer = [](CIndicatePropertyData&) { return false; };
    m_wnd->OnCommand(ID_ADD_KDJ);
    EXPECT_EQ(m_shown.back().m_nApplyTo, 3);
    EXPECT_EQ(m_shown.back().m_nOption, 1);
    EXPECT_EQ(m_shown.back().m_strPar[2], "3");
    EXPECT_EQ(Kinds(), std::vector<int>{kIndicateMA});  // cancelled

    // No symbol: the dialog first, the message only after OK, nothing added.
    m_answer = nullptr;
    m_wnd->m_comboCurrency.SetCurSel(-1);
    m_port.m_arrMessages.clear();
    m_answer = [](CIndicatePropertyData&) { return false; };
    m_wnd->OnCommand(ID_ADD_BOLLIN);
    EXPECT_TRUE(m_port.m_arrMessages.empty());
    m_answer = nullptr;
    const std::size_t shown = m_shown.size();
    m_wnd->OnCommand(ID_ADD_BOLLIN);
    EXPECT_EQ(m_shown.size(), shown + 1);
    EXPECT_EQ(m_port.m_arrMessages, std::vector<std::string>{"请选择货币或者载入货币历史数据！"});
    EXPECT_EQ(Chart().GetIndicateCount(), 1);
}

TEST_F(IndicatorCommandsTest, OwnPaneLimitComesFirstAndSilently) {
    for (int id : {ID_ADD_RSI, ID_ADD_MACD, ID_ADD_KDJ}) m_wnd->OnCommand(id);
    m_wnd->OnCommand(ID_ADD_RSI);  // three own panes: a fourth still fits
    EXPECT_EQ(Chart().GetIndicateCount(), 4);
    const std::size_t shown = m_shown.size();
    for (int id : {ID_ADD_RSI, ID_ADD_MACD, ID_ADD_KDJ}) m_wnd->OnCommand(id);
    EXPECT_EQ(m_shown.size(), shown);  // no dialog
    EXPECT_TRUE(m_port.m_arrMessages.empty());
    for (int id : {ID_ADD_MA, ID_ADD_BOLLIN, ID_ADD_MAX, ID_ADD_MIN}) m_wnd->OnCommand(id);
    EXPECT_EQ(Kinds(), (std::vector<int>{kIndicateRSI, kIndicateMACD, kIndicateKDJ, kIndicateRSI,
                                         kIndicateMA, kIndicateBOLLIN, kIndicateMAX,
                                         kIndicateMIN}));
}

TEST_F(IndicatorCommandsTest, PropertiesChangeTheIndicatorInPlace) {
    for (int id : {ID_ADD_MA, ID_ADD_BOLLIN, ID_ADD_RSI}) m_wnd->OnCommand(id);
    const Rect rsiPane = Chart().GetIndicate(2).m_rcPane;
    // The BOLLIN's dialog shows its period and deviation; 2 recomputes the bands.
    m_wnd->m_nCurIndicator = 1;
    m_answer = [](CIndicatePropertyData& dlg) {
        dlg.m_strPar[1] = "2";
        return true;
    };
    m_wnd->OnCommand(ID_INDICATOR_PROPERTY);
    EXPECT_EQ(m_shown.back().m_nType, kIndicateBOLLIN);
    EXPECT_EQ(m_shown.back().m_strPar[0], "12");
    EXPECT_EQ(m_shown.back().m_strPar[1], "1.7");
    ASSERT_EQ(Kinds(), (std::vector<int>{kIndicateMA, kIndicateBOLLIN, kIndicateRSI}));
    const CIndicate& bands = Chart().GetIndicate(1);
    EXPECT_EQ(bands.m_arrRealParam, std::vector<double>{2.0});
    CIndicate ref = bands;
    ref.Recompute(History(), "EURUSD", period::M1, Cursor());
    for (int slot = 0; slot < CIndicate::kLineSlots; ++slot)
        EXPECT_EQ(bands.m_arrLine[slot], ref.m_arrLine[slot]);
    CIndicate wider = bands;
    wider.m_arrRealParam = {1.7};
    wider.Recompute(History(), "EURUSD", period::M1, Cursor());
    EXPECT_NE(bands.m_arrLine[1], wider.m_arrLine[1]);
    EXPECT_EQ(Chart().GetIndicate(2).m_rcPane, rsiPane);

    // Cancel changes nothing; "abc" reads as 0 and draws nothing, NaN-free.
    m_wnd->m_nCurIndicator = 0;
    m_answer = [](CIndicatePropertyData& dlg) {
        dlg.m_strPar[0] = "abc";
        return false;
    };
    m_wnd->OnCommand(ID_INDICATOR_PROPERTY);
    EXPECT_EQ(Chart().GetIndicate(0).m_arrParam, std::vector<int>{12});
    m_answer = [](CIndicatePropertyData& dlg) {
        dlg.m_strPar[0] = "abc";
        return true;
    };
    m_wnd->OnCommand(ID_INDICATOR_PROPERTY);
    EXPECT_EQ(Chart().GetIndicate(0).m_arrParam, std::vector<int>{0});
    for (const BarPoint& p : Chart().GetIndicate(0).m_arrLine[0])
        EXPECT_TRUE(std::isfinite(p.fValue));
    EXPECT_EQ(Kinds(), (std::vector<int>{kIndicateMA, kIndicateBOLLIN, kIndicateRSI}));
}

TEST_F(IndicatorCommandsTest, DeletesAndAStaleChoice) {
    for (int id : {ID_ADD_MA, ID_ADD_RSI, ID_ADD_MAX}) m_wnd->OnCommand(id);
    m_wnd->m_nCurIndicator = 1;
    m_wnd->OnCommand(ID_INDICATOR_DELETE);
    EXPECT_EQ(Kinds(), (std::vector<int>{kIndicateMA, kIndicateMAX}));
    // The chosen indicator is gone: property and delete do nothing.
    const std::size_t shown = m_shown.size();
    m_wnd->m_nCurIndicator = 5;
    m_wnd->OnCommand(ID_INDICATOR_PROPERTY);
    m_wnd->OnCommand(ID_INDICATOR_DELETE);
    EXPECT_EQ(m_shown.size(), shown);
    EXPECT_EQ(Chart().GetIndicateCount(), 2);

    // A horizontal line: "删除所有指标" keeps it, "删除所有指标线条" removes both.
    m_wnd->OnCommand(ID_TOOL_HLINE);
    m_wnd->OnLButtonDown(300, 200);
    m_wnd->OnLButtonUp(300, 200);
    ASSERT_EQ(Chart().m_arrDrawing.size(), 1u);
    m_wnd->m_nCurIndicator = 0;
    m_wnd->OnCommand(ID_INDICATOR_DELETE_ALL);
    EXPECT_EQ(Chart().GetIndicateCount(), 0);
    EXPECT_EQ(Chart().m_arrDrawing.size(), 1u);
    m_wnd->OnCommand(ID_INDICATOR_PROPERTY);  // its index was 0: stale now
    EXPECT_EQ(m_shown.size(), shown);
    m_wnd->OnCommand(ID_ADD_MA);
    m_wnd->OnCommand(ID_DELETE_ALL_INDICATORS_AND_LINES);
    EXPECT_EQ(Chart().GetIndicateCount(), 0);
    EXPECT_TRUE(Chart().m_arrDrawing.empty());
}

}  // namespace
