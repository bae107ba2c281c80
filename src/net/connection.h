#pragma once
// One TCP connection to a server, driven by socket notifications that the network manager hands
// to it: read, first writability (connected), re-selection after connect, and close. It frames
// every message (see wire_format.h), adds and checks checksum trailers in checksum mode, splits
// what arrives into messages in place and hands each to OnMessage without copying.
//
// Shared with the game module, whose own connections have this layout and are registered with
// the host's manager, so the host's code runs on them. Nothing here may be reordered:
//
//   offset  field                  offset  field
//   0       virtual table          56      lastReceiveAt  (tick count)
//   4       socket (-1: none)      60      reserved
//   8       sendOverlapped (20)    64      maskTable      (SessionMaskTable or null)
//   28      receiveBuffer          68      ChecksumMode
//   32      receiveCapacity        72      receiveKeyed
//   36      receiveFill            76      sendKeyed
//   40      reserved               80      reserved
//   44      manager                84      receiveIndex
//   48      state                  88      sendIndex
//   52      createdAt (tick count) 92      reserved
//
// Virtual slots, in order: 0 OnReservedSlot0, 1 OnBadChecksum, 2 the deleting destructor,
// 3 OnConnected, 4 OnDisconnected, 5 OnMessage.
#include <cstdint>

#include "common/deleting_destructor.h"
#include "common/layout_check.h"
#include "net/socket_platform.h"
#include "net/wire_format.h"

// The platform headers define SendMessage as a macro for SendMessageA; here it is the connection's
// own operation. Files that include them before this header get the name back here; in files that
// include them after, calls are renamed to SendMessageA, which the class forwards (see below).
#ifdef SendMessage
#undef SendMessage
#endif

class NetworkManager;
class SessionMaskTable;

namespace connection_state {
inline constexpr int32_t NotConnected = 0;
inline constexpr int32_t Connected = 1;
inline constexpr int32_t SessionReady = 2;  // set by subclasses when the server acknowledges
}  // namespace connection_state

class Connection {
  public:
    static constexpr uint32_t kBaseBufferSize = 262144;
    // Below this many pending bytes a grown receive buffer goes back to the base size.
    static constexpr uint32_t kShrinkThreshold = 131072;
    static constexpr uint32_t kSocketBufferSize = 262144;
    static constexpr uint32_t kSessionTableEntries = 2048;
    static constexpr uint32_t kSendIndexStep = 17;
    static constexpr uint32_t kReceiveIndexStep = 13;

    explicit Connection(uint32_t checksumMode);
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    virtual void OnReservedSlot0(uint32_t, uint32_t, uint32_t, uint32_t);
    // A message whose trailer did not match; it is dropped after this call.
    virtual void OnBadChecksum(MessageHeader* header, uint8_t* body, uint32_t receivedTrailer,
                               uint32_t expectedTrailer);
    virtual void* DeletingDestructor(uint32_t flags);
    virtual void OnConnected();
    virtual void OnDisconnected();
    virtual uint32_t OnMessage(MessageHeader* header, uint8_t* body);

    // 1 when the attempt is under way (its outcome arrives as notifications), 0 on failure.
    uint32_t Connect(NetworkManager* networkManager, const void* address, int32_t addressLength);
    // Selects the socket's notifications to the manager's window.
    bool SelectEvents(uint32_t events);
    // 1 when sent or queued, 0 when the send failed (which closes a live connection).
    uint32_t SendMessage(uint32_t id, uint32_t a, uint32_t b, const void* body, uint32_t length,
                         uint32_t sendFlags);
    // Reads what is waiting and delivers every complete message: the bytes read, 0 when nothing
    // was waiting, -1 after a read error, a wrong magic or a message too large for memory.
    // The names that the platform's SendMessage macro gives calls in files that include the
    // platform headers after this one.
    uint32_t SendMessageA(uint32_t id, uint32_t a, uint32_t b, const void* body, uint32_t length,
                          uint32_t sendFlags) {
        return SendMessage(id, a, b, body, length, sendFlags);
    }
    uint32_t SendMessageW(uint32_t id, uint32_t a, uint32_t b, const void* body, uint32_t length,
                          uint32_t sendFlags) {
        return SendMessage(id, a, b, body, length, sendFlags);
    }
    int32_t ReceiveAvailable();
    void EnableSessionMasks(uint32_t enable, uint32_t a, uint32_t b);

