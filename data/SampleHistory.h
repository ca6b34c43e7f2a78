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

// Writes the file; false with a reason in *error on failure, also when the
// last bar's time would not fit the file's 32-bit time field (past 2038).
bool WriteSampleHistory(const std::string& path, const SampleOptions& options,
                        std::string* error);

// Time of the first and of the last bar the options give (64 bits, so that a
// time past what the file holds shows as such); the first time when there
// are no bars.
std::int64_t SampleFirstBarTime(const SampleOptions& options);
std::int64_t SampleLastBarTime(const SampleOptions& options);
// The most bars whose times a history file can hold from options.startTime.
std::uint64_t SampleMaxBars(const SampleOptions& options);

// The seed and starting price a sample of `symbol` gets when none is given:
// every name its own walk, at the pair's usual price level (any name with
// JPY as its quote currency near 100, other unknown names between 0.5 and 2).
std::uint64_t SampleSeedFor(const std::string& symbol);
double SamplePriceFor(const std::string& symbol);
