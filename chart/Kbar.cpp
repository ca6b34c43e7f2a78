#include "chart/Kbar.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "chart/LinePainter.h"
#include "platform/Format.h"
#include "platform/Numeric.h"

namespace {

int Trunc(double v) { return TruncToInt(v); }

}  // namespace

CKbar::CKbar() { m_order.Reset(); }

CKbar::~CKbar() {
    m_order.Reset();
    m_arrDrawing.clear();
    m_arrIndicate.clear();
    m_arrBar.clear();
}

std::string CKbar::PriceText(double price) { return FormatString("%f", price).substr(0, 7); }

void CKbar::SetIndicate(int k, const CIndicate& indicate) {
    m_arrIndicate.at(k).Assign(indicate);
    RecalcLayout();
}

void CKbar::RemoveIndicate(int k) {
    if (k < 0 || k >= GetIndicateCount()) return;
    m_arrIndicate.erase(m_arrIndicate.begin() + k);
    RecalcLayout();
}

void CKbar::RemoveAllIndicates() {
    m_arrIndicate.clear();
    RecalcLayout();
}

void CKbar::AddIndicate(const CIndicate& indicate) {
    m_arrIndicate.push_back(indicate);
    RecalcLayout();
}

int CKbar::HitTestIndicate(int x, int y) {
    for (int k = 0; k < GetIndicateCount(); ++k) {
        const CIndicate ind = m_arrIndicate[k];
        if (ind.m_bOwnPane == 1) {
            if (ind.HitTest(x, y)) return k;
            continue;
        }
        if (ind.m_arrLine[0].empty()) return -1;
        for (const BarPoint& pt : ind.m_arrLine[0]) {
            Point p = BarPointToPoint(pt);
            p.x += m_ptOrigin.x;
            p.y += m_ptOrigin.y;
            if (std::abs(p.x - x) < 10 && std::abs(p.y - y) < 10) return k;
        }
    }
    return -1;
}

int CKbar::FirstVisibleIndex() const { return std::max(0, m_nLastIndex - m_nVisibleCount + 1); }

int CKbar::PriceToY(double price) const {
    return m_nPriceHeight - Trunc((price - m_fViewMin) * m_fScaleY);
}

BarPoint CKbar::PointToBarPoint(int x, int y) {
    RecalcLayout();
    BarPoint pt;
    const int first = FirstVisibleIndex();
    pt.nIndex = m_nBarSpacing > 0 ? first + (x - m_ptOrigin.x) / m_nBarSpacing : first;
    pt.fValue = m_fScaleY != 0.0
                    ? (m_nPriceHeight - (y - m_ptOrigin.y)) / m_fScaleY + m_fViewMin
                    : m_fViewMin;
    return pt;
}

Point CKbar::BarPointToPoint(const BarPoint& point) {
    RecalcLayout();
    const int body = Trunc(m_nBarSpacing * 0.8);
    const int first = FirstVisibleIndex();
    return Point{(point.nIndex - first) * m_nBarSpacing + body / 2, PriceToY(point.fValue)};
}

void CKbar::ResetChart() {
    ClearBars();
    // -1 keeps the chart's index in step with the cursor after a retrain.
    m_nLastIndex = -1;
}

void CKbar::ClearBars() {
    m_arrBar.clear();
    m_fMaxPrice = 0.0;
    m_fMinPrice = 9999.0;
    m_fViewMin = m_fMinPrice;
    m_fViewMax = m_fMaxPrice;
}

void CKbar::RecalcLayout() {
    m_nBarSpacing = Trunc(m_nWidth / (m_nVisibleCount * 1.2));

    if (m_arrBar.empty()) {
        m_fMaxPrice = 0.0;
        m_fMinPrice = 9999.0;
    } else {
        // The true range, whatever the price level.
        m_fMinPrice = m_arrBar.front().low;
        m_fMaxPrice = m_arrBar.front().high;
        for (const BarRecord& bar : m_arrBar) {
            if (bar.low < m_fMinPrice) m_fMinPrice = bar.low;
            if (bar.high > m_fMaxPrice) m_fMaxPrice = bar.high;
        }
    }
    m_fViewMin = m_fMinPrice;
    m_fViewMax = m_fMaxPrice;
    if (!m_arrBar.empty() && !(m_fMaxPrice > m_fMinPrice)) {
        const double half = std::max(std::fabs(m_fMinPrice) * 0.001, 1e-6);
        m_fViewMin = m_fMinPrice - half;
        m_fViewMax = m_fMaxPrice + half;
    }

    int own = 0;
    for (const CIndicate& ind : m_arrIndicate) own += ind.m_bOwnPane;
    const double h = (5 - own) * m_nHeight / 5.0;
    m_nPriceHeight = Trunc(h);
    m_fScaleY = h / (m_fViewMax - m_fViewMin);
    if (!std::isfinite(m_fScaleY)) m_fScaleY = 0.0;

    int a = 0;
    for (CIndicate& ind : m_arrIndicate) {
        if (ind.m_bOwnPane != 1) continue;
        ++a;
        ind.m_rcPane = Rect{m_ptOrigin.x, m_ptOrigin.y + m_nHeight - a * m_nHeight / 5,
                            m_ptOrigin.x + m_nWidth,
                            m_ptOrigin.y + m_nHeight - (a - 1) * m_nHeight / 5};
    }
}

