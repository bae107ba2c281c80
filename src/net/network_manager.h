#pragma once
// The one object that connects sockets to connections. It owns the use of the socket library,
// keeps a registry from socket handle to connection, and turns every socket notification
// (message 1122, which the frame loop hands to Dispatch) into a call on the right connection.
// When it is destroyed it deletes every connection still registered, the game module's too.
//
// Shared with the game module; the layout must not change:
//
//   offset  field
//   0       virtual table: slot 0 deleting destructor, slot 1 no operation
//   4       NotifyText         text buffer or null
//   8       notificationCount
//   12      window             receives message 1122
//   16      registeredCount
//   20      buckets[65536]     registry chains, bucket = socket handle AND 0xFFFF
#include <cstdint>

#include "common/deleting_destructor.h"
#include "common/layout_check.h"
#include "net/socket_platform.h"

class Connection;

struct RegistryEntry {
    SocketHandle socket;
    Connection* connection;
    RegistryEntry* next;
};

class NetworkManager {
  public:
    static constexpr uint32_t kBucketCount = 65536;

    explicit NetworkManager(void* window);
    NetworkManager(const NetworkManager&) = delete;
    NetworkManager& operator=(const NetworkManager&) = delete;

    virtual void* DeletingDestructor(uint32_t flags);
    virtual void NoOperation();

    // Adds the socket's entry at the front of its bucket. A socket that already has an entry is
    // pointed at the new connection instead, so that no stale second entry can outlive a close.
    // When no entry can be allocated the registry stays as it was.
    void Register(SocketHandle socket, Connection* connection);
    void Unregister(SocketHandle socket);
    Connection* Find(SocketHandle socket) const;

    // Message 1122: wParam is the socket, lParam the event (low 16 bits) and an error code (high
    // 16 bits, not looked at). Always 0.
    int32_t Dispatch(uint32_t wParam, int32_t lParam);

    // When set, NotifyText receives "Notify %5d" of the count after every notification. Only the
    // last five digits are shown, so the text is always 12 characters and the terminator.
    static constexpr uint32_t kNotifyTextSize = 13;

    char* NotifyText;
    uint32_t notificationCount;
    void* window;
    uint32_t registeredCount;
    RegistryEntry* buckets[kBucketCount];

    ~NetworkManager();

  private:
    void CloseConnection(Connection* connection);
};

// Destroys the manager through its slot 0 and frees it.
inline void DestroyNetworkManager(NetworkManager* manager) {
    if (manager) manager->DeletingDestructor(kDeleteMemory);
}

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_SIZE(RegistryEntry, 12);
TIDEMARCH_CHECK_SIZE(NetworkManager, 20 + 4 * 65536);
TIDEMARCH_CHECK_OFFSET(NetworkManager, NotifyText, 4);
TIDEMARCH_CHECK_OFFSET(NetworkManager, notificationCount, 8);
TIDEMARCH_CHECK_OFFSET(NetworkManager, window, 12);
TIDEMARCH_CHECK_OFFSET(NetworkManager, registeredCount, 16);
TIDEMARCH_CHECK_OFFSET(NetworkManager, buckets, 20);
TIDEMARCH_LAYOUT_CHECKS_END
#endif
