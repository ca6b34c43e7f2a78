#include "data/KBarIndex.h"

#include "data/Period.h"

void CKBarIndex::ChangePeriod(int newPeriod) {
    if (newPeriod < 0 || newPeriod >= period::kCount) return;
    if (m_nIndex == -1) m_nIndex = 0;
    long long index = m_nIndex;
    if (newPeriod > m_nPeriod)
        index = (index + 1) * period::kMinutes[m_nPeriod] / period::kMinutes[newPeriod];
    else
        index = index * period::kMinutes[m_nPeriod] / period::kMinutes[newPeriod];
    m_nIndex = static_cast<int>(index);
    m_nPeriod = newPeriod;
}
