#include "data/ForeignConversion.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "data/BarRecord.h"
#include "data/Endian.h"
#include "platform/Format.h"

namespace {

constexpr std::size_t kRecord401 = 60;
constexpr std::size_t kReadMore = 64u << 10;     // read on by this much to finish a line
constexpr std::size_t kPiece = 256u << 10;       // text read and parsed at a time
const char* const kNothingWritten = "未写入任何数据。";

// Reads `size` bytes at `offset`, fewer only at the end of the file; -1 on
// an error.
ssize_t ReadAt(int fd, char* buf, std::size_t size, std::uint64_t offset) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, buf + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

// The text of a file from `from`, read into `buf` as far as needed.
class CTextWindow {
public:
    CTextWindow(int fd, std::uint64_t from, std::vector<char>& buf)
        : m_fd(fd), m_nFrom(from), m_buf(buf) {}

    // At least `bytes` read (fewer at the end of the file); false on an error.
    bool Fill(std::size_t bytes) {
        if (bytes <= m_nHave || m_bEnd) return true;
        if (m_buf.size() < bytes) m_buf.resize(std::max(bytes, m_buf.size() * 2));
        const ssize_t n = ReadAt(m_fd, m_buf.data() + m_nHave, bytes - m_nHave, m_nFrom + m_nHave);
        if (n < 0) return false;
        m_nHave += static_cast<std::size_t>(n);
        m_bEnd = m_nHave < bytes;
        return true;
    }
    // The first newline at or after `at`, reading on as needed; npos at the
    // end of the file; false on an error.
    bool FindNewline(std::size_t at, std::size_t& nl) {
        for (;;) {
            if (at < m_nHave) {
                const void* p = std::memchr(m_buf.data() + at, '\n', m_nHave - at);
                if (p) {
                    nl = static_cast<std::size_t>(static_cast<const char*>(p) - m_buf.data());
                    return true;
                }
                at = m_nHave;
            }
            if (m_bEnd) {
                nl = std::string_view::npos;
                return true;
            }
            if (!Fill(m_nHave + kReadMore)) return false;
        }
    }
    std::size_t Have() const { return m_nHave; }
    const char* Data() const { return m_buf.data(); }

private:
    int m_fd;
    std::uint64_t m_nFrom;
    std::vector<char>& m_buf;
    std::size_t m_nHave = 0;
    bool m_bEnd = false;
};

}  // namespace

CForeignConversion::CForeignConversion(Kind kind, int fd, std::uint64_t size, std::string path,
                                       std::string symbol, std::stop_token stop,
                                       std::uint64_t stretch)
    : m_kind(kind),
      m_fd(fd),
      m_nSize(size),
      m_strPath(std::move(path)),
      m_strSymbol(std::move(symbol)),
      m_nStretch(std::max<std::uint64_t>(stretch, 1)),
      m_onStop(std::move(stop), [this] { m_stop.request_stop(); }) {
    m_nWorkers = kind == Kind::kText
                     ? static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 2u, 8u))
                     : 1;
    m_slots.resize(static_cast<std::size_t>(m_nWorkers * kSlotsPerWorker));
    try {
        for (int w = 0; w < m_nWorkers; ++w)
            m_workers.emplace_back([this, w] {
                if (m_kind == Kind::kText)
                    RunText(w, m_stop.get_token());
                else
                    Run401(m_stop.get_token());
                WorkerDone();
            });
    } catch (...) {
        // The workers started so far would wait for the others' blocks.
        m_stop.request_stop();
        for (auto& w : m_workers) w.join();
        throw;
    }
}

CForeignConversion::~CForeignConversion() {
    m_stop.request_stop();
    for (auto& w : m_workers) w.join();
}

