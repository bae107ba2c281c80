#pragma once
// The few socket operations that connections and the network manager need, in the platform's
// asynchronous-select model: a socket is bound to a window, and the platform posts
// window_message::SocketNotify to that window with the socket as wParam and the event (low 16 bits)
// and error code (high 16 bits) as lParam. WinSock in the product, POSIX sockets for the native
// tests and benchmarks.
#include <cstdint>

#include "common/platform_slot.h"
#include "common/window_message_numbers.h"

using SocketHandle = uintptr_t;
inline constexpr SocketHandle kNoSocket = ~SocketHandle(0);

namespace socket_event {
inline constexpr uint32_t Read = 1;
inline constexpr uint32_t Write = 2;
inline constexpr uint32_t OutOfBand = 4;
inline constexpr uint32_t Accept = 8;
inline constexpr uint32_t Connect = 16;
inline constexpr uint32_t Close = 32;

// What a connection selects once its connect has been reported.
inline constexpr uint32_t AfterConnect = Read | Write | OutOfBand | Close;
}  // namespace socket_event

// The platform's 20-byte overlapped-operation record, as it sits inside a connection.
struct OverlappedRecord {
    uintptr_t internal;
    uintptr_t internalHigh;
    uint32_t offset;
    uint32_t offsetHigh;
    void* event;
};

struct SendPiece {
    const void* data;
    uint32_t length;
};

enum class SendResult { Sent, Pending, Failed };

// The most bytes a socket holds queued for sending: taken by Send but not yet by the peer. A peer
// that stops reading would otherwise make the queue, and the process, grow without end. A send
// that finds the queue not empty and would take it past this bound fails, and a failed send ends
// the connection as a disconnection. One message of any size is always taken by an empty queue.
inline constexpr uint64_t kSendQueueLimit = uint64_t(64) << 20;
enum class ConnectStart { InProgress, Connected, Failed };

// The socket operations of this process's platform. Installed by whoever chooses the
// implementation: the program's start, a test, a tool.
class SocketPlatform {
  public:
    // Starts and ends the use of the socket library (counted, like the platform's own calls).
    virtual bool Startup() = 0;
    virtual void Cleanup() = 0;

    // A stream socket for IPv4 that can take overlapped sends; kNoSocket on failure.
    virtual SocketHandle Create() = 0;
    // Replaces the socket's notification selection: window_message::SocketNotify to window for events.
    virtual bool AsyncSelect(SocketHandle socket, void* window, uint32_t events) = 0;
    virtual bool SetReceiveBufferSize(SocketHandle socket, uint32_t bytes) = 0;
    // Starts connecting to an IPv4 address record (16 bytes: family, port, address, zero). An attempt
    // already under way counts as in progress, a connection already made as connected at once.
    virtual ConnectStart StartConnect(SocketHandle socket, const void* address, int32_t addressLength) = 0;
    // One gather send. The data is either sent or, when the platform cannot take it at once, copied
    // and queued behind what is already queued: the pieces may be released as soon as this returns.
    // Failed when the platform refuses or when the queue would pass kSendQueueLimit.
    virtual SendResult Send(SocketHandle socket, const SendPiece* pieces, uint32_t count, uint32_t flags,
                            OverlappedRecord* overlapped) = 0;
    // Bytes that a read would return now; 0 when none or on error.
    virtual uint32_t BytesWaiting(SocketHandle socket) = 0;
    // One read into the buffer: the bytes read, or -1 on error.
    virtual int32_t Receive(SocketHandle socket, void* buffer, uint32_t capacity) = 0;
    virtual void ShutdownSend(SocketHandle socket) = 0;
    virtual void Close(SocketHandle socket) = 0;

    // Milliseconds of the platform's tick counter.
    virtual uint32_t TickCount() = 0;

  protected:
    ~SocketPlatform() = default;
};

// The installed implementation; the process ends with a message naming it when none is.
inline SocketPlatform& ActiveSocketPlatform() {
    return PlatformSlot<SocketPlatform>::Required("SocketPlatform");
}
