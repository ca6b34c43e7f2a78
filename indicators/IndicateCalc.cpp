// The indicator calculations: incremental forms that slide a window by one
// bar from the newest point of a line, and direct seeds while a line is
// empty or the history is shorter than the window.
#include <algorithm>
#include <cmath>

#include "data/HistoryFile.h"
#include "indicators/Indicate.h"

namespace {

// Windows up to this many bars are summed or scanned directly.
constexpr std::uint32_t kDirectWindow = 64;
// The most bars a Recompute reads ahead in one go.
constexpr std::uint32_t kPrefetchBars = 1u << 16;

double Applied(const BarRecord& b, int applyTo) {
    switch (applyTo) {
        case 1:
            return b.open;
        case 2:
            return b.high;
        case 3:
            return b.low;
        case 4:
            return b.low + (b.high - b.low) / 2;
        case 5:
            return b.low + (b.high - b.low) / 3;
        case 6:
            return b.low + (b.high - b.low) / 4;
        default:
            return b.close;
    }
}

double Mean(const std::vector<BarPoint>& line) {
    double sum = 0.0;
    for (const BarPoint& p : line) sum += p.fValue;
    return line.empty() ? 0.0 : sum / static_cast<double>(line.size());
}

}  // namespace

double CIndicate::GetPrice(std::uint32_t k, const std::string& historyFolder,
                           const std::string& symbol, int period, int applyTo) {
    BarRecord bar;
    ReadBar(bar, static_cast<int>(k), historyFolder, symbol, period);
    return Applied(bar, applyTo);
}

int CIndicate::LineSettingCount(int type) {
    switch (type) {
        case kIndicateKDJ:
        case kIndicateMACD:
            return 3;
        case kIndicateRSI:
            return 2;
        default:
            return 1;
    }
}

double CIndicate::P(BarCache& c, std::uint32_t k) const {
    return Applied(c.Get(k), m_nApplyTo);
}

void CIndicate::AppendTrim(Line& line, std::uint32_t i, double v) const {
    line.push_back(BarPoint{static_cast<std::int32_t>(i), v});
    if (static_cast<int>(line.size()) > m_nMaxPoints) line.erase(line.begin());
}

void CIndicate::AppendSeed(Line& line, std::uint32_t i, double v) const {
    line.push_back(BarPoint{static_cast<std::int32_t>(i), v});
    // A seed appends without trimming and so leaves its line one point
    // longer; with a period longer than the chart it would grow for ever.
    if (static_cast<int>(line.size()) > m_nMaxPoints + 1) line.erase(line.begin());
}

// A period below 1 (the dialog takes "0" or "abc") computes nothing.
bool CIndicate::ParamsUsable() const {
    std::size_t need = 1;
    if (m_nType == kIndicateKDJ || m_nType == kIndicateMACD) need = 3;
    if (m_arrParam.size() < need) return false;
    for (std::size_t k = 0; k < need; ++k)
        if (m_arrParam[k] < 1) return false;
    if (m_nType == kIndicateBOLLIN && m_arrRealParam.empty()) return false;
    if ((m_nType == kIndicateMA || m_nType == kIndicateMACD) && m_arrOption.empty()) return false;
    return true;
}

void CIndicate::Compute(const std::string& historyFolder, const std::string& symbol, int period,
                        std::uint32_t i, const BarRecord* shownBar) {
    BarCache cache(historyFolder, symbol, period);
    cache.Show(shownBar, i);
    ComputeWith(cache, i);
}

void CIndicate::Recompute(const std::string& historyFolder, const std::string& symbol, int period,
                          std::uint32_t cursor, const BarRecord* shownBar) {
    ClearLines();
    const std::uint32_t max = static_cast<std::uint32_t>(std::max(m_nMaxPoints, 0));
    const std::uint32_t end = cursor + 1;  // 0 for a cursor of none
    const std::uint32_t first = end < max ? 0 : end - max;
    if (end == first) return;
    BarCache cache(historyFolder, symbol, period);
    cache.Show(shownBar, cursor);
    // The range and the windows before it, in one read: the longest window
    // reaches back twice its period (the first Bollinger deviation).
    std::uint32_t back = 0;
    for (int p : m_arrParam) back = std::max<std::uint32_t>(back, p > 0 ? p : 0);
    back = std::min<std::uint32_t>(back, kPrefetchBars / 2) * 2 + 1;
    const std::uint32_t last = std::min(cursor, cache.Count() == 0 ? 0 : cache.Count() - 1);
    const std::uint32_t from = first > back ? first - back : 0;
    if (from <= last)
        cache.Prefetch(last - from < kPrefetchBars ? from : last - kPrefetchBars + 1, last);
    for (std::uint32_t k = first; k < end; ++k) ComputeWith(cache, k);
}

