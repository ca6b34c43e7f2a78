#pragma once

// The honest replay's clock: the one-minute record index of the newest
// replayed minute (-1: nothing replayed). Bar b of a period of n minutes holds
// records n * b to n * b + n - 1, so the cursor of any period follows from it
// and a period switch never moves it.
class CReplayClock {
public:
    static constexpr int kNone = -1;

    bool IsHonest() const { return m_bHonest; }
    void SetHonest(bool on) { m_bHonest = on; }

    int Get() const { return m_nClock; }
    void Set(int clock) { m_nClock = clock < 0 ? kNone : clock; }
    void Reset() { m_nClock = kNone; }

    // The bar of `period` that holds the record `clock` (-1 for none).
    static int BarOf(int clock, int period);
    static int FirstRecordOf(int bar, int period);
    static int LastRecordOf(int bar, int period);
    // True when `clock` is the last record of its bar: the bar is complete.
    static bool EndsBar(int clock, int period);

private:
    bool m_bHonest = false;
    int m_nClock = kNone;
};
