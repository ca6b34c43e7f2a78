#include "trade/BalanceCurve.h"

#include <cmath>

#include "platform/Format.h"
#include "platform/Numeric.h"

namespace {

int Trunc(double v) { return TruncToInt(v); }

}  // namespace

void CBalanceCurve::AddClosedOrder(const OrderRecord& order) {
    m_fBalance += order.fprofit;
    m_arrBalance.push_back(m_fBalance);
}

void CBalanceCurve::ResetCurve() {
    m_fBalance = kInitialMoney;
    m_arrBalance.assign(1, kInitialMoney);
}

void CBalanceCurve::DrawCurve(Canvas& dc, int w, int h) const {
    const int n = static_cast<int>(m_arrBalance.size());
    double max = 0.0, min = 9999999.0;
    for (double v : m_arrBalance) {
        if (v > max) max = v;
        if (v < min) min = v;
    }
    const double step = n > 0 ? static_cast<double>(w / n) : 0.0;
    // All values equal (at the start, after a retrain): no range to scale,
    // so the points lie on the bottom edge.
    const double scale = max > min ? h * 0.8 / (max - min) : 0.0;

    auto image = dc.CreateCompatible(w, h);
    Canvas& c = *image;
    c.SetPen(kPenSolid, 1, RGB(255, 255, 0));
    c.SetBrush(RGB(0, 60, 60));
    c.Rectangle(0, 0, w, h);

    const Color curve = RGB(255, 255, 0);
    c.SetPen(kPenSolid, 2, curve);
    c.SetBkOpaque(false);
    c.SetTextColor(RGB(0, 255, 255));
    c.MoveTo(0, Trunc(h * 0.1));
    for (int i = 0; i < n; ++i) {
        const double v = m_arrBalance[i];
        const int x = Trunc(i * step);
        const int y = h - Trunc((v - min) * scale);
        c.LineTo(x, y);
        if (i == 0) c.TextOut(0, y - 20, FormatString("%.0f", v));
        if (i == n - 1 && n > 1) {
            c.SetPen(kPenSolid, 1, RGB(128, 128, 0));
            c.MoveTo(0, y);
            c.LineTo(w, y);
            c.TextOut(w - 100, y - 20, FormatString("%.0f", v));
            c.SetPen(kPenSolid, 2, curve);
            c.MoveTo(x, y);
        }
    }
    const double last = n > 0 ? m_arrBalance.back() : kInitialMoney;
    c.TextOut(0, 10,
              FormatString("资产:%.1f 盈亏:%.1f 盈利率:%.1f", last, last - kInitialMoney,
                           last / 100.0) +
                  "%");
    dc.BitBlt(0, 0, w, h, c, 0, 0);
}
