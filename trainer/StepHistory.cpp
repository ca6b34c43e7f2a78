#include "trainer/StepHistory.h"

#include <utility>

namespace {

template <typename T>
void Share(std::shared_ptr<const std::vector<T>>& current,
           const std::shared_ptr<const std::vector<T>>& previous) {
    if (!current || !previous || current == previous) return;
    if (*current == *previous) current = previous;
}

}  // namespace

void CStepHistory::Push(CReplaySnapshot snapshot) {
    if (!Empty()) {
        Share(snapshot.pHstOrders, m_arrSnapshots.back().pHstOrders);
        Share(snapshot.pBalance, m_arrSnapshots.back().pBalance);
    }
    m_arrSnapshots.push_back(std::move(snapshot));
}

CReplaySnapshot CStepHistory::Pop() {
    CReplaySnapshot snapshot = std::move(m_arrSnapshots.back());
    m_arrSnapshots.pop_back();
    return snapshot;
}
