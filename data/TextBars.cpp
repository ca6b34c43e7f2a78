#include "data/TextBars.h"

#include <algorithm>
#include <cstring>

#include "data/BarRecord.h"
#include "data/Endian.h"
#include "platform/Format.h"

using namespace textfields;

namespace {

bool IsTrimmed(char c) {
    return c == ' ' || c == '"' || c == '\'';
}

}  // namespace

bool CTextBars::Line(std::string_view line, std::uint64_t number) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || ((line[0] == ' ' || line[0] == '\t') &&
                         line.find_first_not_of(" \t") == std::string_view::npos))
        return true;
    if (!Started()) {
        if (!Start(line, number)) return false;
        if (m_bHeader) return true;
    }
    const int count = Fields(line);
    if (count < m_nNeeded) return Bad(number, "只有" + std::to_string(count) + "列");
    std::int64_t t;
    const bool separate = m_cols.time >= 0;
    const std::string_view date = m_field[m_cols.date];
    const std::string_view time = separate ? m_field[m_cols.time] : std::string_view();
    if (!ParseMoment(date, time, separate, t))
        return Bad(number, "日期或时间\"" + std::string(date) +
                               (separate ? " " + std::string(time) : "") + "\"无法识别");
    double o, h, l, c, v = 0;
    if (!ParseNumber(m_field[m_cols.open], o, m_bDecimalComma) ||
        !ParseNumber(m_field[m_cols.high], h, m_bDecimalComma) ||
        !ParseNumber(m_field[m_cols.low], l, m_bDecimalComma) ||
        !ParseNumber(m_field[m_cols.close], c, m_bDecimalComma))
        return Bad(number, "价格不是数字");
    if (m_cols.volume >= 0 && m_cols.volume < count && !m_field[m_cols.volume].empty() &&
        !ParseNumber(m_field[m_cols.volume], v, m_bDecimalComma))
        return Bad(number, "成交量不是数字");
    // The record keeps the low before the high.
    Append(static_cast<std::int32_t>(t), o, l, h, c, v);
    return true;
}

int CTextBars::Fields(std::string_view line) {
    int count = 0;
    const char* b = line.data();
    const char* const e = b + line.size();
    for (const char* p = b;; ++p) {
        if (p == e || *p == m_sep) {
            std::string_view f(b, static_cast<std::size_t>(p - b));
            if (!f.empty() && (IsTrimmed(f.front()) || IsTrimmed(f.back()))) f = Trim(f);
            m_field[count++] = f;
            if (p == e || count > m_nLast) break;
            b = p + 1;
        }
    }
    return count;
}

void CTextBars::Append(std::int32_t time, double open, double low, double high, double close,
                       double volume) {
    m_pOut->Reserve(BarRecord::kSize);  // room is mostly reserved by Lines
    unsigned char* r = m_pOut->Append(BarRecord::kSize);
    le::Store<std::int32_t>(r, time);
    le::Store<double>(r + 4, open);
    le::Store<double>(r + 12, low);
    le::Store<double>(r + 20, high);
    le::Store<double>(r + 28, close);
    le::Store<double>(r + 36, volume);
}

bool CTextBars::Lines(std::string_view text, std::uint64_t* lines) {
    // Room for the records of the shortest lines ("YYYYMMDD,o,h,l,c"), so
    // that the output never moves while it grows.
    m_pOut->Reserve((text.size() / 16 + 1) * BarRecord::kSize);
    std::uint64_t n = 0;
    const char* p = text.data();
    const char* const e = p + text.size();
    while (p < e) {
        ++n;
        const char* next = !Started() || !m_bOnePass ? nullptr
                           : m_bFixed             ? QuickLineFixed(p, e)
                                                  : QuickLine(p, e);
        if (!next) {
            const char* nl = static_cast<const char*>(std::memchr(p, '\n', e - p));
            next = nl ? nl + 1 : e;
            if (!Line(std::string_view(p, (nl ? nl : e) - p), n)) break;
        }
        p = next;
    }
    *lines = n;
    return m_strWhat.empty();
}

std::string CTextBars::Message(const std::string& path, std::uint64_t number,
                               const std::string& what) {
    return "无法载入" + path + "：" +
           FormatString("第%llu行不能读作一分钟数据（", static_cast<unsigned long long>(number)) +
           what + "）。未写入任何数据。";
}

