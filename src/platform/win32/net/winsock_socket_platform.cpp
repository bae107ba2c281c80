// The socket operations on WinSock 2, with notifications posted by WSAAsyncSelect.
//
// Sends: a send that the socket can take at once is made without an overlapped record. What it
// cannot take is copied and handed to an overlapped send with a record of its own, kept here until
// the platform reports it complete. The caller's pieces (often on its stack) may therefore go as
// soon as Send returns, and no record ever serves two operations in flight. While copied data is
// still in flight, later messages queue behind it, so the byte order on the wire stays the order
// of the calls. The connection's own record in its fields is left cleared.
#include <windows.h>
#include <winsock2.h>

#include <deque>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/win32/net/winsock_socket_platform.h"

static_assert(sizeof(OVERLAPPED) == sizeof(OverlappedRecord),
              "the record inside a connection is an OVERLAPPED");
static_assert(sizeof(SOCKET) == sizeof(SocketHandle), "socket handles are stored as SocketHandle");

namespace {

struct InFlightSend {
    OVERLAPPED overlapped{};
    std::vector<char> data;
    WSABUF buffer{};
};

using SendQueue = std::deque<std::unique_ptr<InFlightSend>>;

std::unordered_map<SOCKET, SendQueue>& InFlight() {
    static std::unordered_map<SOCKET, SendQueue> queues;
    return queues;
}

// Sends of closed sockets, kept until the platform has finished cancelling them.
std::vector<std::unique_ptr<InFlightSend>>& Orphans() {
    static std::vector<std::unique_ptr<InFlightSend>> orphans;
    return orphans;
}

bool Complete(const InFlightSend& send) { return HasOverlappedIoCompleted(&send.overlapped); }

void ReapOrphans() {
    auto& orphans = Orphans();
    std::erase_if(orphans, [](const std::unique_ptr<InFlightSend>& send) { return Complete(*send); });
}

// Drops the finished sends at the front of the socket's queue; true when nothing is in flight.
bool ReapQueue(SOCKET socket) {
    auto found = InFlight().find(socket);
    if (found == InFlight().end()) return true;
    SendQueue& queue = found->second;
    while (!queue.empty() && Complete(*queue.front()))
        queue.pop_front();
    if (!queue.empty()) return false;
    InFlight().erase(found);
    return true;
}

// Bytes of the socket's sends still in flight.
uint64_t QueuedBytes(SOCKET socket) {
    auto found = InFlight().find(socket);
    if (found == InFlight().end()) return 0;
    uint64_t bytes = 0;
    for (const auto& send : found->second)
        bytes += send->data.size();
    return bytes;
}

SOCKET Native(SocketHandle socket) { return socket == kNoSocket ? INVALID_SOCKET : SOCKET(socket); }

}  // namespace

bool WinsockSocketPlatform::Startup() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 0), &data) == 0;
}

void WinsockSocketPlatform::Cleanup() {
    for (auto& [socket, queue] : InFlight())
        for (auto& send : queue)
            Orphans().push_back(std::move(send));
    InFlight().clear();
    WSACleanup();
    // The platform completes cancelled sends shortly after their sockets close. Records it still
    // holds after a short wait are left allocated rather than freed under the platform's hands.
    for (int attempt = 0; attempt < 50 && !Orphans().empty(); ++attempt) {
        ReapOrphans();
        if (!Orphans().empty()) Sleep(2);
    }
    for (auto& send : Orphans())
        send.release();
    Orphans().clear();
}

SocketHandle WinsockSocketPlatform::Create() {
    const SOCKET socket = WSASocketA(AF_INET, SOCK_STREAM, 0, nullptr, 0, WSA_FLAG_OVERLAPPED);
    return socket == INVALID_SOCKET ? kNoSocket : SocketHandle(socket);
}

bool WinsockSocketPlatform::AsyncSelect(SocketHandle socket, void* window, uint32_t events) {
    return WSAAsyncSelect(Native(socket), static_cast<HWND>(window), window_message::SocketNotify,
                          long(events)) != SOCKET_ERROR;
}

