#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/RecordBuffer.h"
#include "data/TextFields.h"

// The lines of a text file of one-minute bars turned into 44-byte records.
// The first line that is not empty sets the layout (separator, header row,
// columns); after that a copy can parse another stretch of lines into
// records of its own, so that threads share the work.
class CTextBars {
public:
    explicit CTextBars(CRecordBuffer* out = nullptr) : m_pOut(out) {}

    bool Started() const { return m_sep != 0; }
    // Off: every line takes the general reading (for checks that the
    // one-pass reading agrees with it).
    void SetOnePass(bool on) { m_bOnePass = on; }
    void SetOutput(CRecordBuffer* out) { m_pOut = out; }

    // One line (without its newline), `number` counted from 1 where the
    // failure is reported.
    bool Line(std::string_view line, std::uint64_t number);

    // Every line of `text`, the last one with or without its newline,
    // numbered from 1; `*lines` is how many there were (up to a failure).
    bool Lines(std::string_view text, std::uint64_t* lines);

    // After a failure: the line (numbered as given) and what is wrong with it.
    std::uint64_t BadLine() const { return m_nBadLine; }
    const std::string& What() const { return m_strWhat; }
    // Whether the line that set the layout was a header row.
    bool HasHeader() const { return m_bHeader; }
    // What the user is told about line `number` of the file `path`.
    static std::string Message(const std::string& path, std::uint64_t number,
                               const std::string& what);

private:
    // What each column up to m_nLast holds.
    enum Role : char { kSkip, kDate, kDateTime, kTime, kOpen, kHigh, kLow, kClose, kVolume };

    bool Start(std::string_view line, std::uint64_t number);
    // The common line starting at `p`, in one pass up to its newline:
    // plain fields without quotes or blanks, dates as YYYY.MM.DD (or with -
    // or /) or YYYYMMDD, times as HH:MM[:SS] or HHMM[SS], plain decimals.
    // Where the next line starts; nullptr when the line needs the general
    // reading (Line), which also names its faults. Both read a line alike.
    const char* QuickLine(const char* p, const char* e);
    // The same for the columns date, time, open, high, low, close, volume.
    const char* QuickLineFixed(const char* p, const char* e);
    struct QuickBar;
    // The end of a line read in one pass: the bar appended, where the next
    // line starts; nullptr when the line goes on or is no valid moment.
    const char* EndLine(const char* p, const char* e, QuickBar& bar);
    // The seconds of a moment, using the day of the line before when it is
    // the same; -1 when it is no valid moment.
    std::int64_t Moment(int y, int m, int d, int h, int mi, int se);
    bool Bad(std::uint64_t number, const std::string& what);
    // The fields up to the last one a bar needs; how many the line has up
    // to there (all of them when it has fewer).
    int Fields(std::string_view line);
    void Append(std::int32_t time, double open, double low, double high, double close,
                double volume);

    CRecordBuffer* m_pOut;
    char m_sep = 0;
    bool m_bDecimalComma = false;
    bool m_bHeader = false;
    bool m_bOnePass = true;
    bool m_bFixed = false;  // the columns QuickLineFixed reads
    textfields::Columns m_cols;
    int m_nNeeded = 0;  // columns a line must have
    int m_nLast = 0;    // the last column read
    std::vector<std::string_view> m_field;  // room for the columns up to m_nLast
    std::vector<Role> m_role;               // index = column, up to m_nLast
    int m_nDay = -1;                        // the last day seen, as y * 10000 + m * 100 + d
    std::int64_t m_nDayStart = -1;
    std::uint64_t m_nBadLine = 0;
    std::string m_strWhat;
};
