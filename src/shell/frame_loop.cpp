#include "shell/frame_loop.h"

#include "common/host_notice_platform.h"
#include "common/window_message_numbers.h"
#include "display/display.h"
#include "host/host_globals.h"
#include "host/input_root.h"
#include "net/network_manager.h"
#include "shell/application_platform.h"
#include "shell/application_shutdown.h"
#include "shell/held_socket_notices.h"

// The messages the control tree receives. Dead characters and double clicks of the right and middle
// buttons are not among them: they go to the window procedure.
bool IsTreeInputMessage(uint32_t m) {
    using namespace window_message;
    switch (m) {
    case KeyDown:
    case KeyUp:
    case Char:
    case SystemKeyDown:
    case SystemKeyUp:
    case ImeStartComposition:
    case ImeEndComposition:
    case ImeComposition:
    case MouseMove:
    case LeftButtonDown:
    case LeftButtonUp:
    case LeftButtonDoubleClick:
    case RightButtonDown:
    case RightButtonUp:
    case MiddleButtonDown:
    case MiddleButtonUp:
    case MouseWheel:
    case ImeSetContext:
    case ImeNotify:
    case ImeControl:
    case ImeCompositionFull:
    case ImeSelect:
    case ImeChar:
    case ImeKeyDown:
    case ImeKeyUp:
        return true;
    default:
        return false;
    }
}

void RouteInputMessage(WindowMessage* message, LoopPlatform& platform) {
    if (!host::ReachableInputRoot()) {
        platform.DispatchToWindow(message);
        return;
    }
    if (host::MouseCursor) {
        ShutdownHold hold;
        host::MouseCursor->HandleMessage(message);
    }
    // The cursor's children may have moved, cleared or deleted the input root, or ended the run.
    Control* target = host::ReachableInputRoot();
    if (!target) return;
    if (message->message == window_message::KeyUp && message->wParam == window_message::PrintScreenKey) {
        while (target->parent)
            target = target->parent;
    }
    ShutdownHold hold;
    target->HandleMessage(message);
}

namespace {
// Records a point of the frame in the timing log, reading the clock only when the log is on.
void MarkFrame(FrameTimingLog* timing, FrameMark mark, LoopPlatform& platform) {
    if (timing && timing->IsOn()) timing->Mark(mark, platform.Now());
}

// Every call into the tree may end the run, which releases the host objects when the call
// returns: each step reads the host globals afresh.
void DrawFrame(LoopPlatform& platform, FrameTimingLog* timing) {
    if (!host::Display || !host::RootControl) return;
    Rect clip{0, 0, host::Display->width, host::Display->height};
    MarkFrame(timing, FrameMark::DrawStart, platform);
    RootControl* root = host::RootControl;
    if (host::BackgroundClear && root->ownSurface) root->ownSurface->FillRectangle(clip, root->fillColour);
    {
        ShutdownHold hold;
        DrawTree(host::DrawRoot, root, &clip);
    }
    if (host::MouseCursor && host::RootControl) {
        ShutdownHold hold;
        DrawTree(host::MouseCursor, host::RootControl, nullptr);
    }
    Control* cursor = host::MouseCursor;
    if (Control* inputRoot = cursor ? host::ReachableInputRoot() : nullptr) {
        // Controls see the pointer's position once per frame even when the mouse is still.
        WindowMessage move{};
        move.message = window_message::MouseMove;
        move.lParam = intptr_t((uint32_t(cursor->y) << 16) | uint32_t(cursor->x));
        ShutdownHold hold;
        inputRoot->HandleMessage(&move);
    }
    MarkFrame(timing, FrameMark::DrawEnd, platform);
    MarkFrame(timing, FrameMark::PresentStart, platform);
    if (host::Display) host::Display->Present();
    MarkFrame(timing, FrameMark::PresentEnd, platform);
}
}  // namespace

namespace {
void DispatchSocketNotice(uint32_t wParam, int32_t lParam) {
    if (host::NetworkManager) {
        ShutdownHold hold;
        host::NetworkManager->Dispatch(wParam, lParam);
    } else {
        ActiveHostNotices().ShowDebugMessage("RootClient is not present");
    }
}
}  // namespace

int32_t RunFrameLoop(LoopPlatform& platform, FrameTimingLog* timing) {
    if (!host::Display || !host::RootControl) {
        ShutdownApplication();
        return 0;
    }
    FrameSchedule schedule(platform.Now());
    platform.RaiseTimerResolution();
    WindowMessage message{};
    while (!platform.StopRequested()) {
        if (std::optional<uint32_t> elapsed = schedule.Due(platform.Now(), host::FrameInterval)) {
            if (timing) timing->BeginFrame(schedule.TimeBase() + host::FrameInterval);
            MarkFrame(timing, FrameMark::UpdateStart, platform);
            if (host::UpdateRoot) {
                {
                    ShutdownHold hold;
                    host::UpdateRoot->Update();
                }
                if (host::MouseCursor) {
                    ShutdownHold hold;
                    host::MouseCursor->Update();
                }
            }
            MarkFrame(timing, FrameMark::UpdateEnd, platform);
            // The update may have changed the interval (the game module's Notify 104).
            if (host::DrawRoot && FrameSchedule::MayDraw(*elapsed, host::FrameInterval) &&
                !ActiveApplicationPlatform().WindowMinimised())
                DrawFrame(platform, timing);
            schedule.EndFrame(host::FrameInterval);
            if (timing) timing->EndFrame();
        }
        uint32_t heldSocket;
        int32_t heldEvent;
        while (held_socket_notices::TakeOldest(heldSocket, heldEvent))
            DispatchSocketNotice(heldSocket, heldEvent);
        bool frameWaiting = false;
        while (!frameWaiting && platform.MessageWaiting()) {
            if (!platform.TakeMessage(&message)) {
                if (timing) timing->Flush();
                ShutdownApplication();
                return 1;
            }
            platform.TranslateKeys(&message);
            if (message.message == window_message::SocketNotify) {
                DispatchSocketNotice(uint32_t(message.wParam), int32_t(message.lParam));
            } else if (IsTreeInputMessage(message.message)) {
                RouteInputMessage(&message, platform);
            } else {
                platform.DispatchToWindow(&message);
            }
            // A steady stream of messages (a download on a fast link) would otherwise keep the
            // queue from ever being empty, and no frame would be drawn until it stopped.
            frameWaiting = schedule.Due(platform.Now(), host::FrameInterval).has_value();
        }
        if (!frameWaiting) {
            // Far from the next frame the loop sleeps a millisecond at a time. In the last few
            // milliseconds it waits for a message or the frame, whichever comes first: the frame
            // starts in the millisecond it is due, and a message is handled as soon as it
            // comes, without asking the queue again and again in between.
            uint32_t now = platform.Now();
            if (schedule.ShouldSleep(now, host::FrameInterval))
                platform.SleepOneMillisecond();
            else
                platform.WaitForMessage(schedule.UntilDue(now, host::FrameInterval));
        }
    }
    return 1;
}
