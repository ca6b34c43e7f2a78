#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "data/Period.h"
#include "data/PeriodConverter.h"
#include "platform/Files.h"
#include "platform/RecordingCanvas.h"
#include "support/TestSupport.h"
#include "window/TarvelloWindow.h"

namespace {

// A window whose chart maps simply: bars 100..199 visible, 10 pixels each from
// client x 10, prices 1.1 to 1.3 over 400 pixels from client y 100 (0.0005 a
// pixel).
class ChartMouseTest : public ::testing::Test {
protected:
    ChartMouseTest() : m_wnd(m_port, m_dir.Path() + "/") {
        m_wnd.OnInitDialog();
        CKbar& chart = m_wnd.m_kbar;
        chart.SetVisibleCount(100);
        chart.SetChartArea(2000, 2000, 10, 100, 1200, 400);
        BarRecord low, high;
        low.open = low.close = low.low = 1.1;
        low.high = 1.2;
        high.open = high.close = high.high = 1.3;
        high.low = 1.2;
        chart.AddBar(low);
        chart.AddBar(high);
        chart.SetLastIndex(199);
        m_port.m_nChanges = 0;
    }

    // The client pixel of a chart position (left edge of the bar's slot).
    static Point Client(int bar, double price) {
        return Point{10 + (bar - 100) * 10,
                     100 + 400 - static_cast<int>(std::lround((price - 1.1) * 2000))};
    }
    void Down(int bar, double price) {
        const Point p = Client(bar, price);
        m_wnd.OnLButtonDown(p.x, p.y);
    }
    void Move(int bar, double price) {
        const Point p = Client(bar, price);
        m_wnd.OnMouseMove(p.x, p.y);
    }
    void Up(int bar, double price) {
        const Point p = Client(bar, price);
        m_wnd.OnLButtonUp(p.x, p.y);
    }
    void DblClick(int bar, double price) {
        // As the platform delivers it: press, release, double click, release.
        Down(bar, price);
        Up(bar, price);
        const Point p = Client(bar, price);
        m_wnd.OnLButtonDblClk(p.x, p.y);
        Up(bar, price);
    }
    void RightClick(int bar, double price) {
        const Point p = Client(bar, price);
        m_wnd.OnRButtonDown(p.x, p.y);
    }
    std::vector<CLine>& Lines() { return m_wnd.m_kbar.m_arrDrawing; }
    // A finished, selected trend line.
    void AddSelectedTrend(BarPoint a0, BarPoint a1) {
        CLine line;
        line.SetLine(kLineTrend, {a0, a1}, period::H4, 1);
        line.SetHandles(CLine::HandlesOf(line.m_arrAnchor));
        Lines().push_back(line);
    }
    bool Checked(int id) const { return m_wnd.GetCommandState(id).checked; }

    static void ExpectPoints(const std::vector<BarPoint>& got, const std::vector<BarPoint>& want,
                             const char* what) {
        ASSERT_EQ(got.size(), want.size()) << what;
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].nIndex, want[i].nIndex) << what << " " << i;
            EXPECT_NEAR(got[i].fValue, want[i].fValue, 1e-9) << what << " " << i;
        }
    }

    TempDir m_dir;
    FakePort m_port;
    CTarvelloWindow m_wnd;
};