// The first line that is not empty decides the separator, whether there is a
// header row and where the columns are.
bool CTextBars::Start(std::string_view line, std::uint64_t number) {
    m_sep = ChooseSeparator(line);
    if (m_sep == 0) return Bad(number, "没有逗号、分号或制表符分隔的列");
    m_bDecimalComma = m_sep != ',';
    std::vector<std::string_view> fields;
    Split(line, m_sep, fields);
    if (fields.empty() || fields[0].empty() || !IsDigit(fields[0][0])) {
        if (!ColumnsFromHeader(fields, m_cols))
            return Bad(number, "标题行缺少日期、开盘、最高、最低或收盘列");
        m_bHeader = true;
    } else {
        // Without a header: date [time] open high low close [volume].
        const int first = HoldsTime(fields[0]) ? 1 : 2;
        m_cols.date = 0;
        m_cols.time = first == 2 ? 1 : -1;
        m_cols.open = first;
        m_cols.high = first + 1;
        m_cols.low = first + 2;
        m_cols.close = first + 3;
        m_cols.volume = first + 4;
    }
    m_nNeeded = m_cols.Needed();
    m_nLast = std::max(m_nNeeded - 1, m_cols.volume);
    m_field.assign(static_cast<std::size_t>(m_nLast) + 1, {});
    m_role.assign(static_cast<std::size_t>(m_nLast) + 1, kSkip);
    m_role[m_cols.date] = m_cols.time >= 0 ? kDate : kDateTime;
    if (m_cols.time >= 0) m_role[m_cols.time] = kTime;
    m_role[m_cols.open] = kOpen;
    m_role[m_cols.high] = kHigh;
    m_role[m_cols.low] = kLow;
    m_role[m_cols.close] = kClose;
    if (m_cols.volume >= 0) m_role[m_cols.volume] = kVolume;
    static const Role kFixed[] = {kDate, kTime, kOpen, kHigh, kLow, kClose, kVolume};
    m_bFixed = std::equal(m_role.begin(), m_role.end(), std::begin(kFixed), std::end(kFixed));
    return true;
}