ConvertedBlock* CForeignConversion::Next() {
    std::unique_lock lock(m_mutex);
    Slot& s = m_slots[m_nNext % m_slots.size()];
    m_cv.wait(lock, [&] {
        return (s.ready && s.index == m_nNext) || m_nWorkersDone == m_nWorkers;
    });
    if (!s.ready || s.index != m_nNext) return nullptr;
    s.ready = false;
    ++m_nNext;
    ConvertedBlock* b = &s.block;
    // Lines are counted from the start of the file.
    if (b->badLine)
        b->failure = CTextBars::Message(m_strPath, m_nLinesBefore + m_nLinesTaken + b->badLine,
                                        b->what);
    m_nLinesTaken += b->lines;
    // A stretch inside a long line ends before the line does.
    m_nDone = std::max(m_nDone, b->sourceDone);
    b->sourceDone = m_nDone;
    return b;
}

void CForeignConversion::Release(ConvertedBlock* block) {
    {
        std::lock_guard lock(m_mutex);
        for (Slot& s : m_slots)
            if (&s.block == block) s.free = true;
    }
    m_cv.notify_all();
}

ConvertedBlock* CForeignConversion::Take(std::uint64_t index, std::stop_token stop) {
    Slot& s = m_slots[index % m_slots.size()];
    {
        std::unique_lock lock(m_mutex);
        if (!m_cv.wait(lock, stop, [&] { return s.free; })) return nullptr;
        s.free = false;
    }
    ConvertedBlock& b = s.block;
    b.records.Clear();
    b.sourceDone = 0;
    b.last = false;
    b.failure.clear();
    b.lines = 0;
    b.badLine = 0;
    b.what.clear();
    return &b;
}

void CForeignConversion::Publish(std::uint64_t index) {
    {
        std::lock_guard lock(m_mutex);
        Slot& s = m_slots[index % m_slots.size()];
        s.index = index;
        s.ready = true;
    }
    m_cv.notify_all();
}

void CForeignConversion::WorkerDone() {
    {
        std::lock_guard lock(m_mutex);
        ++m_nWorkersDone;
    }
    m_cv.notify_all();
}

std::string CForeignConversion::Prefix() const {
    return "无法载入" + m_strPath + "：";
}

void CForeignConversion::Run401(std::stop_token stop) {
    ConvertedBlock* b = Take(0, stop);
    if (!b) return;
    unsigned char head[HistoryHeader::kSize];
    if (ReadAt(m_fd.get(), reinterpret_cast<char*>(head), sizeof head, 0) !=
        static_cast<ssize_t>(sizeof head)) {
        b->failure = Prefix() + "文件头不完整。" + kNothingWritten;
        return Publish(0);
    }
    std::memcpy(m_header.bytes.data(), head, sizeof head);
    le::Store<std::int32_t>(m_header.bytes.data(), 400);  // the records become 44 bytes
    m_header.SetPeriod(1);
    // Whole records, about a stretch of them, no more than the file holds.
    const std::uint64_t records =
        std::clamp<std::uint64_t>(std::min(m_nStretch, m_nSize) / kRecord401, 1, 1u << 20);
    std::vector<char> in(records * kRecord401);
    std::uint64_t index = 0;
    for (std::uint64_t k = 0;; ++k) {
        if (k > 0 && !(b = Take(k, stop))) return;
        const std::uint64_t offset = HistoryHeader::kSize + index * kRecord401;
        const ssize_t n = ReadAt(m_fd.get(), in.data(), in.size(), offset);
        if (n < 0) {
            b->failure = Prefix() + "读取失败（" + files::ErrorText(errno) + "）。" + kNothingWritten;
            return Publish(k);
        }
        const std::size_t whole = static_cast<std::size_t>(n) / kRecord401;
        b->records.Reserve(whole * BarRecord::kSize);
        unsigned char* const records = b->records.Append(whole * BarRecord::kSize);
        for (std::size_t i = 0; i < whole; ++i, ++index) {
            const auto* r = reinterpret_cast<const unsigned char*>(in.data()) + i * kRecord401;
            unsigned char* w = records + i * BarRecord::kSize;
            const auto time = le::Load<std::int64_t>(r);
            if (time <= 0 || time > 2147483647) {
                b->failure = Prefix() +
                             FormatString("第%llu条记录的时间超出1970年到2038年的范围。",
                                          static_cast<unsigned long long>(index + 1)) +
                             kNothingWritten;
                return Publish(k);
            }
            le::Store<std::int32_t>(w, static_cast<std::int32_t>(time));
            std::memcpy(w + 4, r + 8, 8);    // open
            std::memcpy(w + 12, r + 24, 8);  // low
            std::memcpy(w + 20, r + 16, 8);  // high
            std::memcpy(w + 28, r + 32, 8);  // close
            le::Store<double>(w + 36, static_cast<double>(le::Load<std::int64_t>(r + 40)));
        }
        b->sourceDone = HistoryHeader::kSize + index * kRecord401;
        b->last = static_cast<std::size_t>(n) < in.size();
        const bool last = b->last;
        Publish(k);
        if (last) return;
    }
}

