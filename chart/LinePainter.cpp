#include "chart/LinePainter.h"

#include "chart/Kbar.h"
#include "platform/Format.h"
#include "platform/Numeric.h"

namespace {

constexpr Color kRed = RGB(255, 0, 0);
constexpr Color kWhite = RGB(255, 255, 255);
constexpr Color kYellow = RGB(255, 255, 0);

// A 6 x 6 handle square around (x, y).
void Square(Canvas& dc, int x, int y) {
    dc.Rectangle(x - 3, y - 3, x + 3, y + 3);
}

void HandleSquares(Canvas& dc, const CLine& line, const CLinePainter::Geometry& g) {
    for (const BarPoint& handle : line.m_arrHandle) {
        const Point p = g.toPoint(handle);
        Square(dc, p.x, p.y);
    }
}

void Label(Canvas& dc, int x, int y, const std::string& text) {
    dc.SetTextColor(kWhite);
    dc.SetBkOpaque(false);
    dc.TextOut(x, y, text);
}

}  // namespace

void CLinePainter::Draw(Canvas& dc, const std::vector<CLine>& lines, const Geometry& g) {
    const int w = g.width, p = g.priceHeight, m = g.rightMargin;
    for (const CLine& line : lines) {
        if (static_cast<int>(line.m_arrAnchor.size()) < CLine::AnchorsNeeded(line.m_nLineType))
            continue;
        // Every object starts from the layer's pen and brush.
        dc.SetPen(kPenSolid, 1, kRed);
        dc.SetBrush(kWhite);
        const bool selected = line.m_bSelected != 0;
        const Point a0 = g.toPoint(line.m_arrAnchor[0]);
        switch (line.m_nLineType) {
            case kLineVertical:
                dc.MoveTo(a0.x, 0);
                dc.LineTo(a0.x, p);
                if (selected) {
                    dc.Rectangle(a0.x - 3, 10, a0.x + 3, 16);
                    dc.Rectangle(a0.x - 3, p - 16, a0.x + 3, p - 10);
                }
                break;
            case kLineHorizontal:
                dc.MoveTo(0, a0.y);
                dc.LineTo(w, a0.y);
                Label(dc, w - m - 60, a0.y - 13, CKbar::PriceText(line.m_arrAnchor[0].fValue));
                if (selected) {
                    dc.Rectangle(10, a0.y - 3, 16, a0.y + 3);
                    dc.Rectangle(w - 106, a0.y - 3, w - 100, a0.y + 3);
                }
                break;
            case kLineTrend: {
                const Point a1 = g.toPoint(line.m_arrAnchor[1]);
                dc.MoveTo(a0.x, a0.y);
                if (a1.x != a0.x) {
                    // A ray from anchor 0 through anchor 1 to the chart's edge.
                    const int xe = a1.x > a0.x ? w - kRayEndGap : 0;
                    const double ye = a0.y + static_cast<double>(a1.y - a0.y) / (a1.x - a0.x) *
                                                 (static_cast<double>(xe) - a0.x);
                    dc.LineTo(xe, TruncToInt(ye));
                } else {
                    dc.LineTo(a0.x, a1.y > a0.y ? p : 0);
                }
                if (selected) HandleSquares(dc, line, g);
                break;
            }
            case kLineFibonacci: {
                const Point a1 = g.toPoint(line.m_arrAnchor[1]);
                dc.SetPen(kPenDot, 1, kYellow);
                dc.MoveTo(a0.x, a0.y);
                dc.LineTo(a1.x, a1.y);
                dc.SetPen(kPenSolid, 1, kYellow);
                for (double level : kFibLevels) {
                    const int y = TruncToInt(a0.y + static_cast<double>(a1.y - a0.y) * level);
                    dc.MoveTo(0, y);
                    dc.LineTo(w - kRayEndGap, y);
                    Label(dc, w - kRayEndGap, y - 13, FormatString("%.3f", level));
                }
                dc.SetPen(kPenSolid, 1, kRed);
                if (selected) HandleSquares(dc, line, g);
                break;
            }
            default:
                break;
        }
    }
}
