#include "data/SourceFormats.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <thread>
#include <vector>

#include "data/BarRecord.h"
#include "data/Endian.h"
#include "data/HistoryHeader.h"
#include "data/SourceCheck.h"
#include "data/TextFields.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/Process.h"

namespace {

using namespace textfields;

constexpr std::size_t kRecord401 = 60;
constexpr std::size_t kBlock = 8u << 20;

std::string Prefix(const std::string& path) {
    return "无法载入" + path + "：";
}
const char* const kNothingWritten = "未写入任何数据。";

class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    void Reset(int fd) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = fd;
    }
    bool Close() {
        int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

// Reads what there is up to `size` bytes; -1 on an error.
ssize_t ReadFull(int fd, unsigned char* buf, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        ssize_t n = ::read(fd, buf + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

bool WriteFull(int fd, const unsigned char* buf, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, buf, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        buf += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The output file: a 44-byte history written in blocks.
class CHistoryWriter {
public:
    bool Open(const std::string& path, const HistoryHeader& header) {
        m_fd.Reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (m_fd.get() < 0) return Fail();
        m_buf.reserve(kBlock + BarRecord::kSize);
        m_buf.assign(header.bytes.begin(), header.bytes.end());
        return true;
    }
    void Add(std::int32_t time, double open, double low, double high, double close, double volume) {
        const std::size_t at = m_buf.size();
        m_buf.resize(at + BarRecord::kSize);
        unsigned char* r = m_buf.data() + at;
        le::Store<std::int32_t>(r, time);
        le::Store<double>(r + 4, open);
        le::Store<double>(r + 12, low);
        le::Store<double>(r + 20, high);
        le::Store<double>(r + 28, close);
        le::Store<double>(r + 36, volume);
        ++m_nRecords;
    }
    bool FlushIfFull() { return m_buf.size() < kBlock || Flush(); }
    // Records encoded elsewhere, written after what is buffered.
    bool Write(const std::vector<unsigned char>& records) {
        if (!Flush()) return false;
        if (!WriteFull(m_fd.get(), records.data(), records.size())) return Fail();
        m_nRecords += records.size() / BarRecord::kSize;
        return true;
    }
    bool Finish() { return Flush() && (m_fd.Close() || Fail()); }
    std::uint64_t Records() const { return m_nRecords; }
    int Error() const { return m_nError; }

private:
    bool Flush() {
        if (!WriteFull(m_fd.get(), m_buf.data(), m_buf.size())) return Fail();
        m_buf.clear();
        return true;
    }
    bool Fail() {
        m_nError = errno ? errno : EIO;
        return false;
    }
    Fd m_fd;
    std::vector<unsigned char> m_buf;
    std::uint64_t m_nRecords = 0;
    int m_nError = 0;
};

HistoryHeader NativeHeader(const std::string& symbol) {
    HistoryHeader header;
    le::Store<std::int32_t>(header.bytes.data(), 400);
    header.SetSymbol(symbol);
    header.SetPeriod(1);
    return header;
}

SourceConversion WriteFailed(const std::string& sourcePath, int err) {
    return {false, Prefix(sourcePath) + "转换时无法写入临时文件（" + files::ErrorText(err) +
                       "）。" + kNothingWritten};
}

SourceConversion Cancelled() {
    return {false, ""};
}


void AppendRecord(std::vector<unsigned char>& out, std::int32_t time, double open, double low,
                  double high, double close, double volume) {
    unsigned char r[BarRecord::kSize];
    le::Store<std::int32_t>(r, time);
    le::Store<double>(r + 4, open);
    le::Store<double>(r + 12, low);
    le::Store<double>(r + 20, high);
    le::Store<double>(r + 28, close);
    le::Store<double>(r + 36, volume);
    out.insert(out.end(), r, r + BarRecord::kSize);  // within the reserved room
}

// The lines of a text file of bars. The first line that is not empty sets
// the layout; after that a copy can parse another stretch of lines into
// records of its own, so that two threads share the work.
class CTextBars {
public:
    explicit CTextBars(std::vector<unsigned char>* out) : m_pOut(out) {}

    bool Started() const { return m_sep != 0; }
    void SetOutput(std::vector<unsigned char>* out) { m_pOut = out; }

    // One line (without its newline), `number` counted from 1 where the
    // failure is reported.
    bool Line(std::string_view line, std::uint64_t number) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!Started() && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
        if (line.find_first_not_of(" \t") == std::string_view::npos) return true;
        if (!Started()) {
            if (!Start(line, number)) return false;
            if (m_bHeader) return true;
        }
        Split(line, m_sep, m_fields);
        if (static_cast<int>(m_fields.size()) < m_cols.Needed())
            return Bad(number, "只有" + std::to_string(m_fields.size()) + "列");
        std::int64_t t;
        const bool separate = m_cols.time >= 0;
        if (!ParseMoment(m_fields[m_cols.date], separate ? m_fields[m_cols.time] : "", separate, t))
            return Bad(number, "日期或时间\"" + std::string(m_fields[m_cols.date]) +
                                   (separate ? " " + std::string(m_fields[m_cols.time]) : "") +
                                   "\"无法识别");
        double o, h, l, c, v = 0;
        if (!ParseNumber(m_fields[m_cols.open], o, m_bDecimalComma) ||
            !ParseNumber(m_fields[m_cols.high], h, m_bDecimalComma) ||
            !ParseNumber(m_fields[m_cols.low], l, m_bDecimalComma) ||
            !ParseNumber(m_fields[m_cols.close], c, m_bDecimalComma))
            return Bad(number, "价格不是数字");
        if (m_cols.volume >= 0 && m_cols.volume < static_cast<int>(m_fields.size()) &&
            !m_fields[m_cols.volume].empty() &&
            !ParseNumber(m_fields[m_cols.volume], v, m_bDecimalComma))
            return Bad(number, "成交量不是数字");
        // The record keeps the low before the high.
        AppendRecord(*m_pOut, static_cast<std::int32_t>(t), o, l, h, c, v);
        return true;
    }

    // Every line of `text`, the last one with or without its newline,
    // numbered from 1; `*lines` is how many there were (up to a failure).
    bool Lines(std::string_view text, std::uint64_t* lines) {
        // Room for the records of the shortest lines ("YYYYMMDD,o,h,l,c"),
        // so that the output never moves while it grows.
        m_pOut->reserve(m_pOut->size() + (text.size() / 16 + 1) * BarRecord::kSize);
        std::uint64_t n = 0;
        for (std::size_t b = 0; b < text.size();) {
            std::size_t e = text.find('\n', b);
            if (e == std::string_view::npos) e = text.size();
            if (!Line(text.substr(b, e - b), ++n)) break;
            b = e + 1;
        }
        *lines = n;
        return m_strWhat.empty();
    }

    // The failure, with the line numbered in the whole file.
    std::string Message(const std::string& path, std::uint64_t number) const {
        return Prefix(path) +
               FormatString("第%llu行不能读作一分钟数据（",
                            static_cast<unsigned long long>(number)) +
               m_strWhat + "）。" + kNothingWritten;
    }
    std::uint64_t BadLine() const { return m_nBadLine; }

private:
    // The first line that is not empty decides the separator, whether there
    // is a header row and where the columns are.
    bool Start(std::string_view line, std::uint64_t number) {
        m_sep = ChooseSeparator(line);
        if (m_sep == 0) return Bad(number, "没有逗号、分号或制表符分隔的列");
        m_bDecimalComma = m_sep != ',';
        Split(line, m_sep, m_fields);
        if (m_fields.empty() || m_fields[0].empty() || !IsDigit(m_fields[0][0])) {
            if (!ColumnsFromHeader(m_fields, m_cols))
                return Bad(number, "标题行缺少日期、开盘、最高、最低或收盘列");
            m_bHeader = true;
            return true;
        }
        // Without a header: date [time] open high low close [volume].
        const int first = HoldsTime(m_fields[0]) ? 1 : 2;
        m_cols.date = 0;
        m_cols.time = first == 2 ? 1 : -1;
        m_cols.open = first;
        m_cols.high = first + 1;
        m_cols.low = first + 2;
        m_cols.close = first + 3;
        m_cols.volume = first + 4;
        return true;
    }

    bool Bad(std::uint64_t number, const std::string& what) {
        m_nBadLine = number;
        m_strWhat = what;
        return false;
    }

    std::vector<unsigned char>* m_pOut;
    char m_sep = 0;
    bool m_bDecimalComma = false;
    bool m_bHeader = false;
    Columns m_cols;
    std::vector<std::string_view> m_fields;
    std::uint64_t m_nBadLine = 0;
    std::string m_strWhat;
};

const char* const kKnownCodes[] = {"USD", "EUR", "JPY", "GBP", "CHF", "AUD", "NZD", "CAD", "CNH",
                                   "CNY", "HKD", "SGD", "SEK", "NOK", "DKK", "PLN", "HUF", "CZK",
                                   "TRY", "ZAR", "MXN", "RUB", "INR", "KRW", "THB", "XAU", "XAG",
                                   "XPT", "XPD", "BTC", "ETH", "ILS", "BRL", "TWD"};

bool IsKnownCode(const std::string& s, std::size_t at) {
    for (const char* code : kKnownCodes)
        if (s.compare(at, 3, code) == 0) return true;
    return false;
}

std::string ProgressOfText(std::uint64_t read, std::uint64_t length) {
    const double percent =
        length ? static_cast<double>(read) * 100.0 / static_cast<double>(length) : 100.0;
    return FormatString("转换: FileSize=%dKbyte,ReadSize=%dKbyte,%.0f%c",
                        static_cast<int>(length >> 10), static_cast<int>(read >> 10),
                        percent > 99.9 ? 100.0 : percent, '%');
}

std::atomic<unsigned> g_nConversion{0};
constexpr char kConvertPrefix[] = ".convert-";

// Conversions of processes that were killed leave their temporary behind.
void RemoveDeadConversions(const std::string& folder) {
    for (const auto& entry : files::ListFolder(folder)) {
        if (entry.isFolder || entry.name.rfind(kConvertPrefix, 0) != 0) continue;
        const long pid = std::strtol(entry.name.c_str() + sizeof kConvertPrefix - 1, nullptr, 10);
        if (pid > 0 && pid != process::CurrentId() && !process::IsRunning(pid, 0))
            std::remove((folder + "/" + entry.name).c_str());
    }
}

}  // namespace

SourceLayout DetectSourceLayout(const unsigned char* head, std::size_t got, std::uint64_t length) {
    if (got >= 4 && length >= HistoryHeader::kSize &&
        le::Load<std::int32_t>(head) == kHistoryVersion401 &&
        LooksLike60ByteRecords(head, got, length))
        return SourceLayout::kHistory401;
    // Text: no NUL and no control byte but tab, CR and LF, and a digit in
    // what was read.
    if (got == 0) return SourceLayout::kHistory;
    bool digit = false;
    for (std::size_t i = 0; i < got; ++i) {
        const unsigned char c = head[i];
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') return SourceLayout::kHistory;
        if (c == 0x7F) return SourceLayout::kHistory;
        digit = digit || IsDigit(static_cast<char>(c));
    }
    return digit ? SourceLayout::kText : SourceLayout::kHistory;
}

std::string SymbolFromFileName(const std::string& path, bool* known) {
    std::string name = std::filesystem::path(path).filename().string();
    if (auto dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.resize(dot);
    std::vector<std::string> tokens;
    std::string cur;
    for (char c : name + '_') {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            cur += c;
        } else if (!cur.empty()) {
            tokens.push_back(cur);
            cur.clear();
        }
    }
    for (auto& t : tokens) {
        std::string up;
        for (char c : t) up += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        while (!up.empty() && IsDigit(up.back())) up.pop_back();  // "EURUSD1", "EURUSD60"
        if (up.size() == 6 &&
            std::all_of(up.begin(), up.end(),
                        [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }) &&
            (IsKnownCode(up, 0) || IsKnownCode(up, 3))) {
            if (known) *known = true;
            return up;
        }
    }
    if (known) *known = false;
    for (auto t : tokens) {
        if (std::none_of(t.begin(), t.end(),
                         [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }))
            continue;
        while (IsDigit(t.back())) t.pop_back();
        if (t.size() > HistoryHeader::kSymbolSize) t.resize(HistoryHeader::kSymbolSize);
        return t;
    }
    return "";
}

SourceConversion ConvertHistory401(const std::string& sourcePath, const std::string& outPath,
                                   std::stop_token stop, const ImportProgressFn& progress) {
    files::OpenedFile opened = files::OpenRegularForRead(sourcePath);
    if (opened.result != files::OpenResult::kOk)
        return {false, Prefix(sourcePath) + "文件无法打开。"};
    Fd in(opened.fd);
    std::vector<unsigned char> block(kBlock / kRecord401 * kRecord401);
    unsigned char head[HistoryHeader::kSize];
    if (ReadFull(in.get(), head, sizeof head) != static_cast<ssize_t>(sizeof head))
        return {false, Prefix(sourcePath) + "文件头不完整。" + kNothingWritten};
    HistoryHeader header;
    std::memcpy(header.bytes.data(), head, sizeof head);
    le::Store<std::int32_t>(header.bytes.data(), 400);  // the records become 44 bytes
    header.SetPeriod(1);
    CHistoryWriter out;
    if (!out.Open(outPath, header)) return WriteFailed(sourcePath, out.Error());
    std::uint64_t index = 0;
    for (;;) {
        if (stop.stop_requested()) return Cancelled();
        ssize_t n = ReadFull(in.get(), block.data(), block.size());
        if (n < 0)
            return {false, Prefix(sourcePath) + "读取失败（" + files::ErrorText(errno) + "）。" +
                               kNothingWritten};
        const std::size_t whole = static_cast<std::size_t>(n) / kRecord401;
        for (std::size_t i = 0; i < whole; ++i, ++index) {
            const unsigned char* r = block.data() + i * kRecord401;
            const auto time = le::Load<std::int64_t>(r);
            if (time <= 0 || time > 2147483647)
                return {false, Prefix(sourcePath) +
                                   FormatString("第%llu条记录的时间超出1970年到2038年的范围。",
                                                static_cast<unsigned long long>(index + 1)) +
                                   kNothingWritten};
            const double open = le::Load<double>(r + 8), high = le::Load<double>(r + 16),
                         low = le::Load<double>(r + 24), close = le::Load<double>(r + 32);
            const double volume = static_cast<double>(le::Load<std::int64_t>(r + 40));
            out.Add(static_cast<std::int32_t>(time), open, low, high, close, volume);
        }
        if (!out.FlushIfFull()) return WriteFailed(sourcePath, out.Error());
        if (progress) progress(ProgressOfText(index * kRecord401, opened.size));
        if (static_cast<std::size_t>(n) < block.size()) break;
    }
    if (!out.Finish()) return WriteFailed(sourcePath, out.Error());
    return {true, ""};
}

SourceConversion ConvertTextBars(const std::string& sourcePath, const std::string& outPath,
                                 const std::string& symbol, std::stop_token stop,
                                 const ImportProgressFn& progress) {
    files::OpenedFile opened = files::OpenRegularForRead(sourcePath);
    if (opened.result != files::OpenResult::kOk)
        return {false, Prefix(sourcePath) + "文件无法打开。"};
    Fd in(opened.fd);
    CHistoryWriter out;
    if (!out.Open(outPath, NativeHeader(symbol))) return WriteFailed(sourcePath, out.Error());
    std::vector<unsigned char> first, second;
    CTextBars bars(&first);
    std::vector<char> buf(2 * kBlock);
    std::size_t kept = 0;      // bytes of an unfinished line at the start of buf
    std::uint64_t number = 0;  // lines before buf
    std::uint64_t read = 0;
    for (;;) {
        if (stop.stop_requested()) return Cancelled();
        if (kept == buf.size()) buf.resize(buf.size() * 2);  // a very long line
        ssize_t n = ReadFull(in.get(), reinterpret_cast<unsigned char*>(buf.data() + kept),
                             buf.size() - kept);
        if (n < 0)
            return {false, Prefix(sourcePath) + "读取失败（" + files::ErrorText(errno) + "）。" +
                               kNothingWritten};
        read += static_cast<std::uint64_t>(n);
        const std::size_t end = kept + static_cast<std::size_t>(n);
        const bool last = n == 0 || end < buf.size();
        std::string_view text(buf.data(), end);
        // Whole lines only, but at the end of the file.
        std::size_t cut = end;
        if (!last) {
            const std::size_t nl = text.rfind('\n');
            cut = nl == std::string_view::npos ? 0 : nl + 1;
        }
        std::size_t b = 0;
        // The lines up to the first with text set the layout, one by one.
        while (!bars.Started() && b < cut) {
            std::size_t e = text.find('\n', b);
            if (e == std::string_view::npos || e > cut) e = cut;
            if (!bars.Line(text.substr(b, e - b), ++number))
                return {false, bars.Message(sourcePath, number)};
            b = e + 1;
        }
        if (b < cut) {
            // Two halves, split at a line's end, parsed at the same time.
            std::size_t mid = cut;
            if (cut - b > (64u << 10)) {
                const std::size_t nl = text.find('\n', b + (cut - b) / 2);
                mid = nl == std::string_view::npos || nl >= cut ? cut : nl + 1;
            }
            CTextBars other = bars;
            other.SetOutput(&second);
            std::uint64_t linesA = 0, linesB = 0;
            bool okB = true;
            std::thread worker;
            if (mid < cut)
                worker =
                    std::thread([&] { okB = other.Lines(text.substr(mid, cut - mid), &linesB); });
            const bool okA = bars.Lines(text.substr(b, mid - b), &linesA);
            if (worker.joinable()) worker.join();
            if (!okA) return {false, bars.Message(sourcePath, number + bars.BadLine())};
            if (!okB) return {false, other.Message(sourcePath, number + linesA + other.BadLine())};
            number += linesA + linesB;
        }
        if (!out.Write(first) || !out.Write(second)) return WriteFailed(sourcePath, out.Error());
        first.clear();
        second.clear();
        if (last) break;
        kept = end - cut;
        std::memmove(buf.data(), buf.data() + cut, kept);
        if (progress) progress(ProgressOfText(read, opened.size));
    }
    if (!out.Finish()) return WriteFailed(sourcePath, out.Error());
    return {true, ""};
}

ImportResult ImportHistorySource(const std::string& sourcePath, const std::string& historyFolder,
                                 const ImportProgressFn& progress, std::stop_token stop,
                                 const std::string& symbol) {
    SourceLayout layout = SourceLayout::kHistory;
    {
        files::OpenedFile opened = files::OpenRegularForRead(sourcePath);
        if (opened.result == files::OpenResult::kOk) {
            Fd in(opened.fd);
            unsigned char head[4096];
            ssize_t got = ReadFull(in.get(), head, sizeof head);
            if (got > 0)
                layout = DetectSourceLayout(head, static_cast<std::size_t>(got), opened.size);
        }
    }
    // Anything that is not a foreign layout, and every file that cannot be
    // opened or is no regular file, gets the native import and its answers.
    if (layout == SourceLayout::kHistory)
        return BuildPeriodFiles(sourcePath, historyFolder, progress, stop);

    ImportResult result;
    std::string pair = symbol;
    if (layout == SourceLayout::kText) {
        if (pair.empty()) pair = SymbolFromFileName(sourcePath);
        if (!IsUsableSymbol(pair) || pair.size() > HistoryHeader::kSymbolSize) {
            result.status = ImportResult::Status::kBadSymbol;
            result.symbol = pair;
            result.message = Prefix(sourcePath) +
                             "无法从文件名得出货币名称，请给出货币名称（最多12个字节）。" +
                             kNothingWritten;
            return result;
        }
    }
    // The temporary sits beside the history folder, on the same disk.
    // (or in the system's temporary folder while there is none: a refused
    // file leaves no history folder behind).
    std::string base = historyFolder.substr(0, historyFolder.size() - 1);
    if (!files::IsWritableFolder(base)) base = std::filesystem::temp_directory_path().string();
    RemoveDeadConversions(base);
    const std::string temp =
        base + "/" + kConvertPrefix +
        FormatString("%ld-%u.hst", process::CurrentId(), g_nConversion.fetch_add(1));
    SourceConversion conv = layout == SourceLayout::kHistory401
                                ? ConvertHistory401(sourcePath, temp, stop, progress)
                                : ConvertTextBars(sourcePath, temp, pair, stop, progress);
    if (!conv.ok) {
        std::remove(temp.c_str());
        result.status = stop.stop_requested() ? ImportResult::Status::kCancelled
                                              : ImportResult::Status::kBadSource;
        result.message = conv.message;
        return result;
    }
    result = BuildPeriodFiles(temp, historyFolder, progress, stop);
    std::remove(temp.c_str());
    // The user chose the source, not the temporary.
    for (std::size_t at; (at = result.message.find(temp)) != std::string::npos;)
        result.message.replace(at, temp.size(), sourcePath);
    return result;
}
