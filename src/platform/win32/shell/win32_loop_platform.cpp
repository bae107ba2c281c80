#include "platform/win32/shell/win32_loop_platform.h"

#include <windows.h>

#include <mmsystem.h>

#include "host/host_globals.h"
#include "platform/win32/shell/presentation.h"

static_assert(sizeof(WindowMessage) == sizeof(MSG), "the tree receives the platform's message record");

namespace {
MSG* AsMsg(WindowMessage* m) { return reinterpret_cast<MSG*>(m); }
}  // namespace

uint32_t Win32LoopPlatform::Now() { return timeGetTime(); }
void Win32LoopPlatform::RaiseTimerResolution() { timeBeginPeriod(1); }
bool Win32LoopPlatform::MessageWaiting() {
    MSG peek;
    return PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE) != 0;
}
bool Win32LoopPlatform::TakeMessage(WindowMessage* message) {
    if (GetMessageA(AsMsg(message), nullptr, 0, 0) == 0) return false;
    AdaptPresentationInput(AsMsg(message));
    return true;
}
void Win32LoopPlatform::TranslateKeys(WindowMessage* message) { ::TranslateMessage(AsMsg(message)); }
void Win32LoopPlatform::DispatchToWindow(WindowMessage* message) { ::DispatchMessageA(AsMsg(message)); }
void Win32LoopPlatform::SleepOneMillisecond() { Sleep(1); }
void Win32LoopPlatform::WaitForMessage(uint32_t milliseconds) {
    // Messages already in the queue count too, not only those that came since it was last read.
    MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

int32_t RunHostFrameLoop(FrameTimingLog* timing) {
    Win32LoopPlatform platform;
    return RunFrameLoop(platform, timing);
}
