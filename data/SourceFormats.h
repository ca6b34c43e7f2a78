#pragma once

#include <cstdint>
#include <stop_token>
#include <string>

#include "data/PeriodConverter.h"

// Histories exported by other programs, turned into 44-byte records on the
// way into the import, so that they go through the same check, conversion
// and install as a native file:
// - history files of 60-byte records (version 401): 64-bit time, open, high,
//   low, close, 64-bit volume, spread, 64-bit real volume;
// - text files of one-minute bars, one a line: the date and time in one or
//   two columns (YYYY.MM.DD, YYYY-MM-DD, YYYY/MM/DD, YYYYMMDD or DD.MM.YYYY;
//   HH:MM, HH:MM:SS or HHMMSS), then open, high, low, close and an optional
//   volume; comma, semicolon or tab separated, with or without a header row
//   (whose column names then decide the order).

enum class SourceLayout {
    kHistory,     // a history file of 44-byte records (or anything else binary)
    kHistory401,  // a history file of 60-byte records
    kText,        // a text file of bars
};

// Tells the layout from the first bytes of a file (`got` of them) of
// `length` bytes.
SourceLayout DetectSourceLayout(const unsigned char* head, std::size_t got, std::uint64_t length);

// The pair named in a file name: a token of six letters made of known
// currency codes ("DAT_ASCII_EURUSD_M1_2020.csv" -> "EURUSD", "gbpjpy1.csv"
// -> "GBPJPY"); else the name's first token with letters, without trailing
// digits, cut to 12 bytes; "" when there is none. `known` tells which rule
// gave it.
std::string SymbolFromFileName(const std::string& path, bool* known = nullptr);

// The import of any of the layouts above. A native file goes to
// BuildPeriodFiles; a foreign one is converted while it is imported, its
// records going from memory into the same pass (check, nine temporaries,
// install) with a progress line by the bytes of the source. `symbol` names
// the pair of a text file ("" takes it from the file name).
ImportResult ImportHistorySource(const std::string& sourcePath, const std::string& historyFolder,
                                 const ImportProgressFn& progress, std::stop_token stop = {},
                                 const std::string& symbol = "");
