#pragma once

#include <functional>
#include <vector>

#include "chart/Line.h"
#include "platform/Canvas.h"

// Paints the drawing objects into the chart image, in chart coordinates.
class CLinePainter {
public:
    struct Geometry {
        int width = 0;        // W, the chart width
        int priceHeight = 0;  // P, the height of the price area
        int rightMargin = 0;  // m, the price axis' distance from the right edge
        // The chart pixel of a chart position.
        std::function<Point(const BarPoint&)> toPoint;
    };

    static void Draw(Canvas& dc, const std::vector<CLine>& lines, const Geometry& geometry);

    // Fibonacci levels from anchor 0 (0) to anchor 1 (1.0) and beyond.
    static constexpr double kFibLevels[] = {0, 0.236, 0.382, 0.5, 0.618, 1.0, 1.618, 2.618, 4.236};
    // Left edge of the handle squares and of the labels' column: 100 pixels
    // before the right edge.
    static constexpr int kRayEndGap = 100;
};