bool WinsockSocketPlatform::SetReceiveBufferSize(SocketHandle socket, uint32_t bytes) {
    const int size = int(bytes);
    return setsockopt(Native(socket), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&size),
                      sizeof size) != SOCKET_ERROR;
}

ConnectStart WinsockSocketPlatform::StartConnect(SocketHandle socket, const void* address,
                                                 int32_t addressLength) {
    if (connect(Native(socket), static_cast<const sockaddr*>(address), addressLength) == 0)
        return ConnectStart::Connected;
    switch (WSAGetLastError()) {
    case WSAEWOULDBLOCK:
    case WSAEALREADY:  // an attempt of an earlier call is still under way
        return ConnectStart::InProgress;
    case WSAEISCONN:  // made already: counts as made at once, its notifications still follow
        return ConnectStart::Connected;
    default:
        return ConnectStart::Failed;
    }
}

SendResult WinsockSocketPlatform::Send(SocketHandle handle, const SendPiece* pieces, uint32_t count,
                                       uint32_t flags, OverlappedRecord*) {
    const SOCKET socket = Native(handle);
    ReapOrphans();
    DWORD total = 0;
    for (uint32_t i = 0; i < count; ++i)
        total += pieces[i].length;

    DWORD sent = 0;
    const bool queueEmpty = ReapQueue(socket);
    if (!queueEmpty && QueuedBytes(socket) + total > kSendQueueLimit) return SendResult::Failed;
    if (queueEmpty) {
        WSABUF buffers[8];
        const uint32_t used = count < 8 ? count : 8;
        for (uint32_t i = 0; i < used; ++i) {
            buffers[i].buf = static_cast<char*>(const_cast<void*>(pieces[i].data));
            buffers[i].len = pieces[i].length;
        }
        if (WSASend(socket, buffers, used, &sent, flags, nullptr, nullptr) == SOCKET_ERROR) {
            if (WSAGetLastError() != WSAEWOULDBLOCK) return SendResult::Failed;
            sent = 0;
        }
        if (sent >= total) return SendResult::Sent;
    }

    auto send = std::make_unique<InFlightSend>();
    send->data.reserve(total - sent);
    DWORD skip = sent;
    for (uint32_t i = 0; i < count; ++i) {
        const char* bytes = static_cast<const char*>(pieces[i].data);
        const DWORD length = pieces[i].length;
        if (skip >= length) {
            skip -= length;
            continue;
        }
        send->data.insert(send->data.end(), bytes + skip, bytes + length);
        skip = 0;
    }
    send->buffer.buf = send->data.data();
    send->buffer.len = ULONG(send->data.size());
    DWORD queuedBytes = 0;
    if (WSASend(socket, &send->buffer, 1, &queuedBytes, flags, &send->overlapped, nullptr) == SOCKET_ERROR &&
        WSAGetLastError() != WSA_IO_PENDING)
        return SendResult::Failed;
    InFlight()[socket].push_back(std::move(send));
    return SendResult::Pending;
}

uint32_t WinsockSocketPlatform::BytesWaiting(SocketHandle socket) {
    u_long waiting = 0;
    if (ioctlsocket(Native(socket), FIONREAD, &waiting) == SOCKET_ERROR) return 0;
    return uint32_t(waiting);
}

int32_t WinsockSocketPlatform::Receive(SocketHandle socket, void* buffer, uint32_t capacity) {
    WSABUF target{capacity, static_cast<char*>(buffer)};
    DWORD received = 0;
    DWORD flags = 0;
    if (WSARecv(Native(socket), &target, 1, &received, &flags, nullptr, nullptr) == SOCKET_ERROR) return -1;
    return int32_t(received);
}

void WinsockSocketPlatform::ShutdownSend(SocketHandle socket) { shutdown(Native(socket), SD_SEND); }

void WinsockSocketPlatform::Close(SocketHandle handle) {
    const SOCKET socket = Native(handle);
    if (socket == INVALID_SOCKET) return;
    closesocket(socket);
    auto found = InFlight().find(socket);
    if (found != InFlight().end()) {
        for (auto& send : found->second)
            Orphans().push_back(std::move(send));
        InFlight().erase(found);
    }
    ReapOrphans();
}

uint32_t WinsockSocketPlatform::TickCount() { return GetTickCount(); }
