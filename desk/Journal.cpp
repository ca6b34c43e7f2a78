#include "desk/Journal.h"

#include <algorithm>
#include <cmath>
#include <ctime>

#include "platform/Format.h"
#include "trade/Order.h"
#include "trainer/TrainerTime.h"

CJournal::CJournal(const std::vector<OrderRecord>& closed, double initialMoney) {
    Summary& s = m_summary;
    double grossWin = 0.0, grossLoss = 0.0;
    double balance = initialMoney, peak = initialMoney;
    int streak = 0;
    for (const OrderRecord& order : closed) {
        Entry e;
        e.nNumber = static_cast<int>(m_arrEntries.size()) + 1;
        e.order = order;
        e.nPoints =
            order.nDirection * (PriceToPoints(order.fClosePrice) - PriceToPoints(order.fOpenPrice));
        e.nDuration = static_cast<std::int64_t>(order.nCloseTime) - order.nOpenTime;
        m_arrEntries.push_back(e);

        const double p = order.fprofit;
        ++s.nTrades;
        s.fNetProfit += p;
        if (p >= 0.0) {
            ++s.nWins;
            grossWin += p;
            s.fLargestWin = std::max(s.fLargestWin, p);
            streak = 0;
        } else {
            ++s.nLosses;
            grossLoss += p;
            s.fLargestLoss = std::min(s.fLargestLoss, p);
            s.nLongestLosingStreak = std::max(s.nLongestLosingStreak, ++streak);
        }
        balance += p;
        peak = std::max(peak, balance);
        if (peak - balance > s.fMaxDrawdown) {
            s.fMaxDrawdown = peak - balance;
            s.fMaxDrawdownPercent = peak > 0.0 ? s.fMaxDrawdown / peak * 100.0 : 0.0;
        }
    }
    if (s.nTrades > 0) {
        s.fWinRate = 100.0 * s.nWins / s.nTrades;
        s.fExpectancy = s.fNetProfit / s.nTrades;
    }
    if (s.nWins > 0) s.fAverageWin = grossWin / s.nWins;
    if (s.nLosses > 0) {
        s.fAverageLoss = grossLoss / s.nLosses;
        s.fProfitFactor = grossWin / -grossLoss;
    }
}

const char* CJournal::ReasonName(int reason) {
    switch (reason) {
        case OrderRecord::kByStopLoss:
            return "stop";
        case OrderRecord::kByTakeProfit:
            return "target";
        default:
            return "Close";
    }
}

