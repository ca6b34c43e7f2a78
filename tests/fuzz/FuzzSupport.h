#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

// A scratch folder for one fuzzing process, removed at its exit.
class FuzzScratch {
public:
    FuzzScratch() {
        char tmpl[] = "/tmp/tarvello-fuzz-XXXXXX";
        if (::mkdtemp(tmpl)) m_path = tmpl;
    }
    ~FuzzScratch() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

inline void WriteBytes(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}