namespace {

// Two doubles divided with one instruction.
using Pair = double __attribute__((vector_size(16)));

[[gnu::always_inline]] inline bool Digit(char c) {
    return static_cast<unsigned>(c - '0') < 10;
}
[[gnu::always_inline]] inline int Two(const char* p) {
    return (p[0] - '0') * 10 + (p[1] - '0');
}

// The digits leading the 8 bytes at `p` (0 to 8), and their value.
[[gnu::always_inline]] inline int LeadingDigits(const char* p, std::uint64_t& value) {
    const std::uint64_t v = le::Load<std::uint64_t>(reinterpret_cast<const unsigned char*>(p));
    // A digit byte has 3 in its high nibble, before and after adding 6.
    // Carries and borrows only run from a byte that is no digit into the
    // bytes after it, which are not counted.
    const std::uint64_t nibbles = (v & 0xF0F0F0F0F0F0F0F0) |
                                  (((v + 0x0606060606060606) & 0xF0F0F0F0F0F0F0F0) >> 4);
    const std::uint64_t other = nibbles ^ 0x3333333333333333;
    const int n = other ? __builtin_ctzll(other) / 8 : 8;
    if (n == 0) return 0;
    // The digits moved to the top, zeros in front, then summed in pairs,
    // fours and eights.
    std::uint64_t d = (v - 0x3030303030303030) << (8 * (8 - n));
    d = d * 10 + (d >> 8);
    d = (((d & 0x000000FF000000FF) * (100 + (1000000ULL << 32))) +
         (((d >> 16) & 0x000000FF000000FF) * (1 + (10000ULL << 32)))) >>
        32;
    value = d & 0xFFFFFFFF;
    return n;
}

constexpr std::uint64_t kTens[9] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// A run of digits at `p`, added to `mant`; how many.
[[gnu::always_inline]] inline std::ptrdiff_t DigitRun(const char*& p, const char* e,
                                                      std::uint64_t& mant) {
    const char* const start = p;
    while (e - p >= 8) {
        std::uint64_t chunk;
        const int n = LeadingDigits(p, chunk);
        if (n == 0) return p - start;
        mant = mant * kTens[n] + chunk;
        p += n;
        if (n < 8) return p - start;
    }
    while (p < e && Digit(*p)) mant = mant * 10 + static_cast<unsigned>(*p++ - '0');
    return p - start;
}

// A plain decimal: digits with '.' (or `comma`, when that is a decimal
// point too) among them, as its signed digits `mant` over 10^`frac`: the
// quotient, taken later, is what the general reader gives.
[[gnu::always_inline]] inline bool QuickNumber(const char*& p, const char* e, char comma,
                                               double& mant, int& frac) {
    const bool neg = p < e && *p == '-';
    if (neg) ++p;
    // The integer part is short in prices and volumes: byte by byte.
    std::uint64_t digitsValue = 0;
    const char* const start = p;
    while (p < e && Digit(*p)) digitsValue = digitsValue * 10 + static_cast<unsigned>(*p++ - '0');
    std::ptrdiff_t digits = p - start;
    frac = 0;
    if (p < e && (*p == '.' || *p == comma)) {
        ++p;
        const std::ptrdiff_t f = DigitRun(p, e, digitsValue);
        digits += f;
        frac = static_cast<int>(f);
    }
    if (digits <= 0 || digits > kExactDigits) return false;
    mant = static_cast<double>(static_cast<std::int64_t>(digitsValue));  // exact below 2^53
    if (neg) mant = -mant;
    return true;
}

// YYYY.MM.DD, YYYY-MM-DD, YYYY/MM/DD or YYYYMMDD.
[[gnu::always_inline]] inline bool QuickDate(const char*& p, const char* e, int& y, int& m, int& d) {
    if (e - p < 8 || !Digit(p[0]) || !Digit(p[1]) || !Digit(p[2]) || !Digit(p[3])) return false;
    y = Two(p) * 100 + Two(p + 2);
    const char s = p[4];
    if (s == '.' || s == '-' || s == '/') {
        if (e - p < 10 || p[7] != s || !Digit(p[5]) || !Digit(p[6]) || !Digit(p[8]) ||
            !Digit(p[9]) || (e - p > 10 && Digit(p[10])))
            return false;
        m = Two(p + 5);
        d = Two(p + 8);
        p += 10;
        return true;
    }
    if (!Digit(p[4]) || !Digit(p[5]) || !Digit(p[6]) || !Digit(p[7]) || (e - p > 8 && Digit(p[8])))
        return false;
    m = Two(p + 4);
    d = Two(p + 6);
    p += 8;
    return true;
}

// HH:MM, HH:MM:SS, HHMM or HHMMSS.
[[gnu::always_inline]] inline bool QuickTime(const char*& p, const char* e, int& h, int& mi, int& se) {
    se = 0;
    if (e - p < 4 || !Digit(p[0]) || !Digit(p[1])) return false;
    h = Two(p);
    if (p[2] == ':') {
        if (e - p < 5 || !Digit(p[3]) || !Digit(p[4])) return false;
        mi = Two(p + 3);
        p += 5;
        if (p < e && *p == ':') {
            if (e - p < 3 || !Digit(p[1]) || !Digit(p[2])) return false;
            se = Two(p + 1);
            p += 3;
        }
        return p == e || !Digit(*p);
    }
    if (!Digit(p[2]) || !Digit(p[3])) return false;
    mi = Two(p + 2);
    p += 4;
    if (e - p >= 2 && Digit(p[0]) && Digit(p[1])) {
        se = Two(p);
        p += 2;
    }
    return p == e || !Digit(*p);
}

}  // namespace

std::int64_t CTextBars::Moment(int y, int m, int d, int h, int mi, int se) {
    const int day = y * 10000 + m * 100 + d;
    if (day != m_nDay) {
        m_nDay = day;
        m_nDayStart = DayStart(y, m, d);
    }
    if (m_nDayStart < 0 || h > 23 || mi > 59 || se > 59) return -1;
    const std::int64_t t = m_nDayStart + h * 3600 + mi * 60 + se;
    return t > 0 && t <= 2147483647 ? t : -1;
}

// What a one-pass reading has of a line before its end.
struct CTextBars::QuickBar {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
    // The four prices as digits over powers of ten: open, high, low, close.
    double mant[4], scale[4];
    double volume = 0;
    int volumeFrac = 0;
};

