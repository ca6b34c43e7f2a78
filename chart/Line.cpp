#include "chart/Line.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "data/Period.h"
#include "trade/Order.h"

namespace {

// Bars and price points count as the same unit.
double Distance(std::int32_t barA, double pointsA, std::int32_t barB, double pointsB) {
    const double db = static_cast<double>(static_cast<std::int64_t>(barA) - barB);
    const double dp = pointsA - pointsB;
    return std::sqrt(db * db + dp * dp);
}

}  // namespace

CLine& CLine::Assign(const CLine& other) {
    if (this == &other) return *this;
    m_nLineType = other.m_nLineType;
    m_nAnchorPeriod = other.m_nAnchorPeriod;
    m_bSelected = other.m_bSelected;
    m_arrAnchor.assign(other.m_arrAnchor.begin(), other.m_arrAnchor.end());
    m_arrHandle.assign(other.m_arrHandle.begin(), other.m_arrHandle.end());
    return *this;
}

void CLine::SetLine(int type, const std::vector<BarPoint>& anchors, int period, int selected) {
    m_nLineType = type;
    m_arrAnchor = anchors;
    m_nAnchorPeriod = period;
    m_bSelected = selected;
}

void CLine::AssignWithPeriod(const CLine& other, int period) {
    m_nLineType = other.m_nLineType;
    m_arrAnchor = other.m_arrAnchor;
    m_bSelected = other.m_bSelected;
    m_nAnchorPeriod = period;
}

int CLine::AnchorsNeeded(int type) {
    return (type == kLineTrend || type == kLineFibonacci) ? 2 : 1;
}

BarPoint CLine::MidPoint(const BarPoint& a, const BarPoint& b) {
    const std::uint32_t sum =
        static_cast<std::uint32_t>(a.nIndex) + static_cast<std::uint32_t>(b.nIndex);
    return BarPoint{static_cast<std::int32_t>(sum / 2), (a.fValue + b.fValue) / 2};
}

std::vector<BarPoint> CLine::HandlesOf(const std::vector<BarPoint>& anchors) {
    if (anchors.size() < 2) return {};
    return {anchors[0], MidPoint(anchors[0], anchors[1]), anchors[1]};
}

void CLine::RescalePeriod(int newPeriod) {
    const bool known = m_nAnchorPeriod >= 0 && m_nAnchorPeriod < period::kCount;
    if (newPeriod < 0 || newPeriod >= period::kCount) return;
    if (known) {
        const auto from = static_cast<std::uint32_t>(period::kMinutes[m_nAnchorPeriod]);
        const auto to = static_cast<std::uint32_t>(period::kMinutes[newPeriod]);
        // No +1 for a longer period, unlike the replay cursor: an anchor stays
        // in the bar that holds its minute.
        for (BarPoint& anchor : m_arrAnchor)
            anchor.nIndex =
                static_cast<std::int32_t>(static_cast<std::uint32_t>(anchor.nIndex) * from / to);
    }
    m_nAnchorPeriod = newPeriod;
}

int CLine::HitTest(const BarPoint& pos) const {
    if (static_cast<int>(m_arrAnchor.size()) < AnchorsNeeded(m_nLineType)) return 0;
    const BarPoint& a0 = m_arrAnchor[0];
    switch (m_nLineType) {
        case kLineVertical:
            return std::llabs(static_cast<long long>(pos.nIndex) - a0.nIndex) < 3 ? 1 : 0;
        case kLineHorizontal:
            return std::abs(PriceToPoints(pos.fValue) - PriceToPoints(a0.fValue)) < 3 ? 1 : 0;
        case kLineTrend:
        case kLineFibonacci: {
            const BarPoint& a1 = m_arrAnchor[1];
            const double p0 = PriceToPoints(a0.fValue), p1 = PriceToPoints(a1.fValue),
                         pm = PriceToPoints(pos.fValue);
            const double d01 = Distance(a0.nIndex, p0, a1.nIndex, p1);
            const double d0 = Distance(a0.nIndex, p0, pos.nIndex, pm);
            const double d1 = Distance(a1.nIndex, p1, pos.nIndex, pm);
            // Bar indices compare as unsigned 32-bit numbers.
            const auto b0 = static_cast<std::uint32_t>(a0.nIndex);
            const auto b1 = static_cast<std::uint32_t>(a1.nIndex);
            const auto bm = static_cast<std::uint32_t>(pos.nIndex);
            if (std::min(b0, b1) <= bm && bm <= std::max(b0, b1)) return d01 + 1.0 > d0 + d1;
            if (m_nLineType == kLineFibonacci) return 0;
            // Beyond anchor 1, where the ray continues.
            if ((b1 >= b0 && bm > b1) || (b0 >= b1 && bm < b1)) return d0 + 3.0 > d01 + d1;
            return 0;
        }
        default:
            return 0;
    }
}
