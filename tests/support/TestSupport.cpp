#include "support/TestSupport.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tarvello-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    m_path = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

void WriteHst(const std::string& path, const std::string& symbol,
              const std::vector<BarRecord>& bars, std::size_t tail) {
    HistoryHeader header;
    for (std::size_t i = 0; i < header.bytes.size(); ++i)
        header.bytes[i] = static_cast<unsigned char>(i * 7 + 3);  // recognisable filler
    header.SetSymbol(symbol);
    header.SetPeriod(1);
    std::string bytes(header.bytes.begin(), header.bytes.end());
    for (const auto& bar : bars) {
        unsigned char raw[BarRecord::kSize];
        bar.Encode(raw);
        bytes.append(reinterpret_cast<char*>(raw), sizeof raw);
    }
    bytes.append(tail, '\x5a');
    WriteFileBytes(path, bytes);
}

std::vector<BarRecord> MakeBars(std::size_t count, double base) {
    std::vector<BarRecord> bars;
    for (std::size_t i = 0; i < count; ++i) {
        BarRecord b;
        b.time = 1104537600 + static_cast<int>(i) * 60;
        double wave = static_cast<double>((i * 37) % 101) / 10000.0;
        b.open = base + wave;
        b.close = base + wave + ((i % 3) - 1) * 0.0002;
        b.low = std::min(b.open, b.close) - 0.0001 * static_cast<double>(1 + i % 5);
        b.high = std::max(b.open, b.close) + 0.0001 * static_cast<double>(1 + i % 7);
        b.volume = static_cast<double>(10 + i % 13);
        bars.push_back(b);
    }
    return bars;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

void FakePort::MessageBox(const std::string& text) {
    m_arrMessages.push_back(text);
    if (m_onMessage) m_onMessage(text);
}

std::optional<std::string> FakePort::ChooseOpenFile(const std::string& filter,
                                                    const std::string&) {
    m_arrFilters.push_back(filter);
    if (m_queueFiles.empty()) return std::nullopt;
    auto answer = m_queueFiles.front();
    m_queueFiles.pop_front();
    return answer;
}

void FakePort::PostToUi(std::function<void()> call) {
    std::lock_guard lock(m_mutex);
    m_posted.push_back(std::move(call));
}

int FakePort::Drain() {
    int ran = 0;
    for (;;) {
        std::function<void()> call;
        {
            std::lock_guard lock(m_mutex);
            if (m_posted.empty()) break;
            call = std::move(m_posted.front());
            m_posted.pop_front();
        }
        call();
        ++ran;
    }
    return ran;
}
