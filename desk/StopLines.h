#pragma once

#include "chart/Kbar.h"
#include "platform/Canvas.h"

// The stop-loss and take-profit lines of the open orders, over the chart's
// price area: stops in orange-red, targets in green, each with its price.
namespace stop_lines {

constexpr Color kStopColor = RGB(255, 96, 0);
constexpr Color kTargetColor = RGB(0, 200, 0);

// Paints onto `dc` in the client coordinates where `chart` is drawn; a level
// outside the price area is named at its top or bottom edge instead, with an
// arrow towards it.
void Paint(Canvas& dc, const CKbar& chart);

// The open order whose stop (*stop true) or target line lies within three
// pixels of client point (x, y) over the price area; -1 for none.
int HitTest(const CKbar& chart, int x, int y, bool* stop);

}  // namespace stop_lines
