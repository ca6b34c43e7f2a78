#pragma once

#include <cstdint>
#include <string>

// Bar times are seconds since 1970 in UTC; the trainer shows and takes them
// as "YYYY-MM-DD HH:MM".
std::string FormatBarTime(std::int32_t time);
// Only the date ("YYYY-MM-DD") or only the time of day ("HH:MM").
std::string FormatBarDate(std::int32_t time);
std::string FormatBarClock(std::int32_t time);

// "YYYY-MM-DD" and "HH:MM" to seconds since 1970 (UTC). False for anything
// else, including impossible dates such as 2026-02-30 or 24:00.
bool ParseBarTime(const std::string& date, const std::string& clock, std::int64_t* time);
