#include "trainer/BarRange.h"

#include <algorithm>

#include "data/HistoryFile.h"
#include "data/HistoryHeader.h"
#include "data/Period.h"
#include "platform/Files.h"
#include "trainer/ReplayClock.h"

std::vector<BarRecord> ReadBarRange(const std::string& historyFolder, const std::string& symbol,
                                    int period, int first, int count) {
    std::vector<BarRecord> bars;
    if (first < 0 || count <= 0) return bars;
    std::vector<unsigned char> raw(static_cast<std::size_t>(count) * BarRecord::kSize);
    const std::uint64_t offset =
        HistoryHeader::kSize + BarRecord::kSize * static_cast<std::uint64_t>(first);
    const std::size_t got = files::ReadAt(PeriodFilePath(historyFolder, symbol, period), offset,
                                          raw.data(), raw.size());
    const std::size_t n = got / BarRecord::kSize;
    bars.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        bars.push_back(BarRecord::Decode(&raw[i * BarRecord::kSize]));
    return bars;
}

BarRecord AggregateBars(const std::vector<BarRecord>& bars) {
    BarRecord out;
    if (bars.empty()) return out;
    out.time = bars.front().time;
    out.open = bars.front().open;
    out.low = bars.front().low;
    out.high = bars.front().high;
    for (const BarRecord& b : bars) {
        out.low = std::min(out.low, b.low);
        out.high = std::max(out.high, b.high);
    }
    out.close = bars.back().close;
    out.volume = 0.0;
    return out;
}

std::optional<BarRecord> BuildClockBar(const std::string& historyFolder, const std::string& symbol,
                                       int period, int clock) {
    const int bar = CReplayClock::BarOf(clock, period);
    if (bar < 0) return std::nullopt;
    if (CReplayClock::EndsBar(clock, period)) {
        BarRecord whole;
        if (ReadBar(whole, bar, historyFolder, symbol, period)) return whole;
    }
    const int first = CReplayClock::FirstRecordOf(bar, period);
    const std::vector<BarRecord> records =
        ReadBarRange(historyFolder, symbol, period::M1, first, clock - first + 1);
    if (records.empty()) return std::nullopt;
    return AggregateBars(records);
}
