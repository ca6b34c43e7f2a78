#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "data/Endian.h"

// Whether a file is a history of one-minute bars as the import reads it: a
// whole 148-byte header whose symbol is printable text, then at least one
// whole 44-byte record, every record with finite prices above 0, the low not
// above the high, and a time above 0 that never goes back. The import runs
// the record check inside its single pass over the source; the functions at
// the end run the whole check on a buffer or a file.

struct SourceFault {
    enum class Kind {
        kNone,
        kCannotOpen,  // the file cannot be opened
        kNotRegular,  // a named pipe, a device or a folder
        kHeaderCut,   // shorter than the header
        kVersion401,  // a file of 60-byte records
        kBadSymbol,   // the header's symbol is not printable text or cannot name a folder
        kNoRecord,    // no whole record after the header
        kBadRecord,   // record `record` breaks a rule (`what` says which)
    };
    Kind kind = Kind::kNone;
    std::uint64_t record = 0;  // index from 0 of the first bad record
    std::string what;          // the broken rule, in words
    std::string symbol;        // with kBadSymbol
    std::uint64_t length = 0;  // the file's length in bytes
    int error = 0;             // errno with kCannotOpen

    bool Ok() const { return kind == Kind::kNone; }
};

// First four bytes of a header: the format version.
constexpr std::int32_t kHistoryVersion401 = 401;

// Whether a file whose version field says 401 really holds 60-byte records:
// the body divides into them and the first one reads as a bar. `data` holds
// the first `got` bytes of a file of `length` bytes.
bool LooksLike60ByteRecords(const unsigned char* data, std::size_t got, std::uint64_t length);

// The symbol can name a folder and files: printable text (ASCII or UTF-8),
// not "." or "..", no '/' or '\\'.
bool IsUsableSymbol(const std::string& symbol);
// The symbol as it can be shown in a message: other bytes as \xNN.
std::string PrintableSymbol(const std::string& symbol);

// Where the records checked came from, to point the user at a bad one.
enum class RecordSource {
    kHistory,    // the file's own 44-byte records: the byte they start at
    kHistory60,  // converted from 60-byte records: the byte they start at
    kTextLines,  // converted from lines of text: the how-many-th bar (blank lines and a header not counted)
};

// What the user is told about a source that fails the check.
std::string SourceFaultMessage(const std::string& path, const SourceFault& fault,
                               RecordSource from = RecordSource::kHistory);
// The message for a file of 60-byte records; the one place that words it.
std::string Version401RejectionMessage(const std::string& path);

class CSourceCheck {
public:
    // The first `got` bytes of the header of a file of `length` bytes.
    SourceFault CheckHeader(const unsigned char* header, std::size_t got, std::uint64_t length);

    // The next `count` whole records. False at the first bad one, which
    // Fault() then describes; the check stops there.
    bool CheckRecords(const unsigned char* data, std::size_t count) {
        if (count == 0) return true;
        if (!AllGood(data, count)) {
            FindFault(data, count);
            return false;
        }
        m_nLastTime = le::Load<std::int32_t>(data + (count - 1) * 44);
        m_nChecked += count;
        return true;
    }

    const SourceFault& Fault() const { return m_fault; }
    std::uint64_t Checked() const { return m_nChecked; }

private:
    static constexpr double kMax = 1.7976931348623157e308;
    // True when every one of `count` records keeps the rules. Runs in the
    // import's pass over every record, so it works on bit patterns without a
    // branch per record.
    bool AllGood(const unsigned char* data, std::size_t count) const;
    // The first bad record of `count`, which hold one.
    void FindFault(const unsigned char* data, std::size_t count);
    void Describe(const unsigned char* record, std::int32_t lastTime, std::uint64_t index);

    // Times never go back, so the first must be at least 1 and then every
    // one is above 0.
    std::int32_t m_nLastTime = 1;
    std::uint64_t m_nChecked = 0;
    SourceFault m_fault;
};

// The whole check on a file held in memory.
SourceFault CheckHistorySource(const unsigned char* data, std::size_t size);
// The whole check on a file, read once (regular files only).
SourceFault CheckHistorySourceFile(const std::string& path);
