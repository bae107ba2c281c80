#pragma once
// Connections and the host's network manager as a game module sees them. The module's own
// connection classes derive from Connection with this exact layout and register with the
// host's manager (ApplicationInfo::networkManager); the host's receive, send and close code then
// runs on them, and the host's manager deletes those still registered at shutdown through slot 2.
//
// Memory that one side allocates and the other may free (registry entries, receive buffers) is
// taken from and given back to the process heap (GetProcessHeap) directly, never through the
// module's runtime: the kit's sources do so, and a module that touches such blocks must too.
#include "tidemarch/records.h"

namespace tidemarch {

// 20 bytes, at any byte offset in the receive buffer: the body follows directly.
#pragma pack(push, 1)
struct MessageHeader {
    uint32_t magic;  // 0x01020304
    uint32_t id;
    uint32_t a;
    uint32_t b;
    uint32_t bodyLength;
};
#pragma pack(pop)

inline constexpr uint32_t kFrameMagic = 0x01020304;
inline constexpr uint32_t kReceiveBufferSize = 262144;
inline constexpr uint32_t kNoSocket = 0xFFFFFFFFu;

struct OverlappedRecord {
    uintptr_t internal;
    uintptr_t internalHigh;
    uint32_t offset;
    uint32_t offsetHigh;
    void* event;
};

class NetworkManager;

// The session mask table the host attaches to a connection whose server asks for keyed
// checksums; the connection owns it. Only the host makes them.
class MaskTable {
  public:
    MaskTable() = delete;
    TIDEMARCH_SLOT0_DESTRUCTOR(MaskTable);               // slot 0
    virtual void Reseed(uint32_t seed, uint32_t count);  // slot 1

    uint32_t entryCount;
    uint32_t allocationKind;
    uint32_t* entries;
    uint32_t cursor;
    uint32_t reserved;
};

// Slots in this order: 0 OnReservedSlot0, 1 OnBadChecksum, 2 the deleting destructor,
// 3 OnConnected, 4 OnDisconnected, 5 OnMessage. Slot 2 is the destructor, so the class declares
// slot 0 and 1 before it.
class Connection {
  public:
    virtual void OnReservedSlot0(uint32_t, uint32_t, uint32_t, uint32_t) {}
    virtual void OnBadChecksum(MessageHeader*, uint8_t*, uint32_t, uint32_t) {}
    TIDEMARCH_SLOT0_DESTRUCTOR(Connection);  // slot 2 here
    virtual void OnConnected() {}
    virtual void OnDisconnected() {}
    virtual uint32_t OnMessage(MessageHeader*, uint8_t*) { return 1; }

    uintptr_t socket;  // kNoSocket when there is none
    OverlappedRecord sendOverlapped;
    uint8_t* receiveBuffer;  // process heap; the host may replace it by a larger one
    uint32_t receiveCapacity;
    uint32_t receiveFill;
    uint32_t reserved1;
    NetworkManager* manager;
    int32_t state;  // 0 not connected, 1 connected, 2 session ready
    uint32_t createdAt;
    uint32_t lastReceiveAt;
    uint32_t reserved2;
    MaskTable* maskTable;  // owned: the destructor destroys it
    uint32_t ChecksumMode;
    uint32_t receiveKeyed;
    uint32_t sendKeyed;
    uint32_t reserved3;
    uint32_t receiveIndex;
    uint32_t sendIndex;
    uint32_t reserved4;

  protected:
    // Fields as the host's connections start: no socket yet, a receive buffer of 262144 bytes
    // from the process heap, both tick fields now. kit/source/connection.cpp.
    explicit Connection(uint32_t checksumMode);
};

struct RegistryEntry {
    uintptr_t socket;
    Connection* connection;
    RegistryEntry* next;
};

// The host's manager. Register and Unregister are declared for the module's own copy of the
// registration code (kit/source/network_registry.cpp); entries live on the process heap.
class NetworkManager {
  public:
    static constexpr uint32_t kBucketCount = 65536;

    TIDEMARCH_SLOT0_DESTRUCTOR(NetworkManager);
    virtual void NoOperation();

    // A socket already registered is pointed at the new connection instead.
    void Register(uintptr_t socket, Connection* connection);
    void Unregister(uintptr_t socket);
    Connection* Find(uintptr_t socket) const;

    char* NotifyText;
    uint32_t notificationCount;
    void* window;
    uint32_t registeredCount;
    RegistryEntry* buckets[kBucketCount];

  private:
    NetworkManager() = default;  // only the host creates it
};

// Window message of socket notifications, posted to the host window.
inline constexpr uint32_t kSocketNotifyMessage = 1122;

}  // namespace tidemarch

TIDEMARCH_KIT_CHECKS_BEGIN
TIDEMARCH_KIT_SIZE(tidemarch::MessageHeader, 20);
#if TIDEMARCH_KIT_LAYOUT
TIDEMARCH_KIT_SIZE(tidemarch::OverlappedRecord, 20);
TIDEMARCH_KIT_SIZE(tidemarch::Connection, 96);
TIDEMARCH_KIT_OFFSET(tidemarch::Connection, socket, 4);
TIDEMARCH_KIT_OFFSET(tidemarch::Connection, sendOverlapped, 8);
TIDEMARCH_KIT_OFFSET(tidemarch::Connection, receiveBuffer, 28);
TIDEMARCH_KIT_OFFSET(tidemarch::Connection, receiveCapacity, 32);
TIDEMARCH_KIT_OFFSET(tidemarch::Connection, receiveFill, 36);
TIDEMARCH_KIT_OFFSET(tidemarch::Connection, manager, 44);
TIDEMARCH_KIT_OFFSET(tidemarch::Connection, state, 48);
TIDEMARCH_KIT_OFFSET(tidemarch::Connection, createdAt, 52);
TIDEMARCH_KIT_OFFSET(tidemarch::Connection, maskTable, 64);
TIDEMARCH_KIT_OFFSET(tidemarch::Connection, ChecksumMode, 68);
TIDEMARCH_KIT_OFFSET(tidemarch::Connection, receiveIndex, 84);
TIDEMARCH_KIT_OFFSET(tidemarch::Connection, reserved4, 92);
TIDEMARCH_KIT_SIZE(tidemarch::RegistryEntry, 12);
TIDEMARCH_KIT_SIZE(tidemarch::MaskTable, 24);
TIDEMARCH_KIT_OFFSET(tidemarch::MaskTable, entries, 12);
TIDEMARCH_KIT_SIZE(tidemarch::NetworkManager, 20 + 4 * 65536);
TIDEMARCH_KIT_OFFSET(tidemarch::NetworkManager, NotifyText, 4);
TIDEMARCH_KIT_OFFSET(tidemarch::NetworkManager, window, 12);
TIDEMARCH_KIT_OFFSET(tidemarch::NetworkManager, registeredCount, 16);
TIDEMARCH_KIT_OFFSET(tidemarch::NetworkManager, buckets, 20);
#endif
TIDEMARCH_KIT_CHECKS_END
