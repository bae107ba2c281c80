// A connection class of the module, registered with the host's network manager by the module's
// own copy of the registration code. Its handlers may delete it, as a game's connections do.
// The storage of a deleted one is kept as a tombstone: every slot records a call, and its bytes
// keep a pattern, so the test sees whether the host called or wrote the object after its death.
#include "contract_protocol.h"
#include "module_records.h"
#include "module_runtime.h"

#define MODULE_EXPORT extern "C" __declspec(dllexport)

namespace {

constexpr uint8_t kTombstoneFill = 0xDD;
int32_t gCallsAfterDeath = 0;
int32_t gTombstones = 0;

// The six slots of a connection, each counting a call.
class Tombstone {
  public:
    virtual void Slot0(uint32_t, uint32_t, uint32_t, uint32_t) { ++gCallsAfterDeath; }
    virtual void Slot1(void*, void*, uint32_t, uint32_t) { ++gCallsAfterDeath; }
    virtual void* Slot2(uint32_t) {
        ++gCallsAfterDeath;
        return this;
    }
    virtual void Slot3() { ++gCallsAfterDeath; }
    virtual void Slot4() { ++gCallsAfterDeath; }
    virtual uint32_t Slot5(void*, void*) {
        ++gCallsAfterDeath;
        return 1;
    }
    uint8_t fields[sizeof(Connection) - sizeof(void*)];
};
static_assert(sizeof(Tombstone) == sizeof(Connection));

Tombstone* gLastTombstone = nullptr;

class ModuleConnection : public Connection {
  public:
    ModuleConnection(uint32_t checksumMode, contract::ConnectionState* connectionState)
        : Connection(checksumMode), seen(connectionState) {}

    ~ModuleConnection() override {
        ++seen->destructions;
        contract::Note(seen->journal, this, contract::kDestroy, 0);
    }

    void OnBadChecksum(MessageHeader*, uint8_t*, uint32_t, uint32_t) override {
        ++seen->badChecksums;
        if (seen->deletion == contract::kDeleteOnBadChecksum) delete this;
    }
    void OnDisconnected() override {
        ++seen->disconnections;
        if (seen->deletion == contract::kDeleteOnDisconnected) delete this;
    }
    uint32_t OnMessage(MessageHeader* header, uint8_t* body) override {
        ++seen->messages;
        seen->lastId = header->id;
        seen->lastBodyByte = header->bodyLength ? body[0] : 0;
        if (seen->deletion == contract::kDeleteOnMessage) delete this;
        return 1;
    }

    // A deleted connection's storage becomes a tombstone and is never given back.
    static void operator delete(void* storage) {
        Tombstone* stone = new (storage) Tombstone;
        memset(stone->fields, kTombstoneFill, sizeof stone->fields);
        gLastTombstone = stone;
        ++gTombstones;
    }

    contract::ConnectionState* seen;
};

}  // namespace

// A module connection on the module's heap, registered under the socket with the host's
// manager by the module's code.
MODULE_EXPORT Connection* CreateModuleConnection(NetworkManager* manager, uintptr_t socket,
                                                 uint32_t checksumMode, int32_t connectionState,
                                                 contract::ConnectionState* state) {
    auto* connection = new ModuleConnection(checksumMode, state);
    connection->manager = manager;
    connection->socket = socket;
    connection->state = connectionState;
    manager->Register(socket, connection);
    return connection;
}

MODULE_EXPORT void ModuleRegister(NetworkManager* manager, uintptr_t socket, Connection* connection) {
    manager->Register(socket, connection);
}

MODULE_EXPORT void ModuleUnregister(NetworkManager* manager, uintptr_t socket) {
    manager->Unregister(socket);
}

MODULE_EXPORT void DeleteModuleConnection(Connection* connection) { delete connection; }

MODULE_EXPORT int32_t CallsAfterDeath() { return gCallsAfterDeath; }

MODULE_EXPORT int32_t Tombstones() { return gTombstones; }

// Whether the last tombstone's bytes are as the module left them.
MODULE_EXPORT int32_t LastTombstoneIntact() {
    if (!gLastTombstone) return 0;
    for (uint8_t byte : gLastTombstone->fields)
        if (byte != kTombstoneFill) return 0;
    return 1;
}