void CKbar::SetChartArea(int clientWidth, int clientHeight, int x, int y, int w, int h) {
    if (x <= clientWidth) m_ptOrigin.x = x < 0 ? 0 : x;
    if (y <= clientHeight) m_ptOrigin.y = y < 0 ? 0 : y;
    const int cx = std::min(std::max(x, 0), clientWidth);
    const int cy = std::min(std::max(y, 0), clientHeight);
    m_nWidth = (w <= 0 || w > clientWidth - cx) ? clientWidth - cx : w;
    m_nHeight = (h <= 0 || h > clientHeight - cy) ? clientHeight - cy : h;
    RecalcLayout();
}

void CKbar::AddBar(const BarRecord& bar) {
    m_arrBar.push_back(bar);
    if (static_cast<int>(m_arrBar.size()) > m_nVisibleCount) m_arrBar.erase(m_arrBar.begin());
    m_nBarCount = static_cast<int>(m_arrBar.size());
    m_lastBar = bar;
    m_bHasLastBar = true;
    m_order.MarkToMarket(bar);
    ++m_nLastIndex;
    m_nNewestBarIndex = m_nLastIndex;
    RecalcLayout();
}

void CKbar::SetChartType(int type) {
    m_nChartType = (type == kChartCandle || type == kChartWestern || type == kChartLine)
                       ? type
                       : kChartCandle;
}

void CKbar::SetVisibleCount(int n) {
    m_nVisibleCount = n;
    for (CIndicate& ind : m_arrIndicate) ind.SetMaxPoints(n);
}

void CKbar::ExtendRange(const BarRecord& bar) {
    if (bar.low < m_fMinPrice) m_fMinPrice = bar.low;
    if (bar.high > m_fMaxPrice) m_fMaxPrice = bar.high;
    m_fScaleY = m_nHeight / (m_fMaxPrice - m_fMinPrice);
    if (!std::isfinite(m_fScaleY)) m_fScaleY = 0.0;
}

void CKbar::Draw(Canvas& target) {
    auto image = target.CreateCompatible(m_nWidth, m_nHeight);
    DrawImage(*image);
    target.BitBlt(m_ptOrigin.x, m_ptOrigin.y, m_nWidth, m_nHeight, *image, 0, 0);
}

void CKbar::DrawImage(Canvas& image) {
    image.FillSolidRect(Rect{0, 0, m_nWidth, m_nHeight}, RGB(0, 0, 0));
    DrawPriceGrid(image);
    DrawLastPrice(image);
    DrawOrders(image);
    DrawLines(image);
    DrawIndicates(image);
    DrawBars(image);
}

void CKbar::DrawPriceGrid(Canvas& dc) {
    const int w = m_nWidth, p = m_nPriceHeight, m = m_nRightMargin;
    dc.SetPen(kPenSolid, 2, RGB(128, 128, 0));
    dc.MoveTo(w - m, 0);
    dc.LineTo(w - m, p);

    dc.SetPen(kPenDot, 1, RGB(128, 128, 128));
    dc.SetTextColor(RGB(0, 255, 255));
    dc.SetBkOpaque(false);
    const int step = p / 10;
    for (int i = 0; i <= 10; ++i) {
        const int y = i * step;
        dc.MoveTo(0, y);
        dc.LineTo(w - m, y);
        dc.TextOut(w - m - 60, y - 13, PriceText(m_fViewMax - (m_fViewMax - m_fViewMin) / 10 * i));
    }
}

void CKbar::DrawLastPrice(Canvas& dc) {
    if (m_arrBar.empty()) return;
    const double close = m_arrBar.back().close;
    const int y = PriceToY(close);
    dc.SetPen(kPenSolid, 1, RGB(128, 0, 128));
    dc.MoveTo(0, y);
    dc.LineTo(m_nWidth, y);
    dc.SetTextColor(RGB(255, 255, 0));
    dc.SetBkOpaque(false);
    dc.TextOut(m_nWidth - m_nRightMargin - 60, y - 13, PriceText(close));
}

