#include "data/SourceCheck.h"

#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

#include "data/BarRecord.h"
#include "data/HistoryHeader.h"
#include "platform/Files.h"
#include "platform/Format.h"

namespace {

// Length of the UTF-8 sequence of a printable character at `s`, 0 when there
// is none.
std::size_t PrintableCharAt(const std::string& s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) return (c >= 0x20 && c != 0x7F) ? 1 : 0;
    std::size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    std::uint32_t cp = c & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        const auto cc = static_cast<unsigned char>(s[i + k]);
        if ((cc & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    // Overlong forms, surrogates, C1 controls and code points past U+10FFFF
    // are not text.
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF) || (cp >= 0x80 && cp < 0xA0))
        return 0;
    return n;
}

std::string Prefix(const std::string& path) {
    return "无法载入" + path + "：";
}

const char* const kNothingWritten = "未写入任何数据。";

}  // namespace

// Files of 44-byte records have been written with 401 in the version field
// (by earlier versions of this program's sample writer among others), so the
// version alone does not decide: the records must also fit the 60-byte
// layout, whose first field is a 64-bit time.
bool LooksLike60ByteRecords(const unsigned char* data, std::size_t got, std::uint64_t length) {
    constexpr std::size_t kRecord60 = 60;
    const std::uint64_t body = length - HistoryHeader::kSize;
    if (body == 0 || body % kRecord60 != 0) return false;
    if (got < HistoryHeader::kSize + kRecord60) return true;  // too little to tell
    const unsigned char* r = data + HistoryHeader::kSize;
    const auto time = le::Load<std::int64_t>(r);
    // Open, high, low, close: the high before the low in this layout. A time
    // past 2038 still marks the layout (the conversion refuses it by name);
    // 44-byte records read this way give times far beyond 2^40.
    const double open = le::Load<double>(r + 8), high = le::Load<double>(r + 16),
                 low = le::Load<double>(r + 24), close = le::Load<double>(r + 32);
    return time > 0 && time < (std::int64_t{1} << 40) && open > 0 && close > 0 && low > 0 &&
           low <= high && std::isfinite(open) && std::isfinite(close) && std::isfinite(high);
}

bool IsUsableSymbol(const std::string& symbol) {
    if (symbol.empty() || symbol == "." || symbol == "..") return false;
    for (std::size_t i = 0; i < symbol.size();) {
        std::size_t n = PrintableCharAt(symbol, i);
        if (n == 0 || symbol[i] == '/' || symbol[i] == '\\') return false;
        i += n;
    }
    return true;
}

std::string PrintableSymbol(const std::string& symbol) {
    std::string out;
    for (std::size_t i = 0; i < symbol.size();) {
        std::size_t n = PrintableCharAt(symbol, i);
        if (n == 0) {
            out += FormatString("\\x%02X", static_cast<unsigned char>(symbol[i]));
            ++i;
        } else {
            out.append(symbol, i, n);
            i += n;
        }
    }
    return out;
}

std::string Version401RejectionMessage(const std::string& path) {
    return Prefix(path) +
           "这是401版的历史数据文件（每条记录60字节）；只能载入400版、每条记录44字节的一分钟"
           "数据。" +
           kNothingWritten;
}

