#pragma once

#include <array>
#include <string>

// The nine periods, index 0..8.
namespace period {

constexpr int kCount = 9;
constexpr int M1 = 0, M5 = 1, M15 = 2, M30 = 3, H1 = 4, H4 = 5, D1 = 6, W1 = 7, MN = 8;

constexpr std::array<const char*, kCount> kNames = {"M1", "M5",  "M15", "M30", "H1",
                                                    "H4", "D1", "W1",  "MN"};
constexpr std::array<int, kCount> kMinutes = {1, 5, 15, 30, 60, 240, 1440, 10080, 43200};

// Index of a period name ("H4" -> 5), or -1.
int FromName(const std::string& name);

}  // namespace period
