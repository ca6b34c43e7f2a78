#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "trade/OrderRecord.h"

// The journal of a run: every closed order in the order it was closed, with
// its points, duration and how it was closed, and the summary a trainee
// reviews the run by.
class CJournal {
public:
    struct Entry {
        int nNumber = 0;  // from 1
        OrderRecord order;
        int nPoints = 0;             // direction x (close points - open points)
        std::int64_t nDuration = 0;  // seconds from open to close
    };
    struct Summary {
        int nTrades = 0;
        int nWins = 0;  // profit of 0.0 or more, as the win count counts them
        int nLosses = 0;
        double fNetProfit = 0.0;
        double fWinRate = 0.0;  // per cent of the trades
        double fAverageWin = 0.0;
        double fAverageLoss = 0.0;            // negative
        std::optional<double> fProfitFactor;  // none without a losing trade
        double fExpectancy = 0.0;             // net profit per trade
        double fLargestWin = 0.0;
        double fLargestLoss = 0.0;
        // Of the balance curve (initial money, then one point a trade): the
        // largest fall from a peak, in money and in per cent of that peak.
        double fMaxDrawdown = 0.0;
        double fMaxDrawdownPercent = 0.0;
        int nLongestLosingStreak = 0;
    };

    explicit CJournal(const std::vector<OrderRecord>& closed, double initialMoney = 10000.0);

    const std::vector<Entry>& Entries() const { return m_arrEntries; }
    const Summary& GetSummary() const { return m_summary; }

    // The window's columns and one row's cells.
    static std::vector<std::string> Columns();
    static std::vector<std::string> Cells(const Entry& entry);
    // One line a trade, for the scripted session.
    static std::string Line(const Entry& entry);
    // The summary as (name, value) pairs, values as text.
    std::vector<std::pair<std::string, std::string>> Report() const;
    // The summary in the window's words, one line each.
    std::vector<std::string> ReportText() const;
    // One header row and one row a trade, RFC 4180 (CRLF, quoted as needed).
    std::string Csv() const;

    // "Close", "stop" or "target".
    static const char* ReasonName(int reason);
    // "2005-01-01T00:05:00Z".
    static std::string IsoTime(std::int64_t time);
    // A field quoted when it holds a comma, a quote or a line break.
    static std::string CsvField(const std::string& text);

private:
    std::vector<Entry> m_arrEntries;
    Summary m_summary;
};
