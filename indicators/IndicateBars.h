#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/BarRecord.h"

// The bars one Compute or Recompute reads, fetched from the period file in
// blocks (one open per block, the range a Recompute needs in one read), and
// the running sums the calculations' direct forms share, so that a long
// period costs time by the bars read, not by their square.
class CIndicateBars {
public:
    CIndicateBars(const std::string& historyFolder, const std::string& symbol, int period);

    // `bar` stands for bar `index` (the replay's bar still forming).
    void Show(const BarRecord* bar, std::uint32_t index);
    // Reads bars first..last (inclusive) in one go.
    void Prefetch(std::uint32_t first, std::uint32_t last);
    // Bars in the file (or up to the shown bar).
    std::uint32_t Count() const { return m_nCount; }
    // Bar k; all zero when the file lacks it.
    const BarRecord& Get(std::uint32_t k);

    // Running sums from bar 0, each extended in bar order by the same
    // additions a direct loop makes, so they give its results to the bit.
    std::vector<double> m_arrPriceSum;      // p(0) + ... + p(k)
    std::vector<double> m_arrDevSum;        // sum over j <= k of (mean of p(0..j) - p(j))^2
    std::vector<double> m_arrEmaSeed;       // the EMA seed over bars 0..k
    std::vector<double> m_arrChangeSum[2];  // losses [0] and gains [1] of bars 1..k

    // A window sum that slides by one bar from the previous one.
    struct WindowSum {
        std::uint32_t from = 1, to = 0;  // empty
        double sum = 0.0;
        unsigned used = 0;
    };
    WindowSum m_window[2];
    unsigned m_nWindowClock = 0;

    // Indices of a sliding maximum [1] or minimum [0] over bars lo..hi, best
    // first (a monotonic queue).
    struct Extreme {
        bool valid = false;
        std::uint32_t lo = 0, hi = 0;
        std::deque<std::uint32_t> queue;
    };
    Extreme m_extreme[2];

private:
    void LoadBlock(std::uint32_t block);

    static constexpr std::uint32_t kBlock = 256;
    std::string m_strPath;
    std::uint32_t m_nCount;
    const BarRecord* m_pShown = nullptr;
    std::uint32_t m_nShownIndex = 0;
    // The prefetched range, then blocks for bars outside it.
    std::uint32_t m_nRangeFirst = 0;
    std::vector<BarRecord> m_arrRange;
    std::unordered_map<std::uint32_t, std::vector<BarRecord>> m_blocks;
};
