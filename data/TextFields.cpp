#include "data/TextFields.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>

namespace textfields {


std::int64_t DaysFromCivil(int y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return static_cast<std::int64_t>(era) * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}
unsigned DaysIn(int y, unsigned m) {
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads `n` digits at `p`.
bool Digits(std::string_view s, std::size_t& p, std::size_t n, int& v) {
    if (p + n > s.size()) return false;
    v = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (!IsDigit(s[p + i])) return false;
        v = v * 10 + (s[p + i] - '0');
    }
    p += n;
    return true;
}

std::size_t DigitRun(std::string_view s, std::size_t p) {
    std::size_t n = 0;
    while (p + n < s.size() && IsDigit(s[p + n])) ++n;
    return n;
}

// A date at the start of `s`: YYYY.MM.DD, YYYY-MM-DD, YYYY/MM/DD, YYYYMMDD or
// DD.MM.YYYY (also with - or /). `p` is left after it.
bool ParseDate(std::string_view s, std::size_t& p, int& y, int& m, int& d) {
    const std::size_t run = DigitRun(s, p);
    if (run == 8) {
        return Digits(s, p, 4, y) && Digits(s, p, 2, m) && Digits(s, p, 2, d);
    }
    auto isSep = [](char c) { return c == '.' || c == '-' || c == '/'; };
    if (run == 4) {
        if (!Digits(s, p, 4, y) || p >= s.size() || !isSep(s[p])) return false;
        const char sep = s[p++];
        std::size_t r = DigitRun(s, p);
        if (r < 1 || r > 2 || !Digits(s, p, r, m) || p >= s.size() || s[p] != sep) return false;
        ++p;
        r = DigitRun(s, p);
        return r >= 1 && r <= 2 && Digits(s, p, r, d);
    }
    if (run == 1 || run == 2) {
        if (!Digits(s, p, run, d) || p >= s.size() || !isSep(s[p])) return false;
        const char sep = s[p++];
        std::size_t r = DigitRun(s, p);
        if (r < 1 || r > 2 || !Digits(s, p, r, m) || p >= s.size() || s[p] != sep) return false;
        ++p;
        return DigitRun(s, p) == 4 && Digits(s, p, 4, y);
    }
    return false;
}

// A time of day at `p`: HH:MM, HH:MM:SS (fractions of a second ignored),
// HHMM or HHMMSS; the rest of `s` must be empty.
bool ParseTime(std::string_view s, std::size_t& p, int& h, int& mi, int& se) {
    se = 0;
    const std::size_t run = DigitRun(s, p);
    if (run == 4 || run == 6) {
        if (!Digits(s, p, 2, h) || !Digits(s, p, 2, mi)) return false;
        if (run == 6 && !Digits(s, p, 2, se)) return false;
    } else if (run == 1 || run == 2) {
        if (!Digits(s, p, run, h) || p >= s.size() || s[p] != ':') return false;
        ++p;
        if (!Digits(s, p, 2, mi)) return false;
        if (p < s.size() && s[p] == ':') {
            ++p;
            if (!Digits(s, p, 2, se)) return false;
            if (p < s.size() && (s[p] == '.' || s[p] == ',')) {
                ++p;
                p += DigitRun(s, p);
            }
        }
    } else {
        return false;
    }
    return p == s.size();
}

std::int64_t DayStart(int y, int m, int d) {
    if (m < 1 || m > 12 || d < 1 || d > static_cast<int>(DaysIn(y, static_cast<unsigned>(m))))
        return -1;
    return DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) * 86400;
}

std::int64_t ToTime(int y, int m, int d, int h, int mi, int se) {
    const std::int64_t day = DayStart(y, m, d);
    if (day < 0 || h > 23 || mi > 59 || se > 59) return -1;
    const std::int64_t t = day + h * 3600 + mi * 60 + se;
    return t > 0 && t <= 2147483647 ? t : -1;
}

