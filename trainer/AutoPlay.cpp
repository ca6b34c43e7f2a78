#include "trainer/AutoPlay.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<int, 10> kSpeeds = {1, 2, 3, 5, 10, 15, 20, 30, 40, 50};

}  // namespace

void CAutoPlay::SetSpeed(int barsPerSecond) {
    m_nSpeed = std::clamp(barsPerSecond, kMinSpeed, kMaxSpeed);
}

void CAutoPlay::Faster() {
    for (int s : kSpeeds)
        if (s > m_nSpeed) {
            m_nSpeed = s;
            return;
        }
}

void CAutoPlay::Slower() {
    for (auto it = kSpeeds.rbegin(); it != kSpeeds.rend(); ++it)
        if (*it < m_nSpeed) {
            m_nSpeed = *it;
            return;
        }
}