std::string SourceFaultMessage(const std::string& path, const SourceFault& fault,
                               RecordSource from) {
    using Kind = SourceFault::Kind;
    switch (fault.kind) {
        case Kind::kNone:
            return "";
        case Kind::kCannotOpen:
            return Prefix(path) + "文件无法打开（" + files::ErrorText(fault.error) + "）。";
        case Kind::kNotRegular:
            return Prefix(path) + "它不是普通文件（而是命名管道、设备或文件夹）。" +
                   kNothingWritten;
        case Kind::kHeaderCut:
            return Prefix(path) +
                   FormatString("文件头不完整（文件只有%llu字节，文件头需要148字节）。",
                                static_cast<unsigned long long>(fault.length)) +
                   kNothingWritten;
        case Kind::kVersion401:
            return Version401RejectionMessage(path);
        case Kind::kBadSymbol:
            return Prefix(path) + "文件头中的货币名称\"" + PrintableSymbol(fault.symbol) +
                   "\"不能用作文件夹名（为空、为\".\"或\"..\"，或含有/、\\、控制字符等非文字字节"
                   "）。" +
                   kNothingWritten;
        case Kind::kNoRecord:
            return Prefix(path) +
                   FormatString("文件头之后没有一条完整的记录（文件共%llu字节，每条记录44字节）。",
                                static_cast<unsigned long long>(fault.length)) +
                   kNothingWritten;
        case Kind::kBadRecord: {
            const auto number = static_cast<unsigned long long>(fault.record + 1);
            const std::string place =
                from == RecordSource::kTextLines
                    ? FormatString("第%llu根K线", number)
                    : FormatString("从文件第%llu字节起",
                                   static_cast<unsigned long long>(
                                       HistoryHeader::kSize +
                                       fault.record * (from == RecordSource::kHistory60
                                                           ? 60
                                                           : BarRecord::kSize)));
            return Prefix(path) +
                   FormatString("第%llu条记录（", number) + place + "）不是一分钟数据：" +
                   fault.what + "。" + kNothingWritten;
        }
    }
    return "";
}

SourceFault CSourceCheck::CheckHeader(const unsigned char* header, std::size_t got,
                                      std::uint64_t length) {
    SourceFault f;
    f.length = length;
    if (got < HistoryHeader::kSize || length < HistoryHeader::kSize) {
        f.kind = SourceFault::Kind::kHeaderCut;
        f.length = std::min<std::uint64_t>(length, got);
        return f;
    }
    if (le::Load<std::int32_t>(header) == kHistoryVersion401 &&
        LooksLike60ByteRecords(header, got, length)) {
        f.kind = SourceFault::Kind::kVersion401;
        return f;
    }
    HistoryHeader h;
    std::copy(header, header + HistoryHeader::kSize, h.bytes.begin());
    f.symbol = h.GetSymbol();
    if (!IsUsableSymbol(f.symbol)) {
        f.kind = SourceFault::Kind::kBadSymbol;
        return f;
    }
    if (length < HistoryHeader::kSize + BarRecord::kSize) {
        f.kind = SourceFault::Kind::kNoRecord;
        return f;
    }
    return SourceFault{};
}

// A double is above 0 and finite when its bit pattern x is 1 .. 0x7FEF...F:
// y = x - 1 then has its top bit clear, and so has y + 2^52 + 1 (which sets
// it from the pattern of infinity on). For two such doubles the difference of
// the patterns has the sign of the difference of the values.
bool CSourceCheck::AllGood(const unsigned char* data, std::size_t count) const {
    constexpr std::uint64_t kStep = (std::uint64_t{1} << 52) + 1;
    std::int64_t last = m_nLastTime;
    std::uint64_t bad = 0;
    if constexpr (std::endian::native == std::endian::little) {
        // Two prices at a time: (open, low) at 4, (high, close) at 20.
        typedef std::uint64_t Pair __attribute__((vector_size(16)));
        const Pair one = {1, 1}, step = {kStep, kStep};
        Pair acc = {0, 0};
        for (std::size_t i = 0; i < count; ++i) {
            const unsigned char* r = data + i * BarRecord::kSize;
            Pair a, b;
            std::memcpy(&a, r + 4, 16);
            std::memcpy(&b, r + 20, 16);
            a -= one;
            b -= one;
            acc |= a | (a + step) | b | (b + step);
            const std::int64_t time = le::Load<std::int32_t>(r);
            // Unsigned: the sign bit of the wrapped difference is that of the
            // true one for two positive prices (others fail above anyway).
            bad |= static_cast<std::uint64_t>(time - last) |
                   (le::Load<std::uint64_t>(r + 20) - le::Load<std::uint64_t>(r + 12));
            last = time;
        }
        bad |= acc[0] | acc[1];
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            const unsigned char* r = data + i * BarRecord::kSize;
            for (int off : {4, 12, 20, 28}) {
                const std::uint64_t y = le::Load<std::uint64_t>(r + off) - 1;
                bad |= y | (y + kStep);
            }
            const std::int64_t time = le::Load<std::int32_t>(r);
            // Unsigned: the sign bit of the wrapped difference is that of the
            // true one for two positive prices (others fail above anyway).
            bad |= static_cast<std::uint64_t>(time - last) |
                   (le::Load<std::uint64_t>(r + 20) - le::Load<std::uint64_t>(r + 12));
            last = time;
        }
    }
    return (bad >> 63) == 0;
}

