#pragma once

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>

#include "data/SourceCheck.h"

// Turns an imported file of one-minute bars into the nine period files of its
// symbol: M1 is a byte-for-byte copy, the eight longer periods count the
// source records in groups of 5, 15, 30, 60, 240, 1440, 10080 and 43200.
//
// The source is checked in the same pass (data/SourceCheck.h); a source that
// fails writes nothing. The nine files are written under temporary names in
// the symbol folder and installed as one generation (data/ImportGeneration.h),
// so a failed or interrupted import leaves the pair with either its previous
// nine files or the new nine.

struct ImportResult {
    enum class Status {
        kOk,
        kCannotOpen,  // the source cannot be opened: nothing written, nothing reported
        kBadSymbol,   // the header's symbol cannot name a folder: nothing written
        kBadSource,   // not a history of one-minute bars, or not a regular file: nothing written
        kCopyFailed,  // the M1 copy failed
        kFailed,      // any other failure (folders, writes, renames)
        kCancelled,   // stopped on request; temporaries removed
    };
    Status status = Status::kCannotOpen;
    // The pair's folder name: the header's symbol, or the existing folder that
    // matches it without regard to letter case ("" when the source cannot be
    // opened).
    std::string symbol;
    std::string message;  // what to tell the user; "" when there is nothing to say
};

using ImportProgressFn = std::function<void(const std::string& text)>;

// `historyFolder` ends in "/". `progress` is called from the calling thread
// every 1024 source records with the progress line's text.
ImportResult BuildPeriodFiles(const std::string& sourcePath, const std::string& historyFolder,
                              const ImportProgressFn& progress, std::stop_token stop = {});

// "FileSize=%dKbyte,ReadSize=%dKbyte,%.0f%c" after `records` records of a
// source of `fileLength` bytes.
std::string ImportProgressText(std::uint64_t records, std::uint64_t fileLength);

// The name of the pair folder an import of `symbol` goes into: an existing
// folder whose name matches it without regard to ASCII letter case (the exact
// name first), else the symbol itself.
std::string ExistingSymbolFolder(const std::string& historyFolder, const std::string& symbol);