    // Takes bytes as if one read had returned them: the same buffer policy, splitting, checks
    // and handlers as ReceiveAvailable, for bytes that come from somewhere other than the socket.
    int32_t ReceiveBytes(const uint8_t* data, uint32_t length);

    SocketHandle socket;
    OverlappedRecord sendOverlapped;
    uint8_t* receiveBuffer;
    uint32_t receiveCapacity;
    uint32_t receiveFill;
    uint32_t reserved1;
    NetworkManager* manager;
    int32_t state;
    uint32_t createdAt;
    uint32_t lastReceiveAt;
    uint32_t reserved2;
    SessionMaskTable* maskTable;
    uint32_t ChecksumMode;
    uint32_t receiveKeyed;
    uint32_t sendKeyed;
    uint32_t reserved3;
    uint32_t receiveIndex;
    uint32_t sendIndex;
    uint32_t reserved4;

    // Not virtual on purpose: slot 2 is the way to destroy through a base pointer.
    ~Connection();

  private:
    bool MakeRoomFor(uint32_t waiting);
    // Delivers every complete message at the start of the buffer; false when the connection was
    // torn down for a wrong magic or destroyed by a handler.
    bool DeliverReceived();
    uint32_t SendTrailer(const MessageHeader& header, const void* body, uint32_t length);
    uint32_t ExpectedTrailer(const uint8_t* message, uint32_t length);
    // The close path of failed sends and wrong magic: OnDisconnected first, then the socket is
    // closed. False when OnDisconnected destroyed the connection.
    bool CloseAfterNotice();
    void CloseSocket();
    void Unregister();
};

// Destroys a connection through its slot 2 and frees it.
inline void DestroyConnection(Connection* connection) {
    if (connection) connection->DeletingDestructor(kDeleteMemory);
}

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_SIZE(OverlappedRecord, 20);
TIDEMARCH_CHECK_SIZE(Connection, 96);
TIDEMARCH_CHECK_OFFSET(Connection, socket, 4);
TIDEMARCH_CHECK_OFFSET(Connection, sendOverlapped, 8);
TIDEMARCH_CHECK_OFFSET(Connection, receiveBuffer, 28);
TIDEMARCH_CHECK_OFFSET(Connection, receiveCapacity, 32);
TIDEMARCH_CHECK_OFFSET(Connection, receiveFill, 36);
TIDEMARCH_CHECK_OFFSET(Connection, reserved1, 40);
TIDEMARCH_CHECK_OFFSET(Connection, manager, 44);
TIDEMARCH_CHECK_OFFSET(Connection, state, 48);
TIDEMARCH_CHECK_OFFSET(Connection, createdAt, 52);
TIDEMARCH_CHECK_OFFSET(Connection, lastReceiveAt, 56);
TIDEMARCH_CHECK_OFFSET(Connection, reserved2, 60);
TIDEMARCH_CHECK_OFFSET(Connection, maskTable, 64);
TIDEMARCH_CHECK_OFFSET(Connection, ChecksumMode, 68);
TIDEMARCH_CHECK_OFFSET(Connection, receiveKeyed, 72);
TIDEMARCH_CHECK_OFFSET(Connection, sendKeyed, 76);
TIDEMARCH_CHECK_OFFSET(Connection, reserved3, 80);
TIDEMARCH_CHECK_OFFSET(Connection, receiveIndex, 84);
TIDEMARCH_CHECK_OFFSET(Connection, sendIndex, 88);
TIDEMARCH_CHECK_OFFSET(Connection, reserved4, 92);
TIDEMARCH_LAYOUT_CHECKS_END
#endif
