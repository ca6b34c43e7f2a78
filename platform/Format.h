#pragma once

#include <string>

// printf-style formatting into a std::string.
std::string FormatString(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "%.*g" with 15 significant digits, as the statistics boxes show doubles.
std::string FormatStatDouble(double value);
