#include "platform/win32/shell/window_proc.h"

#include "common/window_message_numbers.h"
#include "display/display.h"
#include "host/host_globals.h"
#include "host/input_root.h"
#include "platform/win32/shell/presentation.h"
#include "shell/application_shutdown.h"
#include "shell/held_socket_notices.h"

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        ShutdownApplication();
        return 0;
    case WM_MOVE:
        if (host::Display) {
            RECT r{};
            GetWindowRect(window, &r);
            host::Display->FollowWindowFrame(Rect{r.left, r.top, r.right, r.bottom});
        }
        return 0;
    case WM_CLOSE:
        // Closing is the game's decision: the input root hears of it, the window stays.
        if (Control* inputRoot = host::ReachableInputRoot()) {
            WindowMessage close{};
            close.message = WM_CLOSE;
            close.wParam = wParam;
            close.lParam = lParam;
            ShutdownHold hold;
            inputRoot->HandleMessage(&close);
        }
        return 0;
    case WM_ACTIVATEAPP: {
        LRESULT result = DefWindowProcA(window, message, wParam, lParam);
        if (host::Display) host::Display->RestoreSurfaces();
        return result;
    }
    case window_message::SocketNotify:
        // Only a modal loop (a message box) hands this here; the frame loop takes it up later.
        held_socket_notices::Hold(uint32_t(wParam), int32_t(lParam));
        return 0;
    case WM_PAINT: {
        // A window form paints its client area itself, at the next present; full screen is
        // painted by every flip.
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        PresentationNeedsRepaint();
        return 0;
    }
    case WM_SETCURSOR:
        ShowCursor(FALSE);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

int32_t ResizeWindow(int32_t width, int32_t height) {
    if (host::Display && PresentationInWindow()) {
        host::Display->ResizeDisplay(width, height);
        PresentationGameResized();
    } else if (host::Display) {
        MoveWindow(static_cast<HWND>(host::HostWindow), host::Display->windowX - host::ClientOffset.x,
                   host::Display->windowY - host::ClientOffset.y, width + host::ClientOffset.x,
                   height + host::ClientOffset.y, TRUE);
        host::Display->ResizeDisplay(width, height);
    }
    return 1;
}