TEST_F(ChartMouseTest, OneClickDrawsAVerticalOrHorizontalLineAndTheToolFallsBack) {
    const struct {
        int command, type;
    } cases[] = {{ID_TOOL_VLINE, kLineVertical}, {ID_TOOL_HLINE, kLineHorizontal}};
    for (const auto& c : cases) {
        Lines().clear();
        m_wnd.OnCommand(c.command);
        EXPECT_TRUE(Checked(c.command));
        EXPECT_FALSE(Checked(ID_TOOL_POINTER));
        m_port.m_nChanges = 0;
        Down(150, 1.2);
        ASSERT_EQ(Lines().size(), 1u) << c.type;
        EXPECT_EQ(Lines()[0].GetLineType(), c.type);
        EXPECT_EQ(Lines()[0].m_nAnchorPeriod, period::H4);
        EXPECT_EQ(Lines()[0].IsSelected(), 0);
        ExpectPoints(Lines()[0].m_arrAnchor, {{150, 1.2}}, "anchor");
        EXPECT_TRUE(Lines()[0].m_arrHandle.empty());
        EXPECT_TRUE(Checked(ID_TOOL_POINTER));
        EXPECT_TRUE(m_port.m_nChanges & CWindowPort::kToolbar);
        EXPECT_TRUE(m_port.m_nChanges & CWindowPort::kChart);
        EXPECT_EQ(m_wnd.m_bLButtonDown, 1);
        Up(150, 1.2);
        EXPECT_EQ(Lines().size(), 1u);
        EXPECT_EQ(m_wnd.m_bLButtonDown, 0);
        // A second click with the pointer draws nothing.
        Down(160, 1.25);
        Up(160, 1.25);
        EXPECT_EQ(Lines().size(), 1u);
    }
}

TEST_F(ChartMouseTest, PressDragReleaseDrawsTrendAndFibonacciObjects) {
    for (int command : {ID_TOOL_TREND, ID_TOOL_FIBO}) {
        Lines().clear();
        m_wnd.OnCommand(command);
        Down(100, 1.2000);
        ASSERT_EQ(Lines().size(), 1u);
        ExpectPoints(Lines()[0].m_arrAnchor, {{100, 1.2}}, "after the press");
        Move(104, 1.2050);
        ExpectPoints(Lines()[0].m_arrAnchor, {{100, 1.2}, {104, 1.205}}, "following the mouse");
        EXPECT_TRUE(Lines()[0].m_arrHandle.empty());
        EXPECT_FALSE(Checked(ID_TOOL_POINTER));  // still drawing
        Up(110, 1.2010);
        ASSERT_EQ(Lines().size(), 1u);
        const CLine& line = Lines()[0];
        EXPECT_EQ(line.GetLineType(), command == ID_TOOL_TREND ? kLineTrend : kLineFibonacci);
        ExpectPoints(line.m_arrAnchor, {{100, 1.2}, {110, 1.201}}, "anchors");
        ExpectPoints(line.m_arrHandle, {{100, 1.2}, {105, 1.2005}, {110, 1.201}}, "handles");
        EXPECT_TRUE(Checked(ID_TOOL_POINTER));
    }
}

TEST_F(ChartMouseTest, AStrayReleaseFinishesNothing) {
    AddSelectedTrend({100, 1.20}, {140, 1.24});
    m_wnd.OnCommand(ID_TOOL_TREND);
    Up(170, 1.15);  // no press in the window before it
    ExpectPoints(Lines()[0].m_arrAnchor, {{100, 1.20}, {140, 1.24}}, "older object");
    EXPECT_TRUE(Checked(ID_TOOL_TREND));
    Down(150, 1.2);
    Up(160, 1.25);
    ASSERT_EQ(Lines().size(), 2u);
    ExpectPoints(Lines()[1].m_arrAnchor, {{150, 1.2}, {160, 1.25}}, "the new one");
}

TEST_F(ChartMouseTest, ATrendClickWithoutMoveIsAVerticalRayUpwards) {
    m_wnd.OnCommand(ID_TOOL_TREND);
    Down(150, 1.2);
    Up(150, 1.2);
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_EQ(Lines()[0].m_arrAnchor[0], Lines()[0].m_arrAnchor[1]);
    RecordingCanvas dc(1200, 400);
    m_wnd.m_kbar.DrawLines(dc);
    const Point p = m_wnd.m_kbar.BarPointToPoint(Lines()[0].m_arrAnchor[0]);
    const auto& calls = dc.Calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[2], "MoveTo " + std::to_string(p.x) + " " + std::to_string(p.y));
    EXPECT_EQ(calls[3], "LineTo " + std::to_string(p.x) + " 0");
}

