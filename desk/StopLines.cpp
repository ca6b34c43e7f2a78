#include "desk/StopLines.h"

#include <cstdlib>

#include "platform/Format.h"

namespace stop_lines {

void Paint(Canvas& dc, const CKbar& chart) {
    const COrder& book = chart.m_order;
    if (chart.Bars().empty() || book.GetOpenOrderCount() == 0) return;
    const int ox = chart.m_ptOrigin.x, oy = chart.m_ptOrigin.y;
    const int w = chart.m_nWidth, h = chart.m_nPriceHeight;
    dc.SetFont(FontDesc{});
    dc.SetBkOpaque(false);
    // Levels beyond the view are listed at its top or bottom edge, with an
    // arrow pointing where they are.
    int above = 0, below = 0;
    auto level = [&](double price, Color color, const char* name) {
        if (price <= 0.0) return;
        const int y = oy + chart.PriceToY(price);
        const std::string text = std::string(name) + " " + CKbar::PriceText(price);
        dc.SetTextColor(color);
        if (y < oy) {
            dc.TextOut(ox + w / 2, oy + 2 + 14 * above++, text + " ↑");
            return;
        }
        if (y >= oy + h) {
            dc.TextOut(ox + w / 2, oy + h - 16 - 14 * below++, text + " ↓");
            return;
        }
        dc.SetPen(kPenDash, 1, color);
        dc.MoveTo(ox, y);
        dc.LineTo(ox + w, y);
        // Clear of the open price's label at the left edge.
        dc.TextOut(ox + 90, y - 13, text);
    };
    for (int i = 0; i < book.GetOpenOrderCount(); ++i) {
        const OrderRecord order = book.GetOpenOrder(i);
        level(order.StopLoss(), kStopColor, "SL");
        level(order.TakeProfit(), kTargetColor, "TP");
    }
}

int HitTest(const CKbar& chart, int x, int y, bool* stop) {
    const COrder& book = chart.m_order;
    if (chart.Bars().empty()) return -1;
    const int ox = chart.m_ptOrigin.x, oy = chart.m_ptOrigin.y;
    if (x < ox || x >= ox + chart.m_nWidth || y < oy || y >= oy + chart.m_nPriceHeight) return -1;
    // The newest order first: it is drawn last, on top.
    for (int i = book.GetOpenOrderCount() - 1; i >= 0; --i) {
        const OrderRecord order = book.GetOpenOrder(i);
        for (bool isStop : {true, false}) {
            const double level = isStop ? order.StopLoss() : order.TakeProfit();
            if (level > 0.0 && std::abs(oy + chart.PriceToY(level) - y) <= 3) {
                *stop = isStop;
                return i;
            }
        }
    }
    return -1;
}

}  // namespace stop_lines
