#pragma once

#include <string>

#include "data/BarRecord.h"

// Bar access by index. Nothing is cached: each call opens the period file,
// seeks, reads and closes it again, so a reader always sees what is on disk.

// Path of a period file: history folder + symbol + "/" + symbol + period name + ".hst".
// `historyFolder` ends in "/".
std::string PeriodFilePath(const std::string& historyFolder, const std::string& symbol, int period);

// Fills `bar` with bar `index` of the period file. When the file is missing or
// holds no complete record at that index, `bar` is left as it was and the
// call returns false.
bool ReadBar(BarRecord& bar, int index, const std::string& historyFolder, const std::string& symbol,
             int period);

// (file length - 148) / 44, or 0 for a missing file or one shorter than the header.
unsigned GetBarCount(const std::string& historyFolder, const std::string& symbol, int period);

// What stops a period file from being read as bars, in words ("" when it can
// be): missing, a folder, a device or pipe, unreadable, or shorter than its
// header. A file of a header and no bar is usable (a short history has such
// long periods).
std::string PeriodFileFault(const std::string& historyFolder, const std::string& symbol,
                            int period);
// The message naming that file and its fault; "" when it can be read.
std::string PeriodFileFaultMessage(const std::string& historyFolder, const std::string& symbol,
                                   int period);

// The folder of the running executable, ending in "/".
std::string GetProgramFolder();
