#pragma once

#include <cstdint>
#include <stop_token>
#include <string>

#include "data/PeriodConverter.h"

// Histories exported by other programs, turned into a file of 44-byte
// records in front of the import, so that they go through the same check,
// conversion and install as a native file:
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

struct SourceConversion {
    bool ok = false;
    std::string message;  // why not, naming the source and the first bad line
};

// Writes the 44-byte history file `outPath` from a file of 60-byte records.
SourceConversion ConvertHistory401(const std::string& sourcePath, const std::string& outPath,
                                   std::stop_token stop = {},
                                   const ImportProgressFn& progress = nullptr);
// Writes the 44-byte history file `outPath` from a text file of bars; the
// header carries `symbol` and the period 1.
SourceConversion ConvertTextBars(const std::string& sourcePath, const std::string& outPath,
                                 const std::string& symbol, std::stop_token stop = {},
                                 const ImportProgressFn& progress = nullptr);

// The import of any of the layouts above: a foreign file is converted into a
// temporary beside the history folder, imported by BuildPeriodFiles and
// removed. `symbol` names the pair of a text file ("" takes it from the file
// name). Messages name the file the user chose.
ImportResult ImportHistorySource(const std::string& sourcePath, const std::string& historyFolder,
                                 const ImportProgressFn& progress, std::stop_token stop = {},
                                 const std::string& symbol = "");
