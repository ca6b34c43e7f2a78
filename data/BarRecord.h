#pragma once

#include <cstddef>
#include <cstdint>

// One bar. In a history file it takes 44 bytes, little-endian, no padding:
// time (int32) at 0, then open, low, high, close, volume (doubles) at 4, 12,
// 20, 28 and 36. Low comes before high.
struct BarRecord {
    std::int32_t time = 0;  // opening time, seconds since 1970-01-01 00:00 UTC
    double open = 0.0;
    double low = 0.0;
    double high = 0.0;
    double close = 0.0;
    double volume = 0.0;

    static constexpr std::size_t kSize = 44;

    void Encode(unsigned char* out) const;
    static BarRecord Decode(const unsigned char* in);

    bool operator==(const BarRecord&) const = default;
};
