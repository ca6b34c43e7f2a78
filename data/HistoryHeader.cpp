#include "data/HistoryHeader.h"

#include <algorithm>
#include <cstring>

#include "data/Endian.h"

std::string HistoryHeader::GetSymbol() const {
    const auto* begin = reinterpret_cast<const char*>(bytes.data() + kSymbolOffset);
    const char* end = std::find(begin, begin + kSymbolSize, '\0');
    return std::string(begin, end);
}

void HistoryHeader::SetSymbol(const std::string& symbol) {
    std::memset(bytes.data() + kSymbolOffset, 0, kSymbolSize);
    std::memcpy(bytes.data() + kSymbolOffset, symbol.data(), std::min(symbol.size(), kSymbolSize));
}

std::int32_t HistoryHeader::GetPeriod() const {
    return le::Load<std::int32_t>(bytes.data() + kPeriodOffset);
}

void HistoryHeader::SetPeriod(std::int32_t minutes) {
    le::Store(bytes.data() + kPeriodOffset, minutes);
}
