#pragma once
// The socket platform of the product: WinSock 2 with asynchronous selection to the window and
// overlapped sends, whose queued data lives here until the platform has sent it.
#include "net/socket_platform.h"

class WinsockSocketPlatform final : public SocketPlatform {
  public:
    bool Startup() override;
    void Cleanup() override;
    SocketHandle Create() override;
    bool AsyncSelect(SocketHandle socket, void* window, uint32_t events) override;
    bool SetReceiveBufferSize(SocketHandle socket, uint32_t bytes) override;
    ConnectStart StartConnect(SocketHandle socket, const void* address, int32_t addressLength) override;
    SendResult Send(SocketHandle socket, const SendPiece* pieces, uint32_t count, uint32_t flags,
                    OverlappedRecord* overlapped) override;
    uint32_t BytesWaiting(SocketHandle socket) override;
    int32_t Receive(SocketHandle socket, void* buffer, uint32_t capacity) override;
    void ShutdownSend(SocketHandle socket) override;
    void Close(SocketHandle socket) override;
    uint32_t TickCount() override;
};
