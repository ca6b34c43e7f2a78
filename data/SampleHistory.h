#pragma once

#include <cstdint>
#include <string>

// A synthetic one-minute history that behaves like a currency pair: a random
// walk with volatility clustering and a daily activity cycle, each bar opening
// near the previous close, prices on a pip grid, and no bars from Friday
// 22:00 to Sunday 22:00 UTC. The same options give the same bytes.
struct SampleOptions {
    std::string symbol = "EURUSD";
    std::uint64_t bars = 400000;     // about a year of trading minutes
    std::uint64_t seed = 1;
    double price = 1.1000;           // starting price
    std::int32_t startTime = 1577916000;  // Wednesday 2020-01-01 22:00 UTC
};

// Writes the file; false with a reason in *error on failure.
bool WriteSampleHistory(const std::string& path, const SampleOptions& options,
                        std::string* error);