void CIndicate::ComputeWith(BarCache& c, std::uint32_t i) {
    if (!ParamsUsable()) return;
    // Never a point from an invented price: bar i must be in the file (the
    // bars before it then are too).
    if (i >= c.Count()) return;
    const std::uint32_t n = static_cast<std::uint32_t>(m_arrParam[0]);
    switch (m_nType) {
        case kIndicateMA:
            if (m_arrOption[0] == 0)
                SmaPoint(c, i, n, m_arrLine[0]);
            else if (m_arrOption[0] == 1)
                EmaPoint(c, i, n, m_arrLine[0]);
            break;
        case kIndicateKDJ:
            KdjPoint(c, i);
            break;
        case kIndicateRSI:
            RsiPoint(c, i, n);
            break;
        case kIndicateMACD:
            MacdPoint(c, i);
            break;
        case kIndicateBOLLIN:
            BollPoint(c, i, n, m_arrRealParam[0]);
            break;
        case kIndicateMAX:
            ExtremePoint(c, i, n, m_arrLine[0], true);
            break;
        case kIndicateMIN:
            ExtremePoint(c, i, n, m_arrLine[0], false);
            break;
        default:
            break;
    }
}

double CIndicate::SmaValue(BarCache& c, std::uint32_t i, std::uint32_t n) const {
    if (n < 1) return 0.0;
    const std::uint32_t from = i < n ? 0 : i - n + 1;
    return PriceSum(c, from, i) / (i < n ? static_cast<double>(i + 1) : static_cast<double>(n));
}

double CIndicate::PriceSum(BarCache& c, std::uint32_t from, std::uint32_t to) const {
    if (from == 0) {
        std::vector<double>& sums = c.m_arrPriceSum;
        while (sums.size() <= to) {
            const auto k = static_cast<std::uint32_t>(sums.size());
            sums.push_back((sums.empty() ? 0.0 : sums.back()) + P(c, k));
        }
        return sums[to];
    }
    auto direct = [&] {
        double sum = 0.0;
        for (std::uint32_t k = from; k <= to; ++k) sum += P(c, k);
        return sum;
    };
    // Short windows are summed directly; a long one slides from the window
    // one bar before it (two lanes: the middle line and the leaving bar's).
    if (to - from < kDirectWindow) return direct();
    BarCache::WindowSum* lane = nullptr;
    for (auto& w : c.m_window)
        if (w.to - w.from == to - from && (w.from == from || w.from + 1 == from)) lane = &w;
    if (lane && lane->from + 1 == from) {
        lane->sum = lane->sum + P(c, to) - P(c, from - 1);
        lane->from = from;
        lane->to = to;
    } else if (!lane) {
        lane = c.m_window[0].used <= c.m_window[1].used ? &c.m_window[0] : &c.m_window[1];
        *lane = BarCache::WindowSum{from, to, direct(), 0};
    }
    lane->used = ++c.m_nWindowClock;
    return lane->sum;
}

double CIndicate::ExtremeOver(BarCache& c, std::uint32_t from, std::uint32_t to, bool max) const {
    auto x = [&](std::uint32_t k) { return max ? c.Get(k).high : c.Get(k).low; };
    auto better = [max](double a, double b) { return max ? std::max(a, b) : std::min(a, b); };
    if (to - from < kDirectWindow) {
        double v = x(from);
        for (std::uint32_t k = from + 1; k <= to; ++k) v = better(v, x(k));
        return v;
    }
    // A monotonic queue over the bars, which the windows only move forwards over.
    BarCache::Extreme& e = c.m_extreme[max ? 1 : 0];
    if (!e.valid || from < e.lo || to < e.hi || from > e.hi) {
        e.valid = true;
        e.queue.clear();
        e.lo = e.hi = from;
        e.queue.push_back(from);
    }
    // Strictly better pushes out: among equal values the oldest stays.
    auto dominates = [&](double a, double b) { return max ? a > b : a < b; };
    for (std::uint32_t k = e.hi + 1; k <= to && k > e.hi; ++k) {
        while (!e.queue.empty() && dominates(x(k), x(e.queue.back()))) e.queue.pop_back();
        e.queue.push_back(k);
    }
    e.hi = to;
    e.lo = from;
    while (e.queue.front() < from) e.queue.pop_front();
    return x(e.queue.front());
}