void CKbar::DrawOrders(Canvas& dc) {
    if (m_arrBar.empty() || m_order.GetOpenOrderCount() <= 0) return;
    dc.SetPen(kPenDashDot, 1, RGB(255, 0, 0));
    dc.SetTextColor(RGB(255, 0, 255));
    dc.SetBkOpaque(false);
    for (int i = 0; i < m_order.GetOpenOrderCount(); ++i) {
        const OrderRecord order = m_order.GetOpenOrder(i);
        const int y = PriceToY(order.fOpenPrice);
        dc.MoveTo(0, y);
        dc.LineTo(m_nWidth, y);
        dc.TextOut(10, y - 13, PriceText(order.fOpenPrice));
    }
}

void CKbar::DrawLines(Canvas& dc) {
    // One layout serves every object's points.
    RecalcLayout();
    const int s = m_nBarSpacing;
    const int body = Trunc(s * 0.8);
    const long long first = FirstVisibleIndex();
    CLinePainter::Geometry geometry{m_nWidth, m_nPriceHeight, m_nRightMargin, nullptr};
    geometry.toPoint = [&](const BarPoint& pt) {
        // Anchors may lie far outside the held bars.
        const double x = static_cast<double>(pt.nIndex - first) * s + body / 2;
        return Point{Trunc(x), PriceToY(pt.fValue)};
    };
    CLinePainter::Draw(dc, m_arrDrawing, geometry);
}

namespace {

struct PenOf {
    const CIndicate& ind;
    void Select(Canvas& dc, std::size_t k) const {
        if (k >= ind.m_arrColor.size() || k >= ind.m_arrStyle.size() || k >= ind.m_arrWidth.size())
            return;
        const int style = std::clamp(ind.m_arrStyle[k], 0, 5);
        const int width = std::clamp(ind.m_arrWidth[k], 0, 5);
        dc.SetPen(style, width, ind.m_arrColor[k]);
    }
};

}  // namespace

