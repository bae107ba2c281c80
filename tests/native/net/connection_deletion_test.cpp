// Connections of the game module that delete themselves inside a handler. Their slot 2 runs the
// module's own teardown, not the host's destructor, so the host learns of the deletion only from
// the registry. Under AddressSanitizer any read of the freed connection fails the test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "connection_fixture.h"
#include "net/mask_table.h"
#include "net/network_manager.h"
#include "wire_reference.h"

namespace {

enum class DeleteIn { OnMessage, OnBadChecksum, OnDisconnected };

// What the handlers saw; kept outside the connection, which does not survive the test.
struct Seen {
    int messages = 0;
    int badChecksums = 0;
    int disconnects = 0;
    bool deleted = false;
};

// A connection destroyed the way the module's code destroys its own: slot 2 unregisters the
// socket, closes it, frees the buffers and the memory, and never runs the host's destructor.
class ModuleConnection : public Connection {
  public:
    ModuleConnection(uint32_t checksumMode, DeleteIn deleteIn, bool sendInOnMessage, Seen* seen)
        : Connection(checksumMode), deleteIn_(deleteIn), sendInOnMessage_(sendInOnMessage), seen_(seen) {}

    void* DeletingDestructor(uint32_t flags) override {
        if (manager) manager->Unregister(socket);
        if (socket != kNoSocket) ActiveSocketPlatform().Close(socket);
        ::operator delete(receiveBuffer);  // receive buffers come from the program's operator new
        if (maskTable) maskTable->DeletingDestructor(kDeleteMemory);
        seen_->deleted = true;
        if (flags & kDeleteMemory) ::operator delete(static_cast<void*>(this));
        return this;
    }
    uint32_t OnMessage(MessageHeader*, uint8_t*) override {
        ++seen_->messages;
        // A failed send may delete this connection through OnDisconnected; nothing of it is read
        // after the send.
        const bool deleteHere = deleteIn_ == DeleteIn::OnMessage;
        if (sendInOnMessage_ && !SendMessage(0x80020020, 0, 0, nullptr, 0, 0)) return 1;
        if (deleteHere) DeletingDestructor(kDeleteMemory);
        return 1;
    }
    void OnBadChecksum(MessageHeader*, uint8_t*, uint32_t, uint32_t) override {
        ++seen_->badChecksums;
        if (deleteIn_ == DeleteIn::OnBadChecksum) DeletingDestructor(kDeleteMemory);
    }
    void OnDisconnected() override {
        ++seen_->disconnects;
        if (deleteIn_ == DeleteIn::OnDisconnected) DeletingDestructor(kDeleteMemory);
    }

