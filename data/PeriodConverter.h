#pragma once

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>

// Turns an imported file of one-minute bars into the nine period files of its
// symbol: M1 is a byte-for-byte copy, the eight longer periods count the
// source records in groups of 5, 15, 30, 60, 240, 1440, 10080 and 43200.
//
// The nine files are written under temporary names in the symbol folder and
// renamed over the old ones only when all nine are complete, so a failed or
// interrupted import leaves a previous import of the symbol untouched.

struct ImportResult {
    enum class Status {
        kOk,
        kCannotOpen,  // the source cannot be opened: nothing written, nothing reported
        kBadSymbol,   // the header's symbol cannot name a folder: nothing written
        kCopyFailed,  // the M1 copy failed
        kFailed,      // any other failure (folders, writes, renames)
        kCancelled,   // stopped on request; temporaries removed
    };
    Status status = Status::kCannotOpen;
    std::string symbol;   // from the header ("" when the source cannot be opened)
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

// A symbol can name a folder and files when it is not empty, not "." or "..",
// and holds no '/', '\\' or control byte.
bool IsUsableSymbol(const std::string& symbol);

// The symbol as it can be shown in a message: control bytes as \xNN.
std::string PrintableSymbol(const std::string& symbol);
