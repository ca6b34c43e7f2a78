#pragma once

#include <cmath>

// Truncation towards zero that stays defined for any double: NaN gives 0 and
// huge values are clamped, so a degenerate scale never reaches the drawing
// surface as undefined behaviour.
inline int TruncToInt(double v) {
    if (std::isnan(v)) return 0;
    if (v > 1e9) return 1000000000;
    if (v < -1e9) return -1000000000;
    return static_cast<int>(v);
}
