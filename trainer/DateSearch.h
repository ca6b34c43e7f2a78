#pragma once

#include <cstdint>
#include <string>

// The first bar of the period file, from bar `from` on in file order, whose
// time is at or after `time`; -1 when there is none.
int FindBarAtOrAfter(const std::string& historyFolder, const std::string& symbol, int period,
                     int from, std::int64_t time);