TEST_F(ChartMouseTest, DoubleClicksToggleEveryObjectUnderThePoint) {
    m_wnd.OnCommand(ID_TOOL_VLINE);
    Down(150, 1.2);
    Up(150, 1.2);
    m_wnd.OnCommand(ID_TOOL_HLINE);
    Down(120, 1.25);
    Up(120, 1.25);
    ASSERT_EQ(Lines().size(), 2u);
    const struct {
        int bar;
        double price;
        int vertical, horizontal;
    } steps[] = {
        {151, 1.15, 1, 0},  // on the vertical line only
        {151, 1.15, 0, 0},  // again: deselected
        {150, 1.25, 1, 1},  // where they cross: both
        {180, 1.25, 1, 0},  // on the horizontal line only
        {180, 1.12, 1, 0},  // on neither
    };
    for (const auto& s : steps) {
        m_port.m_nChanges = 0;
        DblClick(s.bar, s.price);
        EXPECT_EQ(Lines()[0].IsSelected(), s.vertical) << s.bar << " " << s.price;
        EXPECT_EQ(Lines()[1].IsSelected(), s.horizontal) << s.bar << " " << s.price;
        EXPECT_TRUE(m_port.m_nChanges & CWindowPort::kChart);
    }
    // A selected object shows its handle squares.
    RecordingCanvas dc(1200, 400);
    m_wnd.m_kbar.DrawLines(dc);
    EXPECT_EQ(dc.CallsStartingWith("Rectangle").size(), 2u);
}

TEST_F(ChartMouseTest, DraggingASelectedTrendLine) {
    // Grabbed far from its second anchor: the whole object moves with its
    // first anchor under the mouse.
    AddSelectedTrend({100, 1.20}, {140, 1.24});
    Down(110, 1.21);
    Move(150, 1.15);
    ExpectPoints(Lines()[0].m_arrAnchor, {{150, 1.15}, {190, 1.19}}, "moved whole");
    ExpectPoints(Lines()[0].m_arrHandle, {{150, 1.15}, {170, 1.17}, {190, 1.19}}, "handles");
    // The mouse now lies on the first anchor, so the drag goes on.
    Move(155, 1.16);
    ExpectPoints(Lines()[0].m_arrAnchor, {{155, 1.16}, {195, 1.20}}, "moved again");
    Up(155, 1.16);
    EXPECT_EQ(m_wnd.m_ptDragAnchor, (BarPoint{0, 0.0}));
    Move(170, 1.25);  // the button is up: nothing follows
    ExpectPoints(Lines()[0].m_arrAnchor, {{155, 1.16}, {195, 1.20}}, "after the release");

    // Grabbed within nine bars of its second anchor: only that anchor moves.
    Lines().clear();
    AddSelectedTrend({100, 1.20}, {140, 1.24});
    Down(135, 1.235);
    Move(145, 1.22);
    ExpectPoints(Lines()[0].m_arrAnchor, {{100, 1.20}, {145, 1.22}}, "second anchor");
    ExpectPoints(Lines()[0].m_arrHandle, {{100, 1.20}, {122, 1.21}, {145, 1.22}}, "its handles");
    Up(145, 1.22);

    // Anchors five bars apart, grabbed between them: the second anchor is
    // pulled to the mouse and, moved in small steps, the object never moves whole.
    Lines().clear();
    AddSelectedTrend({100, 1.20}, {105, 1.205});
    Down(102, 1.202);
    for (int bar = 102; bar <= 160; bar += 4) Move(bar, 1.25);
    ExpectPoints(Lines()[0].m_arrAnchor, {{100, 1.20}, {158, 1.25}}, "pulled");
    Up(158, 1.25);

    // Unselected objects stay where they are.
    Lines().clear();
    AddSelectedTrend({100, 1.20}, {140, 1.24});
    Lines()[0].SetSelected(0);
    Down(110, 1.21);
    Move(150, 1.15);
    ExpectPoints(Lines()[0].m_arrAnchor, {{100, 1.20}, {140, 1.24}}, "unselected");
    Up(150, 1.15);
}

