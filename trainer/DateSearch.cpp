#include "trainer/DateSearch.h"

#include <algorithm>

#include "trainer/BarRange.h"

int FindBarAtOrAfter(const std::string& historyFolder, const std::string& symbol, int period,
                     int from, std::int64_t time) {
    // A scan in blocks rather than a bisection: it needs no ordering of the
    // times and reads each bar once.
    constexpr int kBlock = 4096;
    for (int first = std::max(from, 0);; first += kBlock) {
        const std::vector<BarRecord> bars =
            ReadBarRange(historyFolder, symbol, period, first, kBlock);
        for (std::size_t i = 0; i < bars.size(); ++i)
            if (bars[i].time >= time) return first + static_cast<int>(i);
        if (static_cast<int>(bars.size()) < kBlock) return -1;
    }
}
