#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

// Little-endian stores and loads for the history file layout.
namespace le {

template <typename T>
inline void Store(unsigned char* out, T value) {
    static_assert(sizeof(T) == 4 || sizeof(T) == 8);
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, &value, sizeof(T));
    } else {
        unsigned char tmp[sizeof(T)];
        std::memcpy(tmp, &value, sizeof(T));
        for (std::size_t i = 0; i < sizeof(T); ++i) out[i] = tmp[sizeof(T) - 1 - i];
    }
}

template <typename T>
inline T Load(const unsigned char* in) {
    static_assert(sizeof(T) == 4 || sizeof(T) == 8);
    T value;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&value, in, sizeof(T));
    } else {
        unsigned char tmp[sizeof(T)];
        for (std::size_t i = 0; i < sizeof(T); ++i) tmp[i] = in[sizeof(T) - 1 - i];
        std::memcpy(&value, tmp, sizeof(T));
    }
    return value;
}

}  // namespace le