TEST_F(ChartMouseTest, DraggingSelectedVerticalAndHorizontalLinesAndObjectsWithoutHandles) {
    CLine vertical, horizontal, handleless;
    vertical.SetLine(kLineVertical, {{150, 1.2}}, period::H4, 1);
    horizontal.SetLine(kLineHorizontal, {{120, 1.28}}, period::H4, 1);
    // Selected but never released: it has no handles to grab.
    handleless.SetLine(kLineTrend, {{110, 1.12}, {130, 1.14}}, period::H4, 1);
    Lines() = {vertical, horizontal, handleless};
    Down(151, 1.15);
    Move(160, 1.15);
    Move(170, 1.16);  // the drag goes on from where it stands
    ExpectPoints(Lines()[0].m_arrAnchor, {{170, 1.16}}, "vertical");
    Up(170, 1.16);
    Down(130, 1.28);
    Move(130, 1.26);
    ExpectPoints(Lines()[1].m_arrAnchor, {{130, 1.26}}, "horizontal");
    Up(130, 1.26);
    Down(120, 1.13);
    Move(180, 1.2);
    Up(180, 1.2);
    ExpectPoints(Lines()[2].m_arrAnchor, {{110, 1.12}, {130, 1.14}}, "without handles");
    EXPECT_TRUE(Lines()[2].m_arrHandle.empty());
}

TEST_F(ChartMouseTest, RightClickMenusAndTheLineCommands) {
    CIndicate ma;
    ma.m_nType = kIndicateMA;
    ma.m_arrLine[0] = {{180, 1.15}};
    m_wnd.m_kbar.AddIndicate(ma);
    CLine selected, unselected;
    selected.SetLine(kLineVertical, {{150, 1.2}}, period::H4, 1);
    unselected.SetLine(kLineHorizontal, {{0, 1.15}}, period::H4, 0);
    Lines() = {unselected, selected};

    const struct {
        int bar;
        double price;
        int menu;
    } clicks[] = {
        {150, 1.25, 140},  // the selected line
        {180, 1.15, 148},  // the unselected line, over the indicator
        {120, 1.15, 150},  // the unselected line alone
        {120, 1.25, 150},  // nothing
    };
    for (const auto& c : clicks) {
        m_port.m_arrMenus.clear();
        RightClick(c.bar, c.price);
        EXPECT_EQ(m_port.m_arrMenus, std::vector<int>{c.menu}) << c.bar << " " << c.price;
    }
    RightClick(150, 1.25);
    EXPECT_EQ(m_wnd.m_nCurLine, 1);
    RightClick(180, 1.15);
    EXPECT_EQ(m_wnd.m_nCurIndicator, 0);

    // "当前线条属性" only says "property".
    m_wnd.OnCommand(ID_LINE_PROPERTY);
    EXPECT_EQ(m_port.m_arrMessages, std::vector<std::string>{"property"});
    ASSERT_EQ(Lines().size(), 2u);

    // The first "删除所有线条" of menu 140 removes the chosen object only, once.
    m_wnd.OnCommand(ID_LINE_DELETE);
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_EQ(Lines()[0].GetLineType(), kLineHorizontal);
    m_wnd.OnCommand(ID_LINE_DELETE);
    EXPECT_EQ(Lines().size(), 1u);

    // The last one removes all.
    Lines().push_back(selected);
    RightClick(150, 1.25);
    m_wnd.OnCommand(ID_LINE_DELETE_ALL);
    EXPECT_TRUE(Lines().empty());
    Lines() = {unselected};
    m_wnd.OnCommand(ID_LINE_DELETE);  // the chosen object is gone
    EXPECT_EQ(Lines().size(), 1u);
}

TEST_F(ChartMouseTest, DoubleClickOnAnIndicatorChoosesIt) {
    CIndicate first, second;
    first.m_nType = second.m_nType = kIndicateMA;
    first.m_arrLine[0] = {{120, 1.28}};
    second.m_arrLine[0] = {{180, 1.15}};
    m_wnd.m_kbar.AddIndicate(first);
    m_wnd.m_kbar.AddIndicate(second);
    DblClick(180, 1.15);
    EXPECT_EQ(m_wnd.m_nCurIndicator, 1);
    DblClick(150, 1.2);  // no indicator there: the choice stays
    EXPECT_EQ(m_wnd.m_nCurIndicator, 1);
    EXPECT_EQ(m_wnd.m_kbar.GetIndicateCount(), 2);
}

