#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/BarRecord.h"
#include "indicators/BarPoint.h"
#include "indicators/IndicateBars.h"
#include "platform/Canvas.h"

// Indicator kinds.
enum IndicateType : int {
    kIndicateMA = 0,
    kIndicateKDJ = 1,
    kIndicateRSI = 2,
    kIndicateMACD = 3,
    kIndicateBOLLIN = 4,
    kIndicateMAX = 5,
    kIndicateMIN = 6,
};

// One technical indicator, held by value in the chart's list: its kind,
// parameters, line settings and six line slots of computed points.
class CIndicate {
public:
    static constexpr int kLineSlots = 6;

    CIndicate() = default;
    virtual ~CIndicate() = default;
    CIndicate(const CIndicate&) = default;
    CIndicate& operator=(const CIndicate&) = default;

    CIndicate& Assign(const CIndicate& other) {
        *this = other;
        return *this;
    }
    void SetMaxPoints(int n) { m_nMaxPoints = n; }
    void SetCalcIndex(int i) { m_nCalcIndex = static_cast<std::uint32_t>(i); }
    void ClearLines();

    // Appends the points of bar i of the symbol's period file. A given
    // `shownBar` stands for bar i (the replay's bar still forming).
    void Compute(const std::string& historyFolder, const std::string& symbol, int period,
                 std::uint32_t i, const BarRecord* shownBar = nullptr);
    // Clears the lines, then computes every bar of the range ending at the
    // cursor (at most m_nMaxPoints bars); `shownBar` as for Compute.
    void Recompute(const std::string& historyFolder, const std::string& symbol, int period,
                   std::uint32_t cursor, const BarRecord* shownBar = nullptr);
    // One bar read: the applied price of bar k (0 when the file lacks it).
    static double GetPrice(std::uint32_t k, const std::string& historyFolder,
                           const std::string& symbol, int period, int applyTo);

    // Line settings and own-pane flag of a kind.
    static int LineSettingCount(int type);
    static int OwnPaneOf(int type) {
        return type == kIndicateKDJ || type == kIndicateRSI || type == kIndicateMACD;
    }

    virtual void RescalePeriod(int newPeriod);
    // Only an own-pane indicator is hit, inside its pane (client coordinates).
    virtual bool HitTest(int x, int y) const;

    int m_nType = kIndicateMA;
    int m_bOwnPane = 0;
    int m_nMaxPoints = 0;
    std::uint32_t m_nCalcIndex = 0xFFFFFFFFu;
    int m_nCalcPeriod = 5;
    std::array<std::vector<BarPoint>, kLineSlots> m_arrLine;
    std::vector<int> m_arrParam;
    std::vector<int> m_arrOption;
    std::vector<double> m_arrRealParam;
    int m_nApplyTo = 0;
    Rect m_rcPane;
    std::vector<Color> m_arrColor;
    std::vector<int> m_arrStyle;
    std::vector<int> m_arrWidth;

private:
    using BarCache = CIndicateBars;
    using Line = std::vector<BarPoint>;

    void ComputeWith(BarCache& cache, std::uint32_t i);
    bool ParamsUsable() const;
    double P(BarCache& c, std::uint32_t k) const;
    void AppendTrim(Line& line, std::uint32_t i, double v) const;
    void AppendSeed(Line& line, std::uint32_t i, double v) const;
    double SmaValue(BarCache& c, std::uint32_t i, std::uint32_t n) const;
    double SmaPoint(BarCache& c, std::uint32_t i, std::uint32_t n, Line& line) const;
    double EmaSeed(BarCache& c, std::uint32_t first, std::uint32_t last) const;
    double EmaPoint(BarCache& c, std::uint32_t i, std::uint32_t n, Line& line) const;
    double ExtremePoint(BarCache& c, std::uint32_t i, std::uint32_t n, Line& line, bool max) const;
    void MacdPoint(BarCache& c, std::uint32_t i);
    void KdjPoint(BarCache& c, std::uint32_t i);
    double ChangeSum(BarCache& c, std::uint32_t i, std::uint32_t n, bool gains) const;
    double Change(BarCache& c, std::uint32_t k, bool gains) const;
    double ChangeSumPoint(BarCache& c, std::uint32_t i, std::uint32_t n, Line& line,
                          bool gains) const;
    void RsiPoint(BarCache& c, std::uint32_t i, std::uint32_t n);
    double BollDeviation(BarCache& c, std::uint32_t i, std::uint32_t n) const;
    // The sum of p over bars from..to, as a loop in bar order computes it.
    double PriceSum(BarCache& c, std::uint32_t from, std::uint32_t to) const;
    // The largest (or smallest) high (or low) over bars from..to.
    double ExtremeOver(BarCache& c, std::uint32_t from, std::uint32_t to, bool max) const;
    void BollPoint(BarCache& c, std::uint32_t i, std::uint32_t n, double dev);
};
