#include "indicators/IndicateBars.h"

#include "data/HistoryFile.h"
#include "data/HistoryHeader.h"
#include "platform/Files.h"

namespace {

// Decodes the complete records of `raw`; missing ones stay zero bars.
void DecodeInto(const std::vector<unsigned char>& raw, std::size_t got,
                std::vector<BarRecord>& bars) {
    for (std::size_t i = 0; i < bars.size() && (i + 1) * BarRecord::kSize <= got; ++i)
        bars[i] = BarRecord::Decode(&raw[i * BarRecord::kSize]);
}

const BarRecord kNoBar{};

}  // namespace

CIndicateBars::CIndicateBars(const std::string& historyFolder, const std::string& symbol,
                             int period)
    : m_strPath(PeriodFilePath(historyFolder, symbol, period)),
      m_nCount(GetBarCount(historyFolder, symbol, period)) {}

void CIndicateBars::Show(const BarRecord* bar, std::uint32_t index) {
    if (!bar) return;
    m_pShown = bar;
    m_nShownIndex = index;
    // The bar may lie past the file's complete bars (a group still filling).
    if (index >= m_nCount) m_nCount = index + 1;
}

void CIndicateBars::Prefetch(std::uint32_t first, std::uint32_t last) {
    if (last < first) return;
    const std::size_t n = static_cast<std::size_t>(last - first) + 1;
    std::vector<unsigned char> raw(n * BarRecord::kSize);
    const std::uint64_t offset =
        HistoryHeader::kSize + BarRecord::kSize * static_cast<std::uint64_t>(first);
    const std::size_t got = files::ReadAt(m_strPath, offset, raw.data(), raw.size());
    m_nRangeFirst = first;
    m_arrRange.assign(n, BarRecord{});
    DecodeInto(raw, got, m_arrRange);
}

void CIndicateBars::LoadBlock(std::uint32_t block) {
    std::vector<unsigned char> raw(kBlock * BarRecord::kSize);
    const std::uint64_t offset =
        HistoryHeader::kSize + BarRecord::kSize * static_cast<std::uint64_t>(block) * kBlock;
    const std::size_t got = files::ReadAt(m_strPath, offset, raw.data(), raw.size());
    std::vector<BarRecord> bars(kBlock);
    DecodeInto(raw, got, bars);
    m_blocks.emplace(block, std::move(bars));
}

const BarRecord& CIndicateBars::Get(std::uint32_t k) {
    if (m_pShown && k == m_nShownIndex) return *m_pShown;
    if (k >= m_nRangeFirst && k - m_nRangeFirst < m_arrRange.size())
        return m_arrRange[k - m_nRangeFirst];
    // Past the last complete record nothing is read (Compute checks bar i first).
    if (k >= m_nCount) return kNoBar;
    const std::uint32_t block = k / kBlock;
    auto it = m_blocks.find(block);
    if (it == m_blocks.end()) {
        LoadBlock(block);
        it = m_blocks.find(block);
    }
    return it->second[k % kBlock];
}
