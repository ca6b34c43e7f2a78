#include "trade/LotSize.h"

#include <cstdlib>

#include "platform/Format.h"

bool ParseLotSize(const std::string& text, double* lots) {
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t') ++begin;
    // Plain decimals only: strtod would also take hexadecimal and "inf".
    if (*begin == '\0' || text.find_first_of("xXnN") != std::string::npos) return false;
    char* end = nullptr;
    const double value = std::strtod(begin, &end);
    while (*end == ' ' || *end == '\t') ++end;
    if (end == begin || *end != '\0') return false;
    if (!(value >= kMinLots && value <= kMaxLots)) return false;
    if (std::strtod(FormatString("%.1f", value).c_str(), nullptr) != value) return false;
    *lots = value;
    return true;
}

std::string LotRangeMessage() {
    return FormatString("手数必须在%g到%g之间,最多一位小数!", kMinLots, kMaxLots);
}
