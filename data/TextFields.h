#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// The fields of a text export of one-minute bars: dates, times, numbers,
// separators and the columns a header row names.
namespace textfields {

bool IsDigit(char c);
// A decimal number; `decimalComma` lets ',' stand for '.'.
bool ParseNumber(std::string_view s, double& v, bool decimalComma);
// Without surrounding blanks, quotes and a carriage return.
std::string_view Trim(std::string_view s);

// Where the fields of a line are.
struct Columns {
    int date = -1, time = -1;  // time -1: the date column holds the time too
    int open = -1, high = -1, low = -1, close = -1, volume = -1;
    int Needed() const;
};

// The columns a header row names; false when it lacks a date or a price.
bool ColumnsFromHeader(const std::vector<std::string_view>& f, Columns& c);
// Tab, semicolon or comma, whichever the line has most of; '\0' for none.
char ChooseSeparator(std::string_view line);
// The trimmed fields of a line.
void Split(std::string_view line, char sep, std::vector<std::string_view>& out);
// Seconds since 1970 of a date field (and a separate time field); false when
// they are no valid moment of a 32-bit time.
bool ParseMoment(std::string_view dateField, std::string_view timeField, bool separateTime,
                 std::int64_t& t);
// Seconds since 1970 of the start of a day, -1 when there is no such day
// (or it lies before 1970).
std::int64_t DayStart(int y, int m, int d);
// Seconds since 1970 of a date and a time, -1 when they are no valid moment
// or do not fit a 32-bit time.
std::int64_t ToTime(int y, int m, int d, int h, int mi, int se);
// The largest number of digits read as an exact integer over a power of ten.
constexpr int kExactDigits = 15;
// 10^0 .. 10^22, exact.
extern const double kPow10[23];
// Whether a date field of a line without a header also holds the time.
bool HoldsTime(std::string_view f);

}  // namespace textfields