const double kPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A decimal number. Plain decimals of up to 15 digits are read as an exact
// integer divided by an exact power of ten, which rounds correctly; anything
// else goes to the library's reader. `decimalComma` lets ',' stand for '.'.
bool ParseNumber(std::string_view s, double& v, bool decimalComma) {
    const char* p = s.data();
    const char* const e = p + s.size();
    bool neg = false;
    if (p < e && (*p == '-' || *p == '+')) neg = *p++ == '-';
    std::uint64_t mant = 0;
    const char* const intStart = p;
    while (p < e && static_cast<unsigned>(*p - '0') < 10)
        mant = mant * 10 + static_cast<unsigned>(*p++ - '0');
    std::ptrdiff_t digits = p - intStart, frac = 0;
    if (p < e && (*p == '.' || (decimalComma && *p == ','))) {
        const char* const fracStart = ++p;
        while (p < e && static_cast<unsigned>(*p - '0') < 10)
            mant = mant * 10 + static_cast<unsigned>(*p++ - '0');
        frac = p - fracStart;
        digits += frac;
    }
    // Up to 15 digits the mantissa is exact, and so is its quotient's rounding.
    if (p == e && digits > 0 && digits <= kExactDigits) {
        v = static_cast<double>(mant) / kPow10[frac];
        if (neg) v = -v;
        return true;
    }
    std::string copy(s);
    if (decimalComma)
        for (char& c : copy)
            if (c == ',') c = '.';
    const char* b = copy.data();
    if (*b == '+') ++b;
    auto [end, ec] = std::from_chars(b, copy.data() + copy.size(), v);
    return ec == std::errc() && end == copy.data() + copy.size();
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '"' || s.front() == '\''))
        s.remove_prefix(1);
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '"' || s.back() == '\'' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

int Columns::Needed() const {
    return std::max({date, time, open, high, low, close}) + 1;
}

std::string Lower(std::string_view s) {
    std::string out;
    for (char c : s)
        if (c != '<' && c != '>' && c != ' ' && c != '_')
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The columns a header row names; false when it lacks a date or a price.
bool ColumnsFromHeader(const std::vector<std::string_view>& f, Columns& c) {
    for (int i = 0; i < static_cast<int>(f.size()); ++i) {
        const std::string n = Lower(f[i]);
        if (n == "date" || n == "day") {
            if (c.date < 0) c.date = i;
        } else if (n == "time") {
            c.time = i;
        } else if (n == "datetime" || n == "timestamp" || n == "gmttime" || n == "localtime" ||
                   n == "time(utc)" || n == "date/time") {
            c.date = i;
        } else if (n == "open" || n == "o") {
            c.open = i;
        } else if (n == "high" || n == "h") {
            c.high = i;
        } else if (n == "low" || n == "l") {
            c.low = i;
        } else if (n == "close" || n == "c") {
            c.close = i;
        } else if (c.volume < 0 && (n == "volume" || n == "vol" || n == "tickvol" ||
                                    n == "tickvolume" || n == "v")) {
            c.volume = i;
        }
    }
    return c.date >= 0 && c.open >= 0 && c.high >= 0 && c.low >= 0 && c.close >= 0;
}

char ChooseSeparator(std::string_view line) {
    std::size_t tabs = 0, semis = 0, commas = 0;
    for (char c : line) {
        tabs += c == '\t';
        semis += c == ';';
        commas += c == ',';
    }
    if (tabs > 0 && tabs >= semis && tabs >= commas) return '\t';
    if (semis > 0 && semis >= commas) return ';';
    if (commas > 0) return ',';
    return '\0';
}

void Split(std::string_view line, char sep, std::vector<std::string_view>& out) {
    out.clear();
    const char* b = line.data();
    const char* const e = b + line.size();
    for (const char* p = b;; ++p) {
        if (p == e || *p == sep) {
            out.push_back(Trim(std::string_view(b, static_cast<std::size_t>(p - b))));
            if (p == e) return;
            b = p + 1;
        }
    }
}

// A date, optionally followed by a time after a space or a 'T'.
bool ParseMoment(std::string_view dateField, std::string_view timeField, bool separateTime,
                 std::int64_t& t) {
    int y, m, d, h = 0, mi = 0, se = 0;
    std::size_t p = 0;
    if (!ParseDate(dateField, p, y, m, d)) return false;
    if (separateTime) {
        if (p != dateField.size()) return false;
        std::size_t q = 0;
        if (!ParseTime(timeField, q, h, mi, se)) return false;
    } else if (p < dateField.size()) {
        if (dateField[p] != ' ' && dateField[p] != 'T') return false;
        while (p < dateField.size() && (dateField[p] == ' ' || dateField[p] == 'T')) ++p;
        if (!ParseTime(dateField, p, h, mi, se)) return false;
    }
    t = ToTime(y, m, d, h, mi, se);
    return t >= 0;
}

// Whether a date field of a line without a header also holds the time.
bool HoldsTime(std::string_view f) {
    std::size_t p = 0;
    int y, m, d;
    return ParseDate(f, p, y, m, d) && p < f.size();
}

}  // namespace textfields
