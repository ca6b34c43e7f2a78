#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// The 148-byte header of a history file. Only the symbol (offset 68, 12
// bytes, NUL-terminated when shorter) and the period in minutes (offset 80,
// int32) mean anything to the program; every other byte is carried unchanged
// into the derived files.
struct HistoryHeader {
    static constexpr std::size_t kSize = 148;
    static constexpr std::size_t kSymbolOffset = 68;
    static constexpr std::size_t kSymbolSize = 12;
    static constexpr std::size_t kPeriodOffset = 80;

    std::array<unsigned char, kSize> bytes{};

    // The symbol text: at most 12 bytes, up to the first NUL.
    std::string GetSymbol() const;
    void SetSymbol(const std::string& symbol);
    std::int32_t GetPeriod() const;
    void SetPeriod(std::int32_t minutes);
};
