#include "trainer/TrainerTime.h"

#include <cstdio>

#include "platform/Format.h"

namespace {

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct Civil {
    std::int64_t y;
    int m, d, hh, mm;
};

Civil CivilFromTime(std::int64_t t) {
    std::int64_t days = t >= 0 ? t / 86400 : (t - 86399) / 86400;
    const std::int64_t secs = t - days * 86400;
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return Civil{yoe + era * 400 + (m <= 2), m, d, static_cast<int>(secs / 3600),
                 static_cast<int>(secs % 3600 / 60)};
}

bool Digits(const std::string& s, std::size_t from, std::size_t n, int* value) {
    int v = 0;
    for (std::size_t i = from; i < from + n; ++i) {
        if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
    }
    *value = v;
    return true;
}

}  // namespace

std::string FormatBarTime(std::int32_t time) {
    return FormatBarDate(time) + " " + FormatBarClock(time);
}

std::string FormatBarDate(std::int32_t time) {
    const Civil c = CivilFromTime(time);
    return FormatString("%04lld-%02d-%02d", static_cast<long long>(c.y), c.m, c.d);
}

std::string FormatBarClock(std::int32_t time) {
    const Civil c = CivilFromTime(time);
    return FormatString("%02d:%02d", c.hh, c.mm);
}

bool ParseBarTime(const std::string& date, const std::string& clock, std::int64_t* time) {
    int y = 0, m = 0, d = 0, hh = 0, mm = 0;
    if (date.size() != 10 || date[4] != '-' || date[7] != '-' || !Digits(date, 0, 4, &y) ||
        !Digits(date, 5, 2, &m) || !Digits(date, 8, 2, &d))
        return false;
    if (clock.size() != 5 || clock[2] != ':' || !Digits(clock, 0, 2, &hh) ||
        !Digits(clock, 3, 2, &mm))
        return false;
    if (m < 1 || m > 12 || d < 1 || hh > 23 || mm > 59) return false;
    // The day must exist in its month: it survives the round trip.
    const std::int64_t days = DaysFromCivil(y, m, d);
    const Civil back = CivilFromTime(days * 86400);
    if (back.y != y || back.m != m || back.d != d) return false;
    *time = days * 86400 + hh * 3600 + mm * 60;
    return true;
}