TEST_F(ChartMouseTest, DeleteKeyRemovesTheSelectedObjects) {
    CLine a, b, c;
    a.SetLine(kLineVertical, {{150, 1.2}}, period::H4, 1);
    b.SetLine(kLineVertical, {{151, 1.2}}, period::H4, 1);
    c.SetLine(kLineHorizontal, {{0, 1.15}}, period::H4, 0);
    Lines() = {a, c, b};
    RightClick(151, 1.25);  // chooses a, the first selected one hit
    m_port.m_nChanges = 0;
    m_wnd.OnDeleteKey();
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_EQ(Lines()[0].GetLineType(), kLineHorizontal);
    EXPECT_TRUE(m_port.m_nChanges & CWindowPort::kChart);
    m_wnd.OnCommand(ID_LINE_DELETE);  // its chosen object went with the key
    EXPECT_EQ(Lines().size(), 1u);

    m_port.m_nChanges = 0;
    m_wnd.OnDeleteKey();  // nothing selected: only a redraw
    EXPECT_EQ(Lines().size(), 1u);
    EXPECT_TRUE(m_port.m_nChanges & CWindowPort::kChart);
}

TEST_F(ChartMouseTest, IndicatorCommandsAndRetrainWithDrawingObjects) {
    CLine line;
    line.SetLine(kLineVertical, {{150, 1.2}}, period::H4, 0);
    Lines() = {line};
    m_wnd.OnCommand(ID_INDICATOR_DELETE_ALL);
    EXPECT_EQ(Lines().size(), 1u);
    m_wnd.OnCommand(ID_DELETE_ALL_INDICATORS_AND_LINES);
    EXPECT_TRUE(Lines().empty());
    Lines() = {line};
    m_wnd.OnRetrain();
    EXPECT_TRUE(Lines().empty());
}

TEST_F(ChartMouseTest, RandomSessionsKeepEveryObjectWhole) {
    // What a user can do, in any order and anywhere, also far outside the chart.
    std::mt19937 rng(12);
    auto coord = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int tools[] = {ID_TOOL_POINTER, ID_TOOL_VLINE, ID_TOOL_HLINE, ID_TOOL_TREND,
                         ID_TOOL_FIBO};
    for (int step = 0; step < 4000; ++step) {
        const bool far = coord(0, 9) == 0;
        const int x = far ? coord(-100000, 100000) : coord(0, 1300);
        const int y = far ? coord(-100000, 100000) : coord(50, 600);
        const bool down = m_wnd.m_bLButtonDown != 0;
        const int action = coord(0, down ? 2 : 7);
        switch (action) {
            case 0:
                m_wnd.OnMouseMove(x, y);
                break;
            case 1:
                m_wnd.OnMouseMove(x + 3, y - 2);
                break;
            case 2:
                m_wnd.OnLButtonUp(x, y);
                break;
            case 3:
                m_wnd.OnCommand(tools[coord(0, 4)]);
                break;
            case 4:
                m_wnd.OnLButtonDown(x, y);
                break;
            case 5:
                m_wnd.OnLButtonDown(x, y);
                m_wnd.OnLButtonUp(x, y);
                m_wnd.OnLButtonDblClk(x, y);
                m_wnd.OnLButtonUp(x, y);
                break;
            case 6:
                m_wnd.OnRButtonDown(x, y);
                break;
            default: {
                const int commands[] = {ID_LINE_DELETE, ID_LINE_DELETE_ALL, 0};
                const int command = commands[coord(0, 2)];
                if (command == 0)
                    m_wnd.OnDeleteKey();
                else if (coord(0, 3) == 0)
                    m_wnd.OnCommand(command);
                break;
            }
        }
        const std::vector<CLine>& lines = Lines();
        ASSERT_GE(m_wnd.m_nCurLine, -1);
        ASSERT_LT(m_wnd.m_nCurLine, static_cast<int>(lines.size()));
        const bool drawing = m_wnd.m_bLButtonDown && (m_wnd.m_nLineTool == kLineTrend ||
                                                      m_wnd.m_nLineTool == kLineFibonacci);
        for (std::size_t k = 0; k < lines.size(); ++k) {
            const CLine& line = lines[k];
            if (line.GetLineType() == kLineTrend || line.GetLineType() == kLineFibonacci) {
                if (drawing && k + 1 == lines.size()) {
                    ASSERT_LE(line.m_arrAnchor.size(), 2u);
                    ASSERT_TRUE(line.m_arrHandle.empty());
                } else {
                    ASSERT_EQ(line.m_arrAnchor.size(), 2u) << step;
                    ASSERT_EQ(line.m_arrHandle, CLine::HandlesOf(line.m_arrAnchor)) << step;
                }
            } else {
                ASSERT_EQ(line.m_arrAnchor.size(), 1u) << step;
                ASSERT_TRUE(line.m_arrHandle.empty());
            }
        }
        if (step % 50 == 0) {
            RecordingCanvas dc(1200, 400);
            m_wnd.m_kbar.DrawLines(dc);
        }
    }
}