void CSourceCheck::FindFault(const unsigned char* data, std::size_t count) {
    std::int32_t last = m_nLastTime;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* r = data + i * BarRecord::kSize;
        const BarRecord b = BarRecord::Decode(r);
        const bool ok = b.time >= last && b.open > 0.0 && b.open <= kMax && b.close > 0.0 &&
                        b.close <= kMax && b.low > 0.0 && b.low <= b.high && b.high <= kMax;
        if (!ok) {
            Describe(r, last, m_nChecked + i);
            return;
        }
        last = b.time;
    }
}

void CSourceCheck::Describe(const unsigned char* r, std::int32_t lastTime, std::uint64_t index) {
    const BarRecord b = BarRecord::Decode(r);
    m_fault = SourceFault{};
    m_fault.kind = SourceFault::Kind::kBadRecord;
    m_fault.record = index;
    const struct {
        const char* name;
        double value;
    } prices[] = {{"开盘价", b.open}, {"最低价", b.low}, {"最高价", b.high}, {"收盘价", b.close}};
    for (const auto& p : prices) {
        if (!(p.value > 0.0 && p.value <= kMax)) {
            m_fault.what = FormatString("%s为%g，不是大于0的有限数", p.name, p.value);
            return;
        }
    }
    if (b.low > b.high) {
        m_fault.what = FormatString("最低价%g高于最高价%g", b.low, b.high);
    } else if (b.time <= 0) {
        m_fault.what = FormatString("时间为%d，不大于0", b.time);
    } else if (b.time < lastTime) {
        m_fault.what = FormatString("时间%d早于上一条记录的时间%d", b.time, lastTime);
    }
}

SourceFault CheckHistorySource(const unsigned char* data, std::size_t size) {
    CSourceCheck check;
    SourceFault f = check.CheckHeader(data, size, size);
    if (!f.Ok()) return f;
    if (!check.CheckRecords(data + HistoryHeader::kSize,
                            (size - HistoryHeader::kSize) / BarRecord::kSize))
        return check.Fault();
    return f;
}

SourceFault CheckHistorySourceFile(const std::string& path) {
    SourceFault f;
    files::OpenedFile file = files::OpenRegularForRead(path);
    if (file.result == files::OpenResult::kCannotOpen) {
        f.kind = SourceFault::Kind::kCannotOpen;
        f.error = file.error;
        return f;
    }
    if (file.result == files::OpenResult::kNotRegular) {
        f.kind = SourceFault::Kind::kNotRegular;
        return f;
    }
    CSourceCheck check;
    std::vector<unsigned char> buf(HistoryHeader::kSize + 4096 * BarRecord::kSize);
    std::uint64_t pos = 0;
    std::size_t have = 0;  // bytes in buf not yet checked
    bool header = true;
    for (;;) {
        ssize_t n = ::pread(file.fd, buf.data() + have, buf.size() - have, static_cast<off_t>(pos));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        pos += static_cast<std::uint64_t>(n);
        have += static_cast<std::size_t>(n);
        std::size_t at = 0;
        if (header) {
            if (have < HistoryHeader::kSize) continue;
            f = check.CheckHeader(buf.data(), have, file.size);
            if (!f.Ok()) break;
            header = false;
            at = HistoryHeader::kSize;
        }
        const std::size_t count = (have - at) / BarRecord::kSize;
        if (!check.CheckRecords(buf.data() + at, count)) {
            f = check.Fault();
            break;
        }
        at += count * BarRecord::kSize;
        std::copy(buf.begin() + static_cast<std::ptrdiff_t>(at),
                  buf.begin() + static_cast<std::ptrdiff_t>(have), buf.begin());
        have -= at;
    }
    ::close(file.fd);
    if (header && f.Ok()) f = check.CheckHeader(buf.data(), have, file.size);
    if (f.Ok() && check.Checked() == 0) {
        f.kind = SourceFault::Kind::kNoRecord;
        f.length = file.size;
    }
    f.length = file.size;
    return f;
}
