#pragma once

#include <memory>
#include <vector>

#include "trainer/ReplaySnapshot.h"

// The states saved before each replay step of the run, newest last; step
// back takes the newest. Unlimited: a snapshot without new closed orders or
// curve points shares those lists with the one before it.
class CStepHistory {
public:
    // Saves `snapshot`; its closed orders and curve points are shared with
    // the previous snapshot's when they are equal.
    void Push(CReplaySnapshot snapshot);
    bool Empty() const { return m_arrSnapshots.empty(); }
    int Count() const { return static_cast<int>(m_arrSnapshots.size()); }
    // Removes and returns the newest snapshot; call only when not Empty.
    CReplaySnapshot Pop();
    const CReplaySnapshot& Newest() const { return m_arrSnapshots.back(); }
    void Clear() { m_arrSnapshots.clear(); }

private:
    std::vector<CReplaySnapshot> m_arrSnapshots;
};