std::string CJournal::IsoTime(std::int64_t time) {
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

std::string CJournal::CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

namespace {

std::string Direction(const OrderRecord& o) {
    return o.nDirection > 0 ? "BUY" : "SELL";
}
std::string Price(double v) {
    return FormatStatDouble(v);
}
// A price as the pair is quoted: a decimal below the point (1.26000,
// 147.120).
std::string Quote(double v) {
    if (v <= 0.0) return "";
    const int decimals = std::max(0, 1 - static_cast<int>(std::lround(std::log10(PointSize(v)))));
    return FormatString("%.*f", decimals, v);
}
std::string Money(double v) {
    return FormatString("%.2f", v);
}

std::string Duration(std::int64_t seconds) {
    const std::int64_t minutes = seconds / 60;
    const std::int64_t days = minutes / 1440;
    std::string text = FormatString("%02lld:%02lld", static_cast<long long>(minutes / 60 % 24),
                                    static_cast<long long>(minutes % 60));
    return days > 0 ? FormatString("%lld天 ", static_cast<long long>(days)) + text : text;
}

const char* ReasonText(int reason) {
    switch (reason) {
        case OrderRecord::kByStopLoss:
            return "止损";
        case OrderRecord::kByTakeProfit:
            return "止盈";
        default:
            return "Close";
    }
}

std::string Level(double v) {
    return v > 0.0 ? Price(v) : "";
}

}  // namespace

std::vector<std::string> CJournal::Columns() {
    return {"#",      "货币", "方向", "手数", "开仓时间", "开仓价",   "平仓时间",
            "平仓价", "止损", "止盈", "点数", "盈亏",     "持仓时间", "平仓方式"};
}

std::vector<std::string> CJournal::Cells(const Entry& e) {
    const OrderRecord& o = e.order;
    return {FormatString("%d", e.nNumber),
            o.Symbol(),
            Direction(o),
            FormatString("%.1f", o.fOrderSize),
            FormatBarTime(o.nOpenTime),
            Quote(o.fOpenPrice),
            FormatBarTime(o.nCloseTime),
            Quote(o.fClosePrice),
            Quote(o.StopLoss()),
            Quote(o.TakeProfit()),
            FormatString("%d", e.nPoints),
            Money(o.fprofit),
            Duration(e.nDuration),
            ReasonText(o.nCloseReason)};
}

std::string CJournal::Line(const Entry& e) {
    const OrderRecord& o = e.order;
    return FormatString("%d ", e.nNumber) + IsoTime(o.nOpenTime) + " " + IsoTime(o.nCloseTime) +
           " " + Direction(o) + " " + FormatString("%.1f", o.fOrderSize) + " " + o.Symbol() + " " +
           Price(o.fOpenPrice) + " " + Price(o.fClosePrice) + " " + FormatString("%d", e.nPoints) +
           " " + Money(o.fprofit) + " " +
           FormatString("%lld", static_cast<long long>(e.nDuration)) + " " +
           ReasonName(o.nCloseReason);
}

std::vector<std::pair<std::string, std::string>> CJournal::Report() const {
    const Summary& s = m_summary;
    return {
        {"trades", FormatString("%d", s.nTrades)},
        {"wins", FormatString("%d", s.nWins)},
        {"losses", FormatString("%d", s.nLosses)},
        {"net_profit", Money(s.fNetProfit)},
        {"win_rate", FormatString("%.2f", s.fWinRate)},
        {"average_win", Money(s.fAverageWin)},
        {"average_loss", Money(s.fAverageLoss)},
        {"profit_factor", s.fProfitFactor ? FormatString("%.2f", *s.fProfitFactor) : "-"},
        {"expectancy", Money(s.fExpectancy)},
        {"largest_win", Money(s.fLargestWin)},
        {"largest_loss", Money(s.fLargestLoss)},
        {"max_drawdown", Money(s.fMaxDrawdown)},
        {"max_drawdown_percent", FormatString("%.2f", s.fMaxDrawdownPercent)},
        {"longest_losing_streak", FormatString("%d", s.nLongestLosingStreak)},
    };
}

std::vector<std::string> CJournal::ReportText() const {
    const Summary& s = m_summary;
    return {
        FormatString("交易次数 %d (盈利 %d, 亏损 %d)   净盈亏 %.2f", s.nTrades, s.nWins, s.nLosses,
                     s.fNetProfit),
        FormatString("胜率 %.2f%%   平均盈利 %.2f   平均亏损 %.2f   盈亏比(利润因子) ", s.fWinRate,
                     s.fAverageWin, s.fAverageLoss) +
            (s.fProfitFactor ? FormatString("%.2f", *s.fProfitFactor) : std::string("-")),
        FormatString("每笔期望 %.2f   最大盈利 %.2f   最大亏损 %.2f", s.fExpectancy, s.fLargestWin,
                     s.fLargestLoss),
        FormatString("最大回撤 %.2f (%.2f%%)   最长连亏 %d 笔", s.fMaxDrawdown,
                     s.fMaxDrawdownPercent, s.nLongestLosingStreak),
    };
}

std::string CJournal::Csv() const {
    std::string out =
        "number,symbol,direction,lots,open_time,open_price,close_time,close_price,stop_loss,"
        "take_profit,points,profit,duration_seconds,closed_by\r\n";
    for (const Entry& e : m_arrEntries) {
        const OrderRecord& o = e.order;
        const std::vector<std::string> fields = {
            FormatString("%d", e.nNumber),
            o.Symbol(),
            Direction(o),
            FormatString("%.1f", o.fOrderSize),
            IsoTime(o.nOpenTime),
            Price(o.fOpenPrice),
            IsoTime(o.nCloseTime),
            Price(o.fClosePrice),
            Level(o.StopLoss()),
            Level(o.TakeProfit()),
            FormatString("%d", e.nPoints),
            Money(o.fprofit),
            FormatString("%lld", static_cast<long long>(e.nDuration)),
            ReasonName(o.nCloseReason)};
        for (std::size_t i = 0; i < fields.size(); ++i) out += (i ? "," : "") + CsvField(fields[i]);
        out += "\r\n";
    }
    return out;
}
