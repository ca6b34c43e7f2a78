#pragma once

#include "chart/Kbar.h"
#include "platform/Canvas.h"

// The trainer's layer over the finished chart, painted in client coordinates
// inside the chart's area: a time axis along the bottom of the price area and
// a crosshair at the pointer with the time and prices of the bar under it and
// the price at the pointer.
class CChartOverlay {
public:
    static constexpr Color kAxisText = RGB(192, 192, 192);
    static constexpr Color kCrossPen = RGB(160, 160, 160);
    static constexpr Color kLabelBack = RGB(0, 0, 96);
    static constexpr Color kLabelText = RGB(255, 255, 255);
    static constexpr int kAxisHeight = 16;

    static void PaintTimeAxis(Canvas& dc, CKbar& chart, int period);
    // Nothing when (x, y) lies outside the chart.
    static void PaintCrosshair(Canvas& dc, CKbar& chart, int period, int x, int y);
    // The time label of a bar on the axis: the date for days and longer,
    // month, day and time for shorter periods.
    static std::string AxisLabel(int period, std::int32_t time);
};
