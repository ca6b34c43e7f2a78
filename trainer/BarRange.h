#pragma once

#include <optional>
#include <string>
#include <vector>

#include "data/BarRecord.h"

// Bars `first` to `first + count - 1` of a period file in one read; fewer
// when the file ends sooner.
std::vector<BarRecord> ReadBarRange(const std::string& historyFolder, const std::string& symbol,
                                    int period, int first, int count);

// One bar of a run of bars: time and open of the first, the extremes, the
// close of the last; volume 0 as in the derived period files.
BarRecord AggregateBars(const std::vector<BarRecord>& bars);

// The bar of `period` that holds the minute `clock`, as far as it has been
// replayed: the period file's bar when the clock ends it, otherwise the
// aggregation of its one-minute records up to the clock. nullopt when no
// record of the bar is there.
std::optional<BarRecord> BuildClockBar(const std::string& historyFolder, const std::string& symbol,
                                       int period, int clock);
