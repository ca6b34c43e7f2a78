#include "trainer/ChartOverlay.h"

#include <algorithm>

#include "data/Period.h"
#include "platform/Numeric.h"
#include "trainer/ReadOut.h"
#include "trainer/TrainerTime.h"

std::string CChartOverlay::AxisLabel(int period, std::int32_t time) {
    if (period >= period::D1) return FormatBarDate(time);
    return FormatBarDate(time).substr(5) + " " + FormatBarClock(time);
}

void CChartOverlay::PaintTimeAxis(Canvas& dc, CKbar& chart, int period) {
    const auto& bars = chart.Bars();
    const int s = chart.m_nBarSpacing;
    if (bars.empty() || s <= 0) return;
    const int ox = chart.m_ptOrigin.x, oy = chart.m_ptOrigin.y;
    const int bottom = oy + chart.m_nPriceHeight;
    const int body = TruncToInt(s * 0.8);
    dc.SetFont(FontDesc{});
    dc.SetBkOpaque(false);
    dc.SetTextColor(kAxisText);
    dc.SetPen(kPenSolid, 1, kAxisText);
    // One label every few bars, so that neighbours never touch.
    const int width = dc.GetTextExtent(AxisLabel(period, bars.back().time)).cx + 12;
    const int every = std::max(1, (width + s - 1) / s);
    const int right = ox + chart.m_nWidth - chart.m_nRightMargin - 62;  // clear of the price labels
    for (std::size_t i = 0; i < bars.size(); i += static_cast<std::size_t>(every)) {
        const int x = ox + static_cast<int>(i) * s + body / 2;
        if (x + width > right) break;
        dc.MoveTo(x, bottom - kAxisHeight);
        dc.LineTo(x, bottom - kAxisHeight + 4);
        dc.TextOut(x + 2, bottom - kAxisHeight + 1, AxisLabel(period, bars[i].time));
    }
}

void CChartOverlay::PaintCrosshair(Canvas& dc, CKbar& chart, int period, int x, int y) {
    const int ox = chart.m_ptOrigin.x, oy = chart.m_ptOrigin.y;
    const int w = chart.m_nWidth, h = chart.m_nHeight;
    if (x < ox || x >= ox + w || y < oy || y >= oy + h) return;
    const BarPoint at = chart.PointToBarPoint(x, y);
    const auto& bars = chart.Bars();
    const int held = at.nIndex - chart.FirstVisibleIndex();

    dc.SetPen(kPenDot, 1, kCrossPen);
    dc.MoveTo(x, oy);
    dc.LineTo(x, oy + h);
    dc.MoveTo(ox, y);
    dc.LineTo(ox + w, y);

    dc.SetFont(FontDesc{});
    dc.SetBkOpaque(true);
    dc.SetBkColor(kLabelBack);
    dc.SetTextColor(kLabelText);
    if (held >= 0 && held < static_cast<int>(bars.size()))
        dc.TextOut(ox + 4, oy + 4, FormatBarReadout(period, bars[static_cast<std::size_t>(held)]));
    // The price at the pointer, where prices are: the price area.
    if (y < oy + chart.m_nPriceHeight && !bars.empty()) {
        const std::string price = CKbar::PriceText(at.fValue);
        const int tw = dc.GetTextExtent(price).cx;
        dc.TextOut(ox + w - chart.m_nRightMargin - tw - 2, y - 13, price);
    }
    dc.SetBkOpaque(false);
}
