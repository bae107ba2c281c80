// The registration code of the host's network manager as a module runs it on the host's
// manager. The host frees entries the module made and the module's Unregister may free entries
// the host made, so entries live on the process heap, taken and given back directly.
#include "process_heap.h"
#include "tidemarch/net.h"

namespace tidemarch {

namespace {
uint32_t BucketOf(uintptr_t socket) { return uint32_t(socket & 0xFFFF); }
}  // namespace

void NetworkManager::Register(uintptr_t socket, Connection* connection) {
    RegistryEntry*& bucket = buckets[BucketOf(socket)];
    for (RegistryEntry* entry = bucket; entry; entry = entry->next) {
        if (entry->socket == socket) {
            entry->connection = connection;
            return;
        }
    }
    auto* entry = static_cast<RegistryEntry*>(ProcessHeapAllocate(sizeof(RegistryEntry)));
    if (!entry) return;
    entry->socket = socket;
    entry->connection = connection;
    entry->next = bucket;
    bucket = entry;
    ++registeredCount;
}

void NetworkManager::Unregister(uintptr_t socket) {
    if (socket == kNoSocket) return;
    for (RegistryEntry** link = &buckets[BucketOf(socket)]; *link; link = &(*link)->next) {
        RegistryEntry* entry = *link;
        if (entry->socket == socket) {
            *link = entry->next;
            ProcessHeapFree(entry);
            --registeredCount;
            return;
        }
    }
}

Connection* NetworkManager::Find(uintptr_t socket) const {
    for (RegistryEntry* entry = buckets[BucketOf(socket)]; entry; entry = entry->next)
        if (entry->socket == socket) return entry->connection;
    return nullptr;
}

}  // namespace tidemarch
