#pragma once

#include <string>

// The lot sizes an order may have: those of the lot box, from its first entry
// to its last, at the one decimal the order list shows.
constexpr double kMinLots = 0.1;
constexpr double kMaxLots = 90.0;

// The lot size `text` names, when an order may have it: a number within
// kMinLots..kMaxLots that "%.1f" shows exactly, so that the order list shows
// the size the order is valued at. False for anything else.
bool ParseLotSize(const std::string& text, double* lots);

// What the user is told when a typed lot size is refused.
std::string LotRangeMessage();
