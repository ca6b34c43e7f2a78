#pragma once

#include <string>
#include <vector>

#include "chart/Line.h"
#include "data/BarRecord.h"
#include "indicators/BarPoint.h"
#include "indicators/Indicate.h"
#include "platform/Canvas.h"
#include "trade/Order.h"

// Chart types.
enum ChartType : int { kChartCandle = 16, kChartWestern = 17, kChartLine = 18 };

// The price chart: the window of replayed bars (the newest is the replay
// cursor's bar), their price range, the pixel geometry, the indicators, the
// drawing objects and the order book. It paints itself through a Canvas.
class CKbar {
public:
    CKbar();
    virtual ~CKbar();

    // --- indicators ---
    virtual int GetIndicateCount() const { return static_cast<int>(m_arrIndicate.size()); }
    virtual CIndicate& GetIndicate(int k) { return m_arrIndicate.at(k); }
    virtual void SetIndicate(int k, const CIndicate& indicate);
    virtual void RemoveIndicate(int k);
    virtual void RemoveAllIndicates();
    virtual void AddIndicate(const CIndicate& indicate);
    // Index of the indicator under a client point, -1 if none.
    virtual int HitTestIndicate(int x, int y);

    // --- mapping ---
    // Chart position under a client pixel.
    virtual BarPoint PointToBarPoint(int x, int y);
    // Chart pixel of a chart position in the price area.
    virtual Point BarPointToPoint(const BarPoint& point);

    // --- bars and layout ---
    virtual void ResetChart();
    virtual void RecalcLayout();
    // Places the chart inside a client area of the given size.
    virtual void SetChartArea(int clientWidth, int clientHeight, int x, int y, int w, int h);
    virtual void AddBar(const BarRecord& bar);
    virtual void SetChartType(int type);
    virtual int GetChartType() const { return m_nChartType; }
    virtual int GetVisibleCount() const { return m_nVisibleCount; }
    virtual void SetVisibleCount(int n);
    virtual int GetHeldBarCount() const { return m_nBarCount; }
    virtual void ClearBars();

    // --- drawing ---
    // The whole chart, double-buffered, at m_ptOrigin of `target`.
    virtual void Draw(Canvas& target);
    // The layers in order into a black image of m_nWidth x m_nHeight.
    void DrawImage(Canvas& image);
    virtual void DrawOrders(Canvas& dc);
    virtual void DrawLastPrice(Canvas& dc);
    virtual void DrawPriceGrid(Canvas& dc);
    virtual void DrawLines(Canvas& dc);
    virtual void DrawIndicates(Canvas& dc);
    virtual void DrawBars(Canvas& dc);
    virtual void ExtendRange(const BarRecord& bar);

    BarRecord GetLastBar() const { return m_lastBar; }
    bool HasLastBar() const { return m_bHasLastBar; }
    // Puts back a saved current bar (or none), as it stood before later bars.
    void RestoreLastBar(bool has, const BarRecord& bar) {
        m_bHasLastBar = has;
        m_lastBar = bar;
    }
    void SetLastIndex(int index) { m_nLastIndex = index; }
    int GetLastIndex() const { return m_nLastIndex; }
    const std::vector<BarRecord>& Bars() const { return m_arrBar; }
    // File index of the newest held bar, as AddBar counted it.
    int NewestBarIndex() const { return m_nNewestBarIndex; }
    // The first visible bar index: m_nLastIndex - m_nVisibleCount + 1, at least 0.
    int FirstVisibleIndex() const;
    // Chart y of a price in the price area.
    int PriceToY(double price) const;

    // A price label: "%f" cut to its first seven characters.
    static std::string PriceText(double price);

    // --- members ---
    int m_nLastIndex = -1;
    // The drawing objects, in creation order.
    std::vector<CLine> m_arrDrawing;
    COrder m_order;
    std::vector<BarRecord> m_arrBar;
    BarRecord m_lastBar;
    int m_nBarCount = 0;
    std::vector<CIndicate> m_arrIndicate;
    int m_nRightMargin = 2;
    int m_nChartType = kChartCandle;
    Color m_clrUpFill = RGB(0, 0, 0);
    Color m_clrDownFill = RGB(255, 255, 255);
    Color m_clrBar = RGB(0, 255, 0);
    int m_nHeight = 400;
    int m_nPriceHeight = 400;
    int m_nWidth = 750;
    Point m_ptOrigin{0, 0};
    int m_nVisibleCount = 100;
    int m_nBarSpacing = 7;
    double m_fScaleY = 0.0;
    double m_fMinPrice = 9999.0;
    double m_fMaxPrice = 0.0;

private:
    // The price range the conversions use: the held bars' range, except that
    // a flat range (highest high equal to lowest low) is widened around its
    // price so that it lies in the middle of the price area.
    double m_fViewMin = 9999.0;
    double m_fViewMax = 0.0;
    bool m_bHasLastBar = false;
    int m_nNewestBarIndex = -1;
};
