#pragma once

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "data/BarRecord.h"

// A seeded random walk of one-minute bars from 2005-01-01 00:00 UTC, a
// minute apart, so that every group has its own extremes.
inline std::vector<BarRecord> WalkBars(std::size_t count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> step(-0.0004, 0.0004);
    std::vector<BarRecord> bars;
    double price = 1.3;
    for (std::size_t i = 0; i < count; ++i) {
        BarRecord b;
        b.time = 1104537600 + static_cast<int>(i) * 60;
        b.open = price;
        price += step(rng);
        b.close = price;
        b.low = std::min(b.open, b.close) - std::abs(step(rng)) / 2;
        b.high = std::max(b.open, b.close) + std::abs(step(rng)) / 2;
        b.volume = 1;
        bars.push_back(b);
    }
    return bars;
}
