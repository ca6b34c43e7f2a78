#pragma once

#include "trainer/AutoPlay.h"
#include "trainer/ReplayClock.h"
#include "trainer/StepHistory.h"

// Settings of the trainer in tarvello.ini.
namespace trainer_settings {
constexpr const char* kSection = "Trainer";
constexpr const char* kHonestReplay = "HonestReplay";
constexpr const char* kPlaySpeed = "PlaySpeed";
}  // namespace trainer_settings

// What the trainer adds to the replay of one window: the honest clock, the
// states saved before each step, auto-play, and the crosshair with the
// pointer it follows.
struct CTrainer {
    CReplayClock m_clock;
    CStepHistory m_steps;
    CAutoPlay m_play;
    // The crosshair and the time axis are switched together.
    bool m_bCrosshair = false;
    // Where the pointer was last seen (client coordinates); false once it left.
    bool m_bMouseIn = false;
    int m_nMouseX = 0;
    int m_nMouseY = 0;

    bool IsHonest() const { return m_clock.IsHonest(); }
};