class ChartPeriodTest : public ::testing::Test {
protected:
    TempDir m_dir;
    FakePort m_port;
};

TEST_F(ChartPeriodTest, PeriodSwitchRescalesAnchorsAndHandles) {
    const std::string src = m_dir / "EURUSD.hst";
    WriteHst(src, "EURUSD", MakeBars(240 * 30));
    files::CreateFolder(m_dir / "history");
    ASSERT_EQ(BuildPeriodFiles(src, m_dir.Path() + "/history/", nullptr).status,
              ImportResult::Status::kOk);
    CTarvelloWindow wnd(m_port, m_dir.Path() + "/");
    wnd.OnInitDialog();
    wnd.LayoutControls(939, 766);
    for (int i = 0; i <= 10; ++i) wnd.OnNextBar();
    ASSERT_EQ(wnd.m_barIndex.GetIndex(), 10);

    CLine trend, vertical;
    trend.SetLine(kLineTrend, {{10, 1.2}, {12, 1.21}}, period::H4, 1);
    trend.SetHandles(CLine::HandlesOf(trend.m_arrAnchor));
    vertical.SetLine(kLineVertical, {{11, 1.2}}, period::H4, 0);
    wnd.m_kbar.m_arrDrawing = {trend, vertical};

    m_port.m_nChanges = 0;
    wnd.OnPeriod(period::H1);
    EXPECT_EQ(wnd.m_barIndex.GetIndex(), 40);
    const auto& lines = wnd.m_kbar.m_arrDrawing;
    EXPECT_EQ(lines[0].m_arrAnchor, (std::vector<BarPoint>{{40, 1.2}, {48, 1.21}}));
    EXPECT_EQ(lines[0].m_nAnchorPeriod, period::H1);
    // The handles follow, so the squares sit on the object in H1.
    EXPECT_EQ(lines[0].m_arrHandle, CLine::HandlesOf(lines[0].m_arrAnchor));
    EXPECT_EQ(lines[1].m_arrAnchor[0].nIndex, 44);
    EXPECT_TRUE(lines[1].m_arrHandle.empty());
    EXPECT_TRUE(m_port.m_nChanges & CWindowPort::kChart);

    wnd.OnPeriod(period::H4);
    EXPECT_EQ(lines[0].m_arrAnchor, (std::vector<BarPoint>{{10, 1.2}, {12, 1.21}}));
    EXPECT_EQ(lines[0].m_arrHandle[1].nIndex, 11);
    // A zoom and a new bar leave the anchors alone.
    wnd.OnZoomIn();
    wnd.OnNextBar();
    EXPECT_EQ(lines[0].m_arrAnchor, (std::vector<BarPoint>{{10, 1.2}, {12, 1.21}}));
}

}  // namespace
