#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>

// Bytes of records written in place into room reserved ahead, without the
// zero fill a growing vector would do first.
class CRecordBuffer {
public:
    // Room for `bytes` more; what is there stays.
    void Reserve(std::size_t bytes) {
        if (m_nSize + bytes <= m_nCapacity) return;
        const std::size_t capacity = std::max(m_nSize + bytes, m_nCapacity * 2);
        auto grown = std::make_unique_for_overwrite<unsigned char[]>(capacity);
        if (m_nSize) std::memcpy(grown.get(), m_data.get(), m_nSize);
        m_data = std::move(grown);
        m_nCapacity = capacity;
    }
    // The next `bytes`, within the reserved room, to be written now.
    unsigned char* Append(std::size_t bytes) {
        unsigned char* at = m_data.get() + m_nSize;
        m_nSize += bytes;
        return at;
    }
    void Clear() { m_nSize = 0; }

    const unsigned char* data() const { return m_data.get(); }
    std::size_t size() const { return m_nSize; }
    bool empty() const { return m_nSize == 0; }

private:
    std::unique_ptr<unsigned char[]> m_data;
    std::size_t m_nSize = 0;
    std::size_t m_nCapacity = 0;
};
