#include "net/network_manager.h"

#include <cstdio>
#include <new>

#include "net/connection.h"
#include "net/life_watch.h"

namespace {
uint32_t BucketOf(SocketHandle socket) { return uint32_t(socket & 0xFFFF); }
}  // namespace

NetworkManager::NetworkManager(void* ownerWindow)
    : NotifyText(nullptr), notificationCount(0), window(ownerWindow), registeredCount(0), buckets{} {
    ActiveSocketPlatform().Startup();
}

NetworkManager::~NetworkManager() {
    for (RegistryEntry*& bucket : buckets) {
        // Each entry leaves the registry before its connection is deleted: the connection's
        // destruction unregisters its socket, and may delete or close other connections.
        while (RegistryEntry* entry = bucket) {
            bucket = entry->next;
            --registeredCount;
            Connection* connection = entry->connection;
            delete entry;
            DestroyConnection(connection);
        }
    }
    ActiveSocketPlatform().Cleanup();
}

void* NetworkManager::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

void NetworkManager::NoOperation() {}

void NetworkManager::Register(SocketHandle socket, Connection* connection) {
    RegistryEntry*& bucket = buckets[BucketOf(socket)];
    for (RegistryEntry* entry = bucket; entry; entry = entry->next) {
        if (entry->socket == socket) {
            entry->connection = connection;
            return;
        }
    }
    auto* entry = new (std::nothrow) RegistryEntry{socket, connection, bucket};
    if (!entry) return;
    bucket = entry;
    ++registeredCount;
}

void NetworkManager::Unregister(SocketHandle socket) {
    if (socket == kNoSocket) return;
    for (RegistryEntry** link = &buckets[BucketOf(socket)]; *link; link = &(*link)->next) {
        RegistryEntry* entry = *link;
        if (entry->socket == socket) {
            *link = entry->next;
            delete entry;
            --registeredCount;
            return;
        }
    }
}

Connection* NetworkManager::Find(SocketHandle socket) const {
    for (RegistryEntry* entry = buckets[BucketOf(socket)]; entry; entry = entry->next)
        if (entry->socket == socket) return entry->connection;
    return nullptr;
}

void NetworkManager::CloseConnection(Connection* connection) {
    if (connection->state == connection_state::NotConnected || connection->socket == kNoSocket) return;
    // Bytes that arrived before the close are still delivered: the close notification may
    // overtake the last read notification.
    LifeWatch watch(connection);
    while (connection->socket != kNoSocket && connection->ReceiveAvailable() > 0) {
        if (watch.StopReading()) return;
    }
    if (watch.StopReading() || connection->state == connection_state::NotConnected ||
        connection->socket == kNoSocket)
        return;
    connection->state = connection_state::NotConnected;
    connection->OnDisconnected();
    if (watch.StopReading() || connection->socket == kNoSocket) return;
    const SocketHandle socket = connection->socket;
    Unregister(socket);
    ActiveSocketPlatform().Close(socket);
    connection->socket = kNoSocket;
    // An unfinished message of the closed session belongs to no message of a later one.
    connection->receiveFill = 0;
}

int32_t NetworkManager::Dispatch(uint32_t wParam, int32_t lParam) {
    ++notificationCount;
    if (NotifyText)
        std::snprintf(NotifyText, kNotifyTextSize, "Notify %5u", unsigned(notificationCount % 100000));
    if (wParam == 0 && lParam == 0) return 0;
    Connection* connection = Find(SocketHandle(wParam));
    if (!connection) return 0;
    switch (uint32_t(lParam) & 0xFFFF) {
    case socket_event::Read:
        connection->ReceiveAvailable();
        break;
    case socket_event::Write:
        if (connection->state == connection_state::NotConnected) {
            connection->state = connection_state::Connected;
            connection->OnConnected();
        }
        break;
    case socket_event::Connect:
        connection->SelectEvents(socket_event::AfterConnect);
        break;
    case socket_event::Close:
        CloseConnection(connection);
        break;
    default:
        break;
    }
    return 0;
}
