#pragma once
// The frame loop's machine on Windows: the multimedia timer, the thread's message queue and the
// window procedure.
#include <cstdint>

#include "shell/frame_loop.h"
#include "shell/frame_timing_log.h"

class Win32LoopPlatform final : public LoopPlatform {
  public:
    uint32_t Now() override;
    void RaiseTimerResolution() override;
    bool MessageWaiting() override;
    bool TakeMessage(WindowMessage* message) override;
    void TranslateKeys(WindowMessage* message) override;
    void DispatchToWindow(WindowMessage* message) override;
    void SleepOneMillisecond() override;
    void WaitForMessage(uint32_t milliseconds) override;
};

// Runs the frame loop on the real machine until the quit message, recording its frames in the
// timing log when one is given and on.
int32_t RunHostFrameLoop(FrameTimingLog* timing = nullptr);
