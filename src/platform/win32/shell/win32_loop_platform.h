#pragma once
// The frame loop's machine on Windows: the multimedia timer, the thread's message queue and the
// window procedure.
#include "shell/frame_loop.h"

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