void CKbar::DrawIndicates(Canvas& dc) {
    // The layout cannot change while drawing: one RecalcLayout serves every point.
    RecalcLayout();
    const int s = m_nBarSpacing;
    const int body = Trunc(s * 0.8);
    const int first = FirstVisibleIndex();
    auto toPoint = [&](const BarPoint& pt) {
        return Point{(pt.nIndex - first) * s + body / 2, PriceToY(pt.fValue)};
    };
    for (const CIndicate& ind : m_arrIndicate) {
        const PenOf pen{ind};
        auto polylineOverPrice = [&](const std::vector<BarPoint>& line, std::size_t count) {
            for (std::size_t j = 0; j < std::min(count, line.size()); ++j) {
                const Point p = toPoint(line[j]);
                if (j == 0)
                    dc.MoveTo(p.x, p.y);
                else
                    dc.LineTo(p.x, p.y);
            }
        };
        switch (ind.m_nType) {
            case kIndicateMA:
            case kIndicateMAX:
            case kIndicateMIN:
                pen.Select(dc, 0);
                polylineOverPrice(ind.m_arrLine[0], ind.m_arrLine[0].size());
                continue;
            case kIndicateBOLLIN:
                pen.Select(dc, 0);
                for (int k = 0; k < 3; ++k)
                    polylineOverPrice(ind.m_arrLine[k], ind.m_arrLine[0].size());
                continue;
            default:
                break;
        }
        if (ind.m_bOwnPane != 1) continue;
        const Rect r{ind.m_rcPane.left - m_ptOrigin.x, ind.m_rcPane.top - m_ptOrigin.y,
                     ind.m_rcPane.right - m_ptOrigin.x, ind.m_rcPane.bottom - m_ptOrigin.y};
        dc.Draw3dRect(r, RGB(255, 0, 0), RGB(0, 255, 0));
        double hi = -1000.0, lo = 1000.0;
        auto widen = [&](const std::vector<BarPoint>& line, std::size_t count) {
            for (std::size_t j = 0; j < std::min(count, line.size()); ++j) {
                if (line[j].fValue > hi) hi = line[j].fValue;
                if (line[j].fValue < lo) lo = line[j].fValue;
            }
        };
        std::size_t n = 0;
        if (ind.m_nType == kIndicateKDJ) {
            n = ind.m_arrLine[1].size();
            widen(ind.m_arrLine[1], n);
        } else if (ind.m_nType == kIndicateRSI) {
            widen(ind.m_arrLine[0], ind.m_arrLine[0].size());
        } else if (ind.m_nType == kIndicateMACD) {
            n = ind.m_arrLine[1].size();
            for (int k = 0; k < 3; ++k) widen(ind.m_arrLine[k], n);
        }
        // All values equal (RSI on flat prices), or apart only by rounding
        // (MACD's averages of flat prices): the range is widened around them as
        // a flat price range is, so that they run through the middle.
        if (hi >= lo && hi - lo <= 1e-12 * std::max({1.0, std::fabs(hi), std::fabs(lo)})) {
            const double mid = (hi + lo) / 2;
            const double half = std::max(std::fabs(mid) * 0.001, 1e-6);
            lo = mid - half;
            hi = mid + half;
        }
        double scale = r.Height() / (hi - lo);
        if (!std::isfinite(scale)) scale = 0.0;
        auto yOf = [&](double v) { return r.bottom - Trunc((v - lo) * scale); };
        auto xOf = [&](std::size_t j) { return static_cast<int>(j) * s + s / 2; };
        auto polyline = [&](const std::vector<BarPoint>& line, std::size_t count) {
            for (std::size_t j = 0; j < std::min(count, line.size()); ++j) {
                if (j == 0)
                    dc.MoveTo(xOf(j), yOf(line[j].fValue));
                else
                    dc.LineTo(xOf(j), yOf(line[j].fValue));
            }
        };
        auto bars = [&](const std::vector<BarPoint>& line, std::size_t count, int y0) {
            for (std::size_t j = 0; j < std::min(count, line.size()); ++j) {
                dc.MoveTo(xOf(j), yOf(line[j].fValue));
                dc.LineTo(xOf(j), y0);
            }
        };
        if (ind.m_nType == kIndicateKDJ) {
            for (int k = 0; k < 3; ++k) {
                pen.Select(dc, k);
                polyline(ind.m_arrLine[k], n);
            }
        } else if (ind.m_nType == kIndicateRSI) {
            dc.SetBkOpaque(false);
            for (std::size_t k = 1; k <= 3 && k < ind.m_arrParam.size(); ++k) {
                const double level = ind.m_arrParam[k];
                const int y = yOf(level);
                pen.Select(dc, 1);
                dc.MoveTo(0, y);
                dc.LineTo(r.Width(), y);
                if (ind.m_arrColor.size() > 1) dc.SetTextColor(ind.m_arrColor[1]);
                dc.TextOut(r.Width() - 40, y - 15, FormatString("%.0f", level));
            }
            pen.Select(dc, 0);
            polyline(ind.m_arrLine[0], ind.m_arrLine[0].size());
        } else if (ind.m_nType == kIndicateMACD) {
            const int y0 = yOf(0.0);
            dc.SetPen(kPenDot, 1, RGB(128, 128, 128));
            dc.MoveTo(0, y0);
            dc.LineTo(m_nWidth, y0);
            const int mode = ind.m_arrOption.empty() ? 0 : ind.m_arrOption[0];
            if (mode == 0) {
                pen.Select(dc, 0);
                bars(ind.m_arrLine[0], n, y0);
                pen.Select(dc, 1);
                polyline(ind.m_arrLine[1], n);
            } else if (mode == 1) {
                pen.Select(dc, 0);
                polyline(ind.m_arrLine[0], n);
                pen.Select(dc, 1);
                polyline(ind.m_arrLine[1], n);
                pen.Select(dc, 2);
                bars(ind.m_arrLine[2], n, y0);
            }
        }
    }
}

void CKbar::DrawBars(Canvas& dc) {
    const int s = m_nBarSpacing;
    const int body = Trunc(s * 0.8);
    dc.SetPen(kPenSolid, m_nChartType == kChartCandle ? 1 : 2, m_clrBar);
    for (std::size_t i = 0; i < m_arrBar.size(); ++i) {
        const BarRecord& bar = m_arrBar[i];
        const int yO = PriceToY(bar.open), yH = PriceToY(bar.high), yL = PriceToY(bar.low),
                  yC = PriceToY(bar.close);
        const int left = static_cast<int>(i) * s;
        const int right = left + body;
        const int centre = left + body / 2;
        if (bar.close > bar.open)
            dc.SetBrush(m_clrUpFill);
        else if (bar.close < bar.open)
            dc.SetBrush(m_clrDownFill);
        switch (m_nChartType) {
            case kChartWestern:
                dc.MoveTo(centre, yH);
                dc.LineTo(centre, yL);
                dc.MoveTo(centre, yO);
                dc.LineTo(left, yO);
                dc.MoveTo(centre, yC);
                dc.LineTo(right, yC);
                break;
            case kChartLine:
                if (i == 0) dc.MoveTo(centre, yC);
                dc.LineTo(centre, yC);
                break;
            default: {
                dc.MoveTo(centre, yH);
                dc.LineTo(centre, yL);
                const int bottom = yO == yC ? yC + 1 : yC;
                dc.Rectangle(left, std::min(yO, bottom), right, std::max(yO, bottom));
                break;
            }
        }
    }
}
