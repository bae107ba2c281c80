// Connections of a game module built with the MSVC C++ ABI, on the host's network manager: the
// module registers them with its own copy of the registration code, the host's receive and
// close code runs on them, the host's manager frees what the module allocated and the reverse,
// and a module connection may delete itself inside any handler without the host touching it
// afterwards (the module keeps a deleted connection's storage as a tombstone that records
// every later call and write).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "module_contract_loader.h"
#include "net/wire_format.h"

namespace {

constexpr uintptr_t kSocket = 0x4242;
constexpr uintptr_t kOtherSocket = 0x4343;

// One plain message: header and a body of the given bytes, with a trailer when asked (the given
// value; no real checksum).
void AppendMessage(std::vector<uint8_t>& out, uint32_t magic, uint32_t id, std::vector<uint8_t> body,
                   const uint32_t* trailer = nullptr) {
    MessageHeader header{magic, id, 0, 0, uint32_t(body.size())};
    const auto* bytes = reinterpret_cast<const uint8_t*>(&header);
    out.insert(out.end(), bytes, bytes + sizeof header);
    out.insert(out.end(), body.begin(), body.end());
    if (trailer) {
        const auto* trailerBytes = reinterpret_cast<const uint8_t*>(trailer);
        out.insert(out.end(), trailerBytes, trailerBytes + sizeof *trailer);
    }
}

// Whether the block is allocated on the process heap right now.
bool InUseOnProcessHeap(const void* block) { return HeapValidate(GetProcessHeap(), 0, block) != 0; }

class ModuleConnectionContractTest : public ::testing::Test {
  protected:
    void SetUp() override {
        module = LoadContractModule();
        ASSERT_NE(module, nullptr) << "ContractModule.dll with all its exports must lie beside the test";
        manager = new NetworkManager(nullptr);
    }
    void TearDown() override { DestroyNetworkManager(manager); }

    const ContractModule* module = nullptr;
    NetworkManager* manager = nullptr;
};

TEST_F(ModuleConnectionContractTest, RegistrationsCrossTheBoundaryBothWays) {
    contract::ConnectionState seen{};
    Connection* connection = module->createModuleConnection(manager, kSocket, 0, 1, &seen);
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(manager->Find(kSocket), connection);
    EXPECT_EQ(manager->registeredCount, 1u);

    // The module's entry, freed by the host.
    RegistryEntry* moduleEntry = manager->buckets[kSocket & 0xFFFF];
    ASSERT_NE(moduleEntry, nullptr);
    ASSERT_TRUE(InUseOnProcessHeap(moduleEntry));
    manager->Unregister(kSocket);
    EXPECT_EQ(manager->Find(kSocket), nullptr);
    EXPECT_EQ(manager->registeredCount, 0u);
    EXPECT_FALSE(InUseOnProcessHeap(moduleEntry)) << "the host gave the module's entry back to the heap";

    // The host's entry, freed by the module.
    manager->Register(kOtherSocket, connection);
    RegistryEntry* hostEntry = manager->buckets[kOtherSocket & 0xFFFF];
    ASSERT_NE(hostEntry, nullptr);
    EXPECT_TRUE(InUseOnProcessHeap(hostEntry)) << "the host's entries live on the heap the module frees to";
    module->moduleUnregister(manager, kOtherSocket);
    EXPECT_EQ(manager->Find(kOtherSocket), nullptr);
    EXPECT_EQ(manager->registeredCount, 0u);
    EXPECT_FALSE(InUseOnProcessHeap(hostEntry));

    // The host's receive code delivers to the module's slot 5.
    std::vector<uint8_t> bytes;
    AppendMessage(bytes, FrameMagic, 0x80020099, {0x7B, 1, 2});
    module->moduleRegister(manager, kSocket, connection);
    EXPECT_EQ(connection->ReceiveBytes(bytes.data(), uint32_t(bytes.size())), int32_t(bytes.size()));
    EXPECT_EQ(seen.messages, 1);
    EXPECT_EQ(seen.lastId, 0x80020099u);
    EXPECT_EQ(seen.lastBodyByte, 0x7Bu);

    // Still registered at the manager's end: deleted through the module's slot 2.
    const int32_t tombstones = module->tombstones();
    DestroyNetworkManager(manager);
    manager = nullptr;
    EXPECT_EQ(seen.destructions, 1);
    EXPECT_EQ(module->tombstones(), tombstones + 1);
    EXPECT_EQ(module->callsAfterDeath(), 0);
}

TEST_F(ModuleConnectionContractTest, ConnectionDeletedInsideAHandlerIsLeftAlone) {
    struct Case {
        const char* name;
        int32_t deletion;
        uint32_t checksumMode;
        std::vector<uint8_t> bytes;
        int32_t messages;
        int32_t disconnections;
        int32_t badChecksums;
    };
    const uint32_t wrongTrailer = 0x12345678;
    std::vector<uint8_t> twoMessages, badThenGood, wrongMagic;
    AppendMessage(twoMessages, FrameMagic, 0x80020001, {1});
    AppendMessage(twoMessages, FrameMagic, 0x80020002, {2});
    AppendMessage(badThenGood, FrameMagic, 0x80020003, {3, 3}, &wrongTrailer);
    AppendMessage(badThenGood, FrameMagic, 0x8001000F, {},
                  &wrongTrailer);  // the echo request skips the check
    AppendMessage(wrongMagic, 0x0BADF00D, 0x80020004, {4});
    const Case cases[] = {
        {"OnMessage, a second message behind", contract::kDeleteOnMessage, 0, twoMessages, 1, 0, 0},
        {"OnBadChecksum, a message behind", contract::kDeleteOnBadChecksum, 1, badThenGood, 0, 0, 1},
        {"OnDisconnected after a wrong magic", contract::kDeleteOnDisconnected, 0, wrongMagic, 0, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        contract::ConnectionState seen{};
        seen.deletion = c.deletion;
        const int32_t callsAfterDeath = module->callsAfterDeath();
        const int32_t tombstones = module->tombstones();
        Connection* connection = module->createModuleConnection(manager, kSocket, c.checksumMode, 1, &seen);
        ASSERT_NE(connection, nullptr);

        connection->ReceiveBytes(c.bytes.data(), uint32_t(c.bytes.size()));

        EXPECT_EQ(seen.destructions, 1);
        EXPECT_EQ(module->tombstones(), tombstones + 1);
        EXPECT_EQ(seen.messages, c.messages);
        EXPECT_EQ(seen.disconnections, c.disconnections);
        EXPECT_EQ(seen.badChecksums, c.badChecksums);
        EXPECT_EQ(module->callsAfterDeath(), callsAfterDeath)
            << "the host called a slot of the deleted connection";
        EXPECT_TRUE(module->lastTombstoneIntact()) << "the host wrote into the deleted connection";
        EXPECT_EQ(manager->Find(kSocket), nullptr) << "the module's destructor left the registry";
        EXPECT_EQ(manager->registeredCount, 0u);
    }
}

}  // namespace
