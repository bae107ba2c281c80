#pragma once
// The POSIX stand-in for the window's message queue: sockets selected to a window (any non-null
// token) produce the notifications the platform would post as message 1122, with the same rules:
//   - connect: once, when a connect completes or fails (error code in the high 16 bits);
//   - write: once after a successful connect (posted when write is selected and the socket can
//     take data), and again after queued data has drained;
//   - read: when bytes are waiting, then not again until the next read of the socket;
//   - close: once, when the peer has closed or reset a connected socket.
#include <cstdint>
#include <vector>

#include "net/socket_system.h"

class NetworkManager;

struct SocketNotification {
    SocketHandle socket;
    int32_t lParam;  // event in the low 16 bits, error code in the high 16 bits
};

// Waits up to timeoutMs for notifications of the sockets selected to window and appends them.
void PollSocketNotifications(void* window, int timeoutMs, std::vector<SocketNotification>& out);

// Polls once and hands every notification to the manager, as the frame loop does with message
// 1122. Returns the number of notifications dispatched.
int PumpSocketNotifications(NetworkManager& manager, int timeoutMs);

// Puts an already connected descriptor (one end of a socket pair, say) under this implementation,
// as if it had been created and connected here.
SocketHandle AdoptConnectedSocket(int descriptor);
