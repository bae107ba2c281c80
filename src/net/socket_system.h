#pragma once
// The few socket operations that connections and the network manager need, in the platform's
// asynchronous-select model: a socket is bound to a window, and the platform posts socket message
// 1122 to that window with the socket as wParam and the event (low 16 bits) and error code
// (high 16 bits) as lParam. Exactly one implementation is linked: WinSock in the product, POSIX
// sockets for the native tests and benchmarks.
#include <cstdint>

using SocketHandle = uintptr_t;
inline constexpr SocketHandle kNoSocket = ~SocketHandle(0);

inline constexpr uint32_t kSocketMessage = 1122;

namespace socket_event {
inline constexpr uint32_t Read = 1;
inline constexpr uint32_t Write = 2;
inline constexpr uint32_t OutOfBand = 4;
inline constexpr uint32_t Accept = 8;
inline constexpr uint32_t Connect = 16;
inline constexpr uint32_t Close = 32;
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

namespace sockets {

// Starts and ends the use of the socket library (counted, like the platform's own calls).
bool Startup();
void Cleanup();

// A stream socket for IPv4 that can take overlapped sends; kNoSocket on failure.
SocketHandle Create();
// Replaces the socket's notification selection: message kSocketMessage to window for events.
bool AsyncSelect(SocketHandle socket, void* window, uint32_t events);
bool SetReceiveBufferSize(SocketHandle socket, uint32_t bytes);
// Starts connecting to an IPv4 address record (16 bytes: family, port, address, zero). An attempt
// already under way counts as in progress, a connection already made as connected at once.
ConnectStart StartConnect(SocketHandle socket, const void* address, int32_t addressLength);
// One gather send. The data is either sent or, when the platform cannot take it at once, copied
// and queued behind what is already queued: the pieces may be released as soon as this returns.
// Failed when the platform refuses or when the queue would pass kSendQueueLimit.
SendResult Send(SocketHandle socket, const SendPiece* pieces, uint32_t count, uint32_t flags,
                OverlappedRecord* overlapped);
// Bytes that a read would return now; 0 when none or on error.
uint32_t BytesWaiting(SocketHandle socket);
// One read into the buffer: the bytes read, or -1 on error.
int32_t Receive(SocketHandle socket, void* buffer, uint32_t capacity);
void ShutdownSend(SocketHandle socket);
void Close(SocketHandle socket);

// Milliseconds of the platform's tick counter.
uint32_t TickCount();

}  // namespace sockets
