#pragma once

// Auto-play: whether the replay steps on its own, and how many bars a second.
class CAutoPlay {
public:
    static constexpr int kMinSpeed = 1;
    static constexpr int kMaxSpeed = 50;
    static constexpr int kDefaultSpeed = 5;

    bool IsPlaying() const { return m_bPlaying; }
    void SetPlaying(bool on) { m_bPlaying = on; }
    int GetSpeed() const { return m_nSpeed; }
    // Clamped to 1..50.
    void SetSpeed(int barsPerSecond);
    // The next speed up or down: 1, 2, 3, 5, 10, 15, 20, 30, 40, 50.
    void Faster();
    void Slower();
    // Milliseconds between two steps at the current speed.
    int IntervalMs() const { return 1000 / m_nSpeed; }

private:
    bool m_bPlaying = false;
    int m_nSpeed = kDefaultSpeed;
};
