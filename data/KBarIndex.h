#pragma once

// The replay cursor: index of the last replayed bar in the current period's
// file (-1: nothing replayed yet) and the current period 0..8.
class CKBarIndex {
public:
    CKBarIndex() = default;
    virtual ~CKBarIndex() = default;

    void Init(int index, int period) {
        m_nIndex = index;
        m_nPeriod = period;
    }
    int GetIndex() const { return m_nIndex; }
    int GetPeriod() const { return m_nPeriod; }
    void Advance() { ++m_nIndex; }
    void ResetIndex() { m_nIndex = -1; }
    // Rescales the index by the ratio of the period lengths, then switches.
    void ChangePeriod(int newPeriod);

private:
    int m_nIndex = 0;
    int m_nPeriod = 0;
};