double CIndicate::SmaPoint(BarCache& c, std::uint32_t i, std::uint32_t n, Line& line) const {
    const double v = (line.empty() || i < n) ? SmaValue(c, i, n)
                                             : (line.back().fValue * n - P(c, i - n) + P(c, i)) / n;
    AppendTrim(line, i, v);
    return v;
}

double CIndicate::EmaSeed(BarCache& c, std::uint32_t first, std::uint32_t last) const {
    if (last < first) return 0.0;
    if (first == 0) {
        // The seeds over bars 0..i for every i share their steps.
        std::vector<double>& seeds = c.m_arrEmaSeed;
        if (seeds.empty()) seeds.push_back(P(c, 0));
        while (seeds.size() <= last) {
            const auto b = static_cast<std::uint32_t>(seeds.size());
            const std::uint32_t k = b + 1;
            seeds.push_back((2 * P(c, b) + (k - 1) * seeds.back()) / (k + 1));
        }
        return seeds[last];
    }
    double s = P(c, first);
    std::uint32_t k = 2;
    for (std::uint32_t b = first + 1; b <= last; ++b, ++k)
        s = (2 * P(c, b) + (k - 1) * s) / (k + 1);
    return s;
}

double CIndicate::EmaPoint(BarCache& c, std::uint32_t i, std::uint32_t n, Line& line) const {
    if (!line.empty() && i >= n) {
        const double v = (2 * P(c, i) + (n - 1.0) * line.back().fValue) / (n + 1.0);
        AppendTrim(line, i, v);
        return v;
    }
    const double v = i >= n ? EmaSeed(c, i - n + 1, i) : EmaSeed(c, 0, i);
    AppendSeed(line, i, v);
    return v;
}

double CIndicate::ExtremePoint(BarCache& c, std::uint32_t i, std::uint32_t n, Line& line,
                               bool max) const {
    auto x = [&](std::uint32_t k) { return max ? c.Get(k).high : c.Get(k).low; };
    auto better = [max](double a, double b) { return max ? std::max(a, b) : std::min(a, b); };
    const double cur = x(i);
    if (line.empty() || i < n) {
        const double v = line.empty() ? cur : better(cur, line.back().fValue);
        AppendSeed(line, i, v);
        return v;
    }
    const double prev = line.back().fValue;
    const double old = x(i - n);
    double v;
    if (max ? old < prev : old > prev) {
        v = better(cur, prev);
    } else {
        v = ExtremeOver(c, i - n + 1, i, max);
    }
    AppendTrim(line, i, v);
    return v;
}

void CIndicate::MacdPoint(BarCache& c, std::uint32_t i) {
    const std::uint32_t n = m_arrParam[0], r = m_arrParam[1], g = m_arrParam[2];
    const double e1 = EmaPoint(c, i, n, m_arrLine[3]);
    const double e2 = EmaPoint(c, i, r, m_arrLine[4]);
    const double dif = e1 - e2;
    Line& l0 = m_arrLine[0];
    AppendTrim(l0, i, dif);
    const std::size_t m = l0.size();
    if (m_arrLine[1].empty() || m - 1 < g) {
        const double dea = Mean(l0);
        AppendSeed(m_arrLine[1], i, dea);
        AppendSeed(m_arrLine[2], i, 2 * (dif - dea));
    } else {
        const double dea =
            m_arrLine[1].back().fValue - l0[m - g - 1].fValue / g + l0[m - 1].fValue / g;
        AppendTrim(m_arrLine[1], i, dea);
        AppendTrim(m_arrLine[2], i, 2 * (dif - dea));
    }
}

void CIndicate::KdjPoint(BarCache& c, std::uint32_t i) {
    const std::uint32_t r = m_arrParam[0], kp = m_arrParam[1], dp = m_arrParam[2];
    const double lo = ExtremePoint(c, i, r, m_arrLine[5], false);
    const double hi = ExtremePoint(c, i, r, m_arrLine[4], true);
    // A window without range has no position in it: the middle, 50.
    const double rsv = hi > lo ? (c.Get(i).close - lo) / (hi - lo) * 100 : 50.0;
    Line& l3 = m_arrLine[3];
    AppendTrim(l3, i, rsv);
    const std::size_t m3 = l3.size();
    Line& l0 = m_arrLine[0];
    double k;
    if (l0.empty() || m3 - 1 < kp) {
        k = Mean(l3);
        AppendSeed(l0, i, k);
    } else {
        k = l0.back().fValue - l3[m3 - kp - 1].fValue / kp + l3[m3 - 1].fValue / kp;
        AppendTrim(l0, i, k);
    }
    const std::size_t mk = l0.size();
    Line& l1 = m_arrLine[1];
    double d;
    if (l1.empty() || mk - 1 < dp) {
        d = Mean(l0);
        AppendSeed(l1, i, d);
    } else {
        d = l1.back().fValue - l0[mk - dp - 1].fValue / dp + l0[mk - 1].fValue / dp;
        AppendTrim(l1, i, d);
    }
    AppendTrim(m_arrLine[2], i, 3 * k - 2 * d);
}