  private:
    DeleteIn deleteIn_;
    bool sendInOnMessage_;
    Seen* seen_;
};

enum class Notice { Read, Close };

struct DeletionCase {
    std::string name;
    uint32_t checksumMode;
    DeleteIn deleteIn;
    bool sendInOnMessage;  // and the send fails, as the peer has closed
    std::vector<uint8_t> (*peerBytes)();
    bool peerCloses;
    Notice notice;
    Seen expected;
};

std::vector<uint8_t> Join(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<uint8_t> TwoPlainMessages() {
    return Join(reference::Frame(0x80000005, 0, 0, {}), reference::Frame(0x80000005, 1, 0, {1, 2}));
}

std::vector<uint8_t> BadTrailerThenGood() {
    auto bad = reference::ServerFrame(0x80020020, 0, 0, {7});
    bad.back() ^= 0xFF;
    return Join(bad, reference::ServerFrame(0x80020020, 1, 0, {8}));
}

std::vector<uint8_t> WrongMagic() { return reference::Frame(0x80000005, 0, 0, {}, 0x0BADF00D); }

std::vector<uint8_t> SessionSeedThenMessage() {
    return Join(reference::ServerFrame(0x8002030D, 11, 22, {}), reference::ServerFrame(0x80000005, 0, 0, {}));
}

class ModuleConnectionDeletion : public PairedConnection,
                                 public ::testing::WithParamInterface<DeletionCase> {};

TEST_P(ModuleConnectionDeletion, NothingTouchesTheConnectionAfterItsHandlerDeletedIt) {
    const DeletionCase& c = GetParam();
    int window = 0;
    NetworkManager manager(&window);
    Seen seen;
    auto* connection = new ModuleConnection(c.checksumMode, c.deleteIn, c.sendInOnMessage, &seen);
    Pair(*connection);
    connection->manager = &manager;
    manager.Register(connection->socket, connection);
    const SocketHandle socket = connection->socket;

    PeerWrite(c.peerBytes());
    if (c.peerCloses) ClosePeer();
    manager.Dispatch(uint32_t(socket),
                     int32_t(c.notice == Notice::Read ? socket_event::Read : socket_event::Close));

    ASSERT_TRUE(seen.deleted);
    EXPECT_EQ(seen.messages, c.expected.messages);
    EXPECT_EQ(seen.badChecksums, c.expected.badChecksums);
    EXPECT_EQ(seen.disconnects, c.expected.disconnects);
    EXPECT_EQ(manager.Find(socket), nullptr);
    EXPECT_EQ(manager.registeredCount, 0u);
}

INSTANTIATE_TEST_SUITE_P(Handlers, ModuleConnectionDeletion,
                         ::testing::Values(DeletionCase{"OnMessageWithAMessageBehind",
                                                        0,
                                                        DeleteIn::OnMessage,
                                                        false,
                                                        TwoPlainMessages,
                                                        false,
                                                        Notice::Read,
                                                        {1, 0, 0, true}},
                                           DeletionCase{"OnBadChecksumWithAMessageBehind",
                                                        1,
                                                        DeleteIn::OnBadChecksum,
                                                        false,
                                                        BadTrailerThenGood,
                                                        false,
                                                        Notice::Read,
                                                        {0, 1, 0, true}},
                                           DeletionCase{"OnDisconnectedAfterAWrongMagic",
                                                        0,
                                                        DeleteIn::OnDisconnected,
                                                        false,
                                                        WrongMagic,
                                                        false,
                                                        Notice::Read,
                                                        {0, 0, 1, true}},
                                           DeletionCase{"OnDisconnectedAfterASendFailedInOnMessage",
                                                        0,
                                                        DeleteIn::OnDisconnected,
                                                        true,
                                                        TwoPlainMessages,
                                                        true,
                                                        Notice::Read,
                                                        {1, 0, 1, true}},
                                           DeletionCase{"OnDisconnectedAfterTheSessionAnswerFailed",
                                                        1,
                                                        DeleteIn::OnDisconnected,
                                                        false,
                                                        SessionSeedThenMessage,
                                                        true,
                                                        Notice::Read,
                                                        {0, 0, 1, true}},
                                           DeletionCase{"OnDisconnectedOnTheCloseNotification",
                                                        0,
                                                        DeleteIn::OnDisconnected,
                                                        false,
                                                        TwoPlainMessages,
                                                        true,
                                                        Notice::Close,
                                                        {2, 0, 1, true}},
                                           DeletionCase{"OnMessageWhileTheCloseNotificationReadsTheRest",
                                                        0,
                                                        DeleteIn::OnMessage,
                                                        false,
                                                        TwoPlainMessages,
                                                        true,
                                                        Notice::Close,
                                                        {1, 0, 0, true}}),
                         [](const ::testing::TestParamInfo<DeletionCase>& info) { return info.param.name; });

// A module connection that closes itself with its own code inside OnMessage, without deleting
// itself, cannot be told from a deleted one: the read ends there and its buffer is left alone.
// When it lives on and is connected again, the ended session's bytes are not read again.
TEST_F(PairedConnection, AModuleConnectionClosedInAHandlerAndConnectedAgainReadsOnlyTheNewSession) {
    int window = 0;
    NetworkManager manager(&window);
    RecordingConnection connection(0);
    PairAndRegister(connection, manager);
    connection.onMessage = [&](RecordingConnection& self) {
        if (self.messages.size() != 1) return;
        // The module's own close: unregister, close, forget the socket.
        manager.Unregister(self.socket);
        ActiveSocketPlatform().Close(self.socket);
        self.socket = kNoSocket;
        self.state = connection_state::NotConnected;
    };
    PeerWrite(TwoPlainMessages());
    EXPECT_EQ(connection.ReceiveAvailable(), -1);
    ASSERT_EQ(connection.messages.size(), 1u);

    // Connected again by the module's own code, which registers the new socket.
    ClosePeer();
    Pair(connection);
    manager.Register(connection.socket, &connection);
    PeerWrite(reference::Frame(0x80000004, 9, 0, {}));
    manager.Dispatch(uint32_t(connection.socket), int32_t(socket_event::Read));
    ASSERT_EQ(connection.messages.size(), 2u);
    EXPECT_EQ(connection.messages[1].id, 0x80000004u);
    EXPECT_EQ(connection.receiveFill, 0u);
    manager.Unregister(connection.socket);
}

// A handler that closes its connection, without deleting it, ends the read there: what came
// behind belongs to the closed session and is neither delivered nor kept for a later one.
TEST_F(PairedConnection, AHandlerThatClosesItsConnectionEndsTheRead) {
    int window = 0;
    NetworkManager manager(&window);
    RecordingConnection connection(0);
    PairAndRegister(connection, manager);
    connection.onMessage = [&](RecordingConnection& self) {
        ClosePeer();
        self.SendMessage(0x80020020, 0, 0, nullptr, 0, 0);  // fails and closes
    };
    PeerWrite(TwoPlainMessages());
    EXPECT_EQ(connection.ReceiveAvailable(), -1);
    EXPECT_EQ(connection.messages.size(), 1u);
    EXPECT_EQ(connection.disconnectedCalls, 1);
    EXPECT_EQ(connection.socket, kNoSocket);
    EXPECT_EQ(connection.receiveFill, 0u);
    EXPECT_EQ(manager.registeredCount, 0u);
}

}  // namespace
