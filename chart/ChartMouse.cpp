#include "chart/ChartMouse.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

bool IsTwoPointTool(int tool) {
    return tool == kLineTrend || tool == kLineFibonacci;
}

// Wraps like the bar indices' unsigned arithmetic instead of overflowing.
std::int32_t AddBars(std::int32_t bar, std::int32_t delta) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(bar) +
                                     static_cast<std::uint32_t>(delta));
}

// Anchor 1 of an object being drawn becomes `pt`.
void SetSecondAnchor(CLine& line, const BarPoint& pt) {
    std::vector<BarPoint> anchors;
    line.GetAnchors(anchors);
    if (anchors.empty()) anchors.push_back(pt);
    if (anchors.size() < 2) anchors.resize(2);
    anchors[1] = pt;
    line.SetAnchors(anchors);
}

}  // namespace

CChartMouse::Outcome CChartMouse::LButtonDown(int x, int y, int period) {
    Outcome out;
    const BarPoint pt = m_chart.PointToBarPoint(x, y);
    const int tool = m_state.nLineTool;
    if (tool == kLineVertical || tool == kLineHorizontal || IsTwoPointTool(tool)) {
        CLine line;
        line.SetLine(tool, {pt}, period, 0);
        m_chart.m_arrDrawing.push_back(line);
        if (!IsTwoPointTool(tool)) {
            // One click draws one line; the tool falls back to the pointer.
            out.redraw = true;
            m_state.nLineTool = kLineToolPointer;
            out.toolChanged = true;
        }
    } else if (tool == kLineToolPointer) {
        m_state.ptDragAnchor = pt;
    }
    m_state.bLButtonDown = 1;
    return out;
}

CChartMouse::Outcome CChartMouse::MouseMove(int x, int y) {
    Outcome out;
    if (!m_state.bLButtonDown) return out;
    std::vector<CLine>& lines = m_chart.m_arrDrawing;
    if (IsTwoPointTool(m_state.nLineTool) && !lines.empty()) {
        // The second point of the object being drawn follows the mouse.
        CLine line = lines.back();
        SetSecondAnchor(line, m_chart.PointToBarPoint(x, y));
        lines.back() = line;
        out.redraw = true;
    }
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const BarPoint pt = m_chart.PointToBarPoint(x, y);
        CLine line = lines[k];
        if (!line.IsSelected() || line.HitTest(m_state.ptDragAnchor) != 1) continue;
        if (!DragObject(line, pt)) continue;
        lines[k] = line;
        out.redraw = true;
    }
    return out;
}

bool CChartMouse::DragObject(CLine& line, const BarPoint& pt) {
    if (line.GetLineType() == kLineVertical || line.GetLineType() == kLineHorizontal) {
        // The line jumps to the mouse.
        line.SetAnchors({pt});
        m_state.ptDragAnchor = pt;
        return true;
    }
    std::vector<BarPoint> a, h;
    line.GetAnchors(a);
    line.GetHandles(h);
    // An object whose handles were never set has nothing to grab.
    if (a.size() < 2 || h.size() < 3) return false;
    m_state.ptDragAnchor = pt;
    const double db = static_cast<double>(static_cast<std::int64_t>(pt.nIndex) - h[2].nIndex);
    const double dp = pt.fValue - h[2].fValue;
    if (std::sqrt(db * db + dp * dp) < 10.0) {
        // Near the second anchor: only that anchor follows the mouse.
        a[1] = pt;
        h[2] = a[1];
        h[1] = CLine::MidPoint(a[0], a[1]);
    } else {
        // Elsewhere the whole object moves with its first anchor under the mouse.
        const std::int32_t dBar = AddBars(pt.nIndex, -a[0].nIndex);
        const double dPrice = pt.fValue - a[0].fValue;
        for (int i = 0; i < 2; ++i) {
            a[i].nIndex = AddBars(a[i].nIndex, dBar);
            a[i].fValue += dPrice;
        }
        h = CLine::HandlesOf(a);
    }
    line.SetAnchors(a);
    line.SetHandles(h);
    return true;
}