double CIndicate::Change(BarCache& c, std::uint32_t k, bool gains) const {
    if (k == 0) return 0.0;
    const double d = gains ? P(c, k) - P(c, k - 1) : P(c, k - 1) - P(c, k);
    return d > 0 ? d : 0.0;
}

double CIndicate::ChangeSum(BarCache& c, std::uint32_t i, std::uint32_t n, bool gains) const {
    if (n < 1) return 0.0;
    const std::uint32_t from = i < n ? 1 : i - n + 1;
    if (from == 1) {
        std::vector<double>& sums = c.m_arrChangeSum[gains ? 1 : 0];
        if (sums.empty()) sums.push_back(0.0);  // no change before bar 1
        while (sums.size() <= i) {
            const auto k = static_cast<std::uint32_t>(sums.size());
            sums.push_back(sums.back() + Change(c, k, gains));
        }
        return sums[i];
    }
    double sum = 0.0;
    for (std::uint32_t k = from; k <= i; ++k) sum += Change(c, k, gains);
    return sum;
}

double CIndicate::ChangeSumPoint(BarCache& c, std::uint32_t i, std::uint32_t n, Line& line,
                                 bool gains) const {
    // i <= n, not i < n: the sliding form needs bar i - n - 1.
    const double v = (line.empty() || i <= n)
                         ? ChangeSum(c, i, n, gains)
                         : line.back().fValue + Change(c, i, gains) - Change(c, i - n, gains);
    AppendTrim(line, i, v);
    return v;
}

void CIndicate::RsiPoint(BarCache& c, std::uint32_t i, std::uint32_t n) {
    const double up = ChangeSumPoint(c, i, n, m_arrLine[5], true);
    const double down = ChangeSumPoint(c, i, n, m_arrLine[4], false);
    const double rsi = down == 0.0 ? 0.0 : 100 - 100 / (1 + up / down);
    AppendTrim(m_arrLine[0], i, rsi);
}

double CIndicate::BollDeviation(BarCache& c, std::uint32_t i, std::uint32_t n) const {
    if (n < 1) return 0.0;
    if (i < n) {
        // Over bars 0..i every bar's mean is that of all bars up to it, the
        // same for every period above i: one running sum serves all points.
        std::vector<double>& sums = c.m_arrDevSum;
        while (sums.size() <= i) {
            const auto k = static_cast<std::uint32_t>(sums.size());
            const double d = SmaValue(c, k, k + 1) - P(c, k);
            sums.push_back((sums.empty() ? 0.0 : sums.back()) + d * d);
        }
        return std::sqrt(sums[i] / static_cast<double>(i + 1));
    }
    const std::uint32_t from = i - n + 1;
    double sum = 0.0;
    for (std::uint32_t k = from; k <= i; ++k) {
        const double d = SmaValue(c, k, n) - P(c, k);
        sum += d * d;
    }
    return std::sqrt(sum / static_cast<double>(n));
}

void CIndicate::BollPoint(BarCache& c, std::uint32_t i, std::uint32_t n, double dev) {
    const double mid = SmaPoint(c, i, n, m_arrLine[0]);
    const std::size_t mm = m_arrLine[0].size();
    const double price = P(c, i);
    Line& l5 = m_arrLine[5];
    double sd;
    if (l5.empty() || i < n) {
        sd = BollDeviation(c, i, n);
    } else {
        const double prev = l5.back().fValue;
        const double old = P(c, i - n);
        const double oldmid = mm <= n ? SmaValue(c, i - n, n) : m_arrLine[0][mm - n - 1].fValue;
        const double q =
            (prev * prev * n + (price - mid) * (price - mid) - (old - oldmid) * (old - oldmid)) / n;
        sd = q > 0.0 ? std::sqrt(q) : 0.0;  // rounding on flat prices can go below 0
    }
    AppendTrim(l5, i, sd);
    m_arrLine[1].push_back(BarPoint{static_cast<std::int32_t>(i), mid + dev * sd});
    m_arrLine[2].push_back(BarPoint{static_cast<std::int32_t>(i), mid - dev * sd});
    if (static_cast<int>(m_arrLine[1].size()) > m_nMaxPoints) {
        m_arrLine[1].erase(m_arrLine[1].begin());
        m_arrLine[2].erase(m_arrLine[2].begin());
    }
}
