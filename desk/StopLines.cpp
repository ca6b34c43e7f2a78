#include "desk/StopLines.h"

#include "platform/Format.h"

namespace stop_lines {

void Paint(Canvas& dc, const CKbar& chart) {
    const COrder& book = chart.m_order;
    if (chart.Bars().empty() || book.GetOpenOrderCount() == 0) return;
    const int ox = chart.m_ptOrigin.x, oy = chart.m_ptOrigin.y;
    const int w = chart.m_nWidth, h = chart.m_nPriceHeight;
    dc.SetFont(FontDesc{});
    dc.SetBkOpaque(false);
    auto level = [&](double price, Color color, const char* name) {
        if (price <= 0.0) return;
        const int y = oy + chart.PriceToY(price);
        if (y < oy || y >= oy + h) return;
        dc.SetPen(kPenDash, 1, color);
        dc.MoveTo(ox, y);
        dc.LineTo(ox + w, y);
        dc.SetTextColor(color);
        // Clear of the open price's label at the left edge.
        dc.TextOut(ox + 90, y - 13, std::string(name) + " " + CKbar::PriceText(price));
    };
    for (int i = 0; i < book.GetOpenOrderCount(); ++i) {
        const OrderRecord order = book.GetOpenOrder(i);
        level(order.StopLoss(), kStopColor, "SL");
        level(order.TakeProfit(), kTargetColor, "TP");
    }
}

}  // namespace stop_lines
