#pragma once

#include <cstdint>

// A point of an indicator line or an anchor of a drawing object: a bar index
// in the current period file and a price or indicator value.
struct BarPoint {
    std::int32_t nIndex = 0;
    double fValue = 0.0;
    bool operator==(const BarPoint&) const = default;
};
