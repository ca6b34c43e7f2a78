#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "indicators/BarPoint.h"
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
};
