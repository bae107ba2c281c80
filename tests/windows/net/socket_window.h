#pragma once
// A hidden window that receives socket message 1122, and a message pump that hands that message to
// a network manager as the frame loop does, bounded in time.
#include <windows.h>
#include <winsock2.h>

#include <cstdlib>
#include <functional>

#include "net/network_manager.h"

class SocketWindow {
  public:
    SocketWindow() {
        handle_ = CreateWindowExA(0, "STATIC", "net test", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    }
    ~SocketWindow() {
        if (handle_) DestroyWindow(handle_);
    }
    SocketWindow(const SocketWindow&) = delete;
    SocketWindow& operator=(const SocketWindow&) = delete;

    HWND Handle() const { return handle_; }

  private:
    HWND handle_;
};

// Pumps the thread's messages until the condition holds or the time is up; true when it holds.
inline bool PumpUntil(NetworkManager& manager, const std::function<bool()>& condition,
                      DWORD timeoutMs = 10000) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return condition();
        MSG message;
        bool any = false;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            any = true;
            if (message.message == window_message::SocketNotify) {
                manager.Dispatch(uint32_t(message.wParam), int32_t(message.lParam));
            } else {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            if (condition()) return true;
        }
        if (!any) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
}

// The scripted peer's address: 127.0.0.1 and the port the test runner was given.
inline sockaddr_in PeerAddress() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const char* port = std::getenv("TIDEMARCH_PEER_PORT");
    address.sin_port = htons(u_short(port ? std::atoi(port) : 0));
    return address;
}