[[gnu::always_inline]] inline const char* CTextBars::EndLine(const char* p, const char* e,
                                                                QuickBar& bar) {
    // The line ends here: "\n", "\r\n" or the end of the text.
    if (p < e && *p == '\r') ++p;
    if (p < e && *p != '\n') return nullptr;
    const std::int64_t t = Moment(bar.y, bar.mo, bar.d, bar.h, bar.mi, bar.se);
    if (t < 0) return nullptr;
    // Two divisions at a time: the same quotients, in half the time.
    const Pair openHigh = Pair{bar.mant[0], bar.mant[1]} / Pair{bar.scale[0], bar.scale[1]};
    const Pair lowClose = Pair{bar.mant[2], bar.mant[3]} / Pair{bar.scale[2], bar.scale[3]};
    if (bar.volumeFrac) bar.volume /= kPow10[bar.volumeFrac];
    Append(static_cast<std::int32_t>(t), openHigh[0], lowClose[0], openHigh[1], lowClose[1],
           bar.volume);
    return p < e ? p + 1 : e;
}

const char* CTextBars::QuickLine(const char* p, const char* e) {
    const char sep = m_sep;
    const char comma = m_bDecimalComma ? ',' : '.';
    QuickBar bar;
    for (int col = 0;; ++col) {
        switch (m_role[col]) {
            case kSkip:
                while (p < e && *p != sep && *p != '\n' && *p != '\r') ++p;
                break;
            case kDate:
                if (!QuickDate(p, e, bar.y, bar.mo, bar.d)) return nullptr;
                break;
            case kDateTime:
                if (!QuickDate(p, e, bar.y, bar.mo, bar.d)) return nullptr;
                if (p < e && (*p == ' ' || *p == 'T')) {
                    ++p;
                    if (!QuickTime(p, e, bar.h, bar.mi, bar.se)) return nullptr;
                }
                break;
            case kTime:
                if (!QuickTime(p, e, bar.h, bar.mi, bar.se)) return nullptr;
                break;
            case kVolume:
                if (p < e && *p != sep && *p != '\n' && *p != '\r' &&
                    !QuickNumber(p, e, comma, bar.volume, bar.volumeFrac))
                    return nullptr;
                break;
            default: {  // a price
                const int k = m_role[col] - kOpen;
                int frac;
                if (!QuickNumber(p, e, comma, bar.mant[k], frac)) return nullptr;
                bar.scale[k] = kPow10[frac];
                break;
            }
        }
        if (p < e && *p == sep) {
            if (col < m_nLast) {
                ++p;
                continue;
            }
            while (p < e && *p != '\n') ++p;  // columns no bar needs
        } else if (col + 1 < m_nNeeded) {
            return nullptr;
        }
        break;
    }
    return EndLine(p, e, bar);
}

// The layout of most exports (date, time, open, high, low, close, volume) in
// one straight pass, without the column loop; what it does not take goes on
// to the general reading, as with QuickLine.
const char* CTextBars::QuickLineFixed(const char* p, const char* e) {
    const char sep = m_sep;
    const char comma = m_bDecimalComma ? ',' : '.';
    QuickBar bar;
    if (!QuickDate(p, e, bar.y, bar.mo, bar.d) || p >= e || *p++ != sep) return nullptr;
    if (!QuickTime(p, e, bar.h, bar.mi, bar.se) || p >= e || *p++ != sep) return nullptr;
    for (int k = 0; k < 4; ++k) {
        int frac;
        if (!QuickNumber(p, e, comma, bar.mant[k], frac)) return nullptr;
        bar.scale[k] = kPow10[frac];
        if (k < 3 && (p >= e || *p++ != sep)) return nullptr;
    }
    // The volume, when a separator follows the close.
    if (p < e && *p == sep) {
        ++p;
        if (p < e && *p != sep && *p != '\n' && *p != '\r' &&
            !QuickNumber(p, e, comma, bar.volume, bar.volumeFrac))
            return nullptr;
        if (p < e && *p == sep)
            while (p < e && *p != '\n') ++p;  // columns no bar needs
    }
    return EndLine(p, e, bar);
}

bool CTextBars::Bad(std::uint64_t number, const std::string& what) {
    m_nBadLine = number;
    m_strWhat = what;
    return false;
}
