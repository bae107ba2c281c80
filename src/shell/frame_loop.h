#pragma once
// The frame loop: a fixed step with catch-up. Updates are never skipped; drawing is skipped
// while the loop is more than one step behind or the window is minimised. Between frames the
// message queue is emptied, input going to the control tree, socket notifications to the
// network manager and the rest to the window procedure.
#include <cstdint>
#include <optional>

#include "controls/window_message.h"
#include "shell/frame_timing_log.h"

// What the loop needs of the machine: the clock, the message queue and sleeping. The host's
// objects (the display, the network manager, the shutdown) it reaches through the host globals.
// The Windows implementation is the product; tests drive the loop with a clock and a queue of
// their own.
class LoopPlatform {
  public:
    virtual uint32_t Now() = 0;  // milliseconds, wrapping at 2^32
    virtual void RaiseTimerResolution() = 0;
    virtual bool MessageWaiting() = 0;
    virtual bool TakeMessage(WindowMessage* message) = 0;  // false for the quit message
    virtual void TranslateKeys(WindowMessage* message) = 0;
    virtual void DispatchToWindow(WindowMessage* message) = 0;
    virtual void SleepOneMillisecond() = 0;
    // Waits until a message arrives or the milliseconds have passed, whichever comes first.
    virtual void WaitForMessage(uint32_t milliseconds) = 0;
    // The loop stops after this returns true; the product never stops this way.
    virtual bool StopRequested() { return false; }

  protected:
    ~LoopPlatform() = default;
};

// The fixed schedule. t0 is the time base; a frame is due when more than one interval has
// passed since it. The interval is read afresh at every step, because an update may change it:
// the frame that update belongs to is drawn and ended with the new value.
class FrameSchedule {
  public:
    explicit FrameSchedule(uint32_t start) : t0_(start) {}

    // The time since the base when a frame is due, or nothing. A frame that an update lengthened
    // can end with the base ahead of the clock; that difference is a short wait, not a wrap of
    // the timer, or the loop would run updates without pause until the clock caught up.
    std::optional<uint32_t> Due(uint32_t now, uint32_t interval) const {
        uint32_t elapsed = now - t0_;
        if (int32_t(elapsed) < 0 || elapsed <= interval) return std::nullopt;
        return elapsed;
    }

    // A due frame is drawn only while the loop is less than two intervals behind.
    static bool MayDraw(uint32_t elapsed, uint32_t interval) { return elapsed < 2 * interval; }

    void EndFrame(uint32_t interval) { t0_ += interval; }

    // Whether to sleep a millisecond before pumping again: not when the next frame is less than
    // 4 ms away. An overdue frame wraps the subtraction to a large value, which sleeps too.
    bool ShouldSleep(uint32_t now, uint32_t interval) const {
        return interval - (now - t0_) >= kBusyPollMilliseconds;
    }

    // How long until the next frame is due, for the last few milliseconds before it.
    uint32_t UntilDue(uint32_t now, uint32_t interval) const { return interval - (now - t0_) + 1; }

    uint32_t TimeBase() const { return t0_; }

    static constexpr uint32_t kBusyPollMilliseconds = 4;

  private:
    uint32_t t0_;
};

// Whether a message number belongs to the input set that goes to the control tree.
bool IsTreeInputMessage(uint32_t message);

// Hands one input message to the mouse cursor and then to the input root (or, for the Print
// Screen key-up, to the input root's topmost ancestor). Without an input root the message is
// dispatched to the window procedure instead.
void RouteInputMessage(WindowMessage* message, LoopPlatform& platform);

// Runs until the quit message: 1. Returns 0 at once, after shutting down, when the display or
// the root control is missing. With a timing log every frame is counted in it, and while the log
// is on recorded through the loop's clock; otherwise the loop reads the clock no more often than
// it must.
int32_t RunFrameLoop(LoopPlatform& platform, FrameTimingLog* timing = nullptr);