void CForeignConversion::RunText(int worker, std::stop_token stop) {
    if (worker == 0) {
        le::Store<std::int32_t>(m_header.bytes.data(), 400);
        m_header.SetSymbol(m_strSymbol);
        m_header.SetPeriod(1);
        const bool found = FindLayout(stop);
        {
            std::lock_guard lock(m_mutex);
            m_bLayoutDone = true;
            m_bLayout = found;
        }
        m_cv.notify_all();
        if (!found) return;
    } else {
        std::unique_lock lock(m_mutex);
        if (!m_cv.wait(lock, stop, [&] { return m_bLayoutDone; }) || !m_bLayout) return;
    }
    ParseStretches(worker, stop);
}

// The lines up to the first with text, one by one: it sets the layout. What
// follows it (or the line itself, when it holds a bar) is cut into
// stretches. Without a layout, block 0 says why (or that there is nothing).
bool CForeignConversion::FindLayout(std::stop_token stop) {
    std::vector<char> buf;
    CTextWindow text(m_fd.get(), 0, buf);
    auto fail = [&](std::string message) {
        if (ConvertedBlock* b = Take(0, stop)) {
            b->failure = std::move(message);
            b->last = true;
            Publish(0);
        }
        return false;
    };
    auto readFailed = [&] {
        return fail(Prefix() + "读取失败（" + files::ErrorText(errno) + "）。" + kNothingWritten);
    };
    if (!text.Fill(3)) return readFailed();
    std::size_t at = text.Have() >= 3 && std::memcmp(text.Data(), "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    CRecordBuffer scratch;
    CTextBars probe(&scratch);
    std::uint64_t number = 0;
    // The end, and no line with text: nothing to import.
    auto nothing = [&] {
        if (ConvertedBlock* b = Take(0, stop)) {
            b->sourceDone = m_nSize;
            b->last = true;
            Publish(0);
        }
        return false;
    };
    for (;;) {
        if (stop.stop_requested()) return false;
        std::size_t nl;
        if (!text.FindNewline(at, nl)) return readFailed();
        const std::size_t end = nl == std::string_view::npos ? text.Have() : nl;
        if (at >= end && nl == std::string_view::npos) return nothing();
        if (!probe.Line(std::string_view(text.Data() + at, end - at), ++number))
            return fail(CTextBars::Message(m_strPath, number, probe.What()));
        if (probe.Started()) {
            const bool header = probe.HasHeader();
            std::lock_guard lock(m_mutex);
            m_layout = probe;
            m_nDataStart = header ? (nl == std::string_view::npos ? end : nl + 1) : at;
            m_nLinesBefore = header ? number : number - 1;
            m_nStretches = m_nSize > m_nDataStart
                               ? (m_nSize - m_nDataStart + m_nStretch - 1) / m_nStretch
                               : 0;
            break;
        }
        if (nl == std::string_view::npos) return nothing();  // a last line of blanks
        at = nl + 1;
    }
    return m_nStretches > 0 || nothing();
}

// Worker `w` parses stretches w, w + m_nWorkers, ...
void CForeignConversion::ParseStretches(int worker, std::stop_token stop) {
    CTextBars bars;
    std::uint64_t dataStart, stretches;
    {
        std::lock_guard lock(m_mutex);
        bars = m_layout;
        dataStart = m_nDataStart;
        stretches = m_nStretches;
    }
    std::vector<char> buf;
    for (std::uint64_t k = static_cast<std::uint64_t>(worker); k < stretches;
         k += static_cast<std::uint64_t>(m_nWorkers)) {
        ConvertedBlock* b = Take(k, stop);
        if (!b) return;
        const std::uint64_t begin = dataStart + k * m_nStretch;
        bars.SetOutput(&b->records);
        const bool ok = ParseStretch(bars, begin, std::min(m_nSize, begin + m_nStretch), k == 0, buf, *b);
        b->last = k + 1 == stretches;
        Publish(k);
        if (!ok) return;
    }
}

// The lines that start in the bytes from `begin` to `end` (the last of them
// may run past `end`), read a piece at a time so that each piece is parsed
// while it is in the cache. `atLine`: a line starts at `begin`.
bool CForeignConversion::ParseStretch(CTextBars& bars, std::uint64_t begin, std::uint64_t end,
                                      bool atLine, std::vector<char>& buf, ConvertedBlock& b) {
    const int fd = m_fd.get();
    auto readFailed = [&] {
        b.failure = Prefix() + "读取失败（" + files::ErrorText(errno) + "）。" + kNothingWritten;
        return false;
    };
    if (buf.size() < kPiece) buf.resize(kPiece);
    std::uint64_t base = begin;  // the offset of buf[0], a line's start once found
    std::size_t have = 0;
    bool eof = false;
    auto readMore = [&] {
        if (buf.size() < have + kPiece) buf.resize(std::max(buf.size() * 2, have + kPiece));
        const ssize_t n = ReadAt(fd, buf.data() + have, kPiece, base + have);
        if (n < 0) return false;
        have += static_cast<std::size_t>(n);
        eof = static_cast<std::size_t>(n) < kPiece;
        return true;
    };
    if (!atLine) {
        // The first line starts after the first newline from the byte before.
        base = begin - 1;
        for (;;) {
            const std::size_t seen = have;
            if (!readMore()) return readFailed();
            const std::size_t limit =
                static_cast<std::size_t>(std::min<std::uint64_t>(have, end - base));
            const void* nl =
                seen < limit ? std::memchr(buf.data() + seen, '\n', limit - seen) : nullptr;
            if (nl) {
                const std::size_t start =
                    static_cast<std::size_t>(static_cast<const char*>(nl) - buf.data()) + 1;
                std::memmove(buf.data(), buf.data() + start, have - start);
                have -= start;
                base += start;
                break;
            }
            if (have >= end - base || eof) {  // no line starts here
                b.sourceDone = end;
                return true;
            }
        }
        if (base >= end) {
            b.sourceDone = end;
            return true;
        }
    }
    std::uint64_t lines = 0;
    auto parse = [&](std::size_t bytes) {
        std::uint64_t n = 0;
        const bool ok = bars.Lines(std::string_view(buf.data(), bytes), &n);
        if (!ok) {
            b.badLine = lines + bars.BadLine();
            b.what = bars.What();
        }
        lines += n;
        return ok;
    };
    for (;;) {
        // The end of the stretch's last line, once it has been read.
        std::size_t cut = std::string_view::npos;
        if (base + have >= end) {
            const std::size_t from = end - 1 >= base ? static_cast<std::size_t>(end - 1 - base) : 0;
            if (const void* nl = std::memchr(buf.data() + from, '\n', have - from))
                cut = static_cast<std::size_t>(static_cast<const char*>(nl) - buf.data()) + 1;
        }
        if (cut == std::string_view::npos && eof) cut = have;
        if (cut != std::string_view::npos) {
            const bool ok = parse(cut);
            b.lines = lines;
            b.sourceDone = base + cut;
            return ok;
        }
        // The whole lines read so far.
        if (const void* nl = memrchr(buf.data(), '\n', have)) {
            const std::size_t whole =
                static_cast<std::size_t>(static_cast<const char*>(nl) - buf.data()) + 1;
            if (!parse(whole)) {
                b.lines = lines;
                return false;
            }
            std::memmove(buf.data(), buf.data() + whole, have - whole);
            have -= whole;
            base += whole;
        }
        if (!readMore()) return readFailed();
    }
}