CChartMouse::Outcome CChartMouse::LButtonUp(int x, int y) {
    Outcome out;
    // Only a release that ends a press in the window finishes an object: a
    // stray one would pull the second anchor of an older, finished object.
    const bool pressed = m_state.bLButtonDown != 0;
    m_state.bLButtonDown = 0;
    m_state.ptDragAnchor = BarPoint{0, 0.0};
    std::vector<CLine>& lines = m_chart.m_arrDrawing;
    if (pressed && IsTwoPointTool(m_state.nLineTool) && !lines.empty()) {
        // The release finishes the object and the tool falls back to the pointer.
        CLine line = lines.back();
        SetSecondAnchor(line, m_chart.PointToBarPoint(x, y));
        std::vector<BarPoint> anchors;
        line.GetAnchors(anchors);
        line.SetHandles(CLine::HandlesOf(anchors));
        lines.back() = line;
        out.redraw = true;
        m_state.nLineTool = kLineToolPointer;
        out.toolChanged = true;
    }
    return out;
}

CChartMouse::Outcome CChartMouse::LButtonDblClk(int x, int y) {
    Outcome out;
    const BarPoint pt = m_chart.PointToBarPoint(x, y);
    // Every object under the point toggles, selected or not.
    for (CLine& element : m_chart.m_arrDrawing) {
        CLine line = element;
        if (line.HitTest(pt) != 1) continue;
        line.SetSelected(line.IsSelected() ? 0 : 1);
        element = line;
    }
    const int indicator = m_chart.HitTestIndicate(x, y);
    if (indicator >= 0) {
        m_state.nCurIndicator = indicator;
        out.indicatorProperty = true;
    }
    out.redraw = true;
    return out;
}

CChartMouse::Outcome CChartMouse::RButtonDown(int x, int y) {
    Outcome out;
    const std::vector<CLine>& lines = m_chart.m_arrDrawing;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        // Only selected objects answer a right click.
        if (lines[k].IsSelected() && lines[k].HitTest(m_chart.PointToBarPoint(x, y)) == 1) {
            m_state.nCurLine = static_cast<int>(k);
            out.menu = kMenuLine;
            return out;
        }
    }
    const int indicator = m_chart.HitTestIndicate(x, y);
    if (indicator >= 0) {
        m_state.nCurIndicator = indicator;
        out.menu = kMenuIndicator;
    } else {
        out.menu = kMenuIndicatorLine;
    }
    return out;
}

bool CChartMouse::DeleteLine() {
    std::vector<CLine>& lines = m_chart.m_arrDrawing;
    const int k = m_state.nCurLine;
    if (k < 0 || k >= static_cast<int>(lines.size())) return false;
    lines.erase(lines.begin() + k);
    // The index would now name the next object: it names none until the next right click.
    m_state.nCurLine = -1;
    return true;
}

void CChartMouse::DeleteAllLines() {
    m_chart.m_arrDrawing.clear();
    m_state.nCurLine = -1;
}

int CChartMouse::DeleteSelectedLines() {
    std::vector<CLine>& lines = m_chart.m_arrDrawing;
    std::vector<CLine> kept;
    int removed = 0, chosen = -1;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        if (lines[k].IsSelected()) {
            ++removed;
            continue;
        }
        // The chosen object keeps being chosen at its new place.
        if (static_cast<int>(k) == m_state.nCurLine) chosen = static_cast<int>(kept.size());
        kept.push_back(lines[k]);
    }
    lines = std::move(kept);
    m_state.nCurLine = chosen;
    return removed;
}

void CChartMouse::RescaleLines(int period) {
    for (CLine& line : m_chart.m_arrDrawing) {
        line.RescalePeriod(period);
        // Handles follow the rescaled anchors, so the squares and the drag rule
        // fit the object in the new period.
        std::vector<BarPoint> anchors, handles;
        line.GetHandles(handles);
        if (handles.empty()) continue;
        line.GetAnchors(anchors);
        line.SetHandles(CLine::HandlesOf(anchors));
    }
}
