#include "indicators/Indicate.h"

#include "data/Period.h"

void CIndicate::ClearLines() {
    m_nCalcIndex = 0xFFFFFFFFu;
    for (auto& line : m_arrLine) line.clear();
}

void CIndicate::RescalePeriod(int newPeriod) {
    if (newPeriod < 0 || newPeriod >= period::kCount) return;
    if (m_nCalcPeriod >= 0 && m_nCalcPeriod < period::kCount && m_nCalcIndex != 0xFFFFFFFFu) {
        // Unsigned 32-bit arithmetic: the product first, then the division.
        std::uint32_t product =
            m_nCalcIndex * static_cast<std::uint32_t>(period::kMinutes[m_nCalcPeriod]);
        m_nCalcIndex = product / static_cast<std::uint32_t>(period::kMinutes[newPeriod]);
    }
    m_nCalcPeriod = newPeriod;
}

bool CIndicate::HitTest(int x, int y) const {
    return m_bOwnPane == 1 && x >= m_rcPane.left && x < m_rcPane.right && y >= m_rcPane.top &&
           y < m_rcPane.bottom;
}
