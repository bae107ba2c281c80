// Connections and the network manager on real WinSock sockets, against the scripted peer on
// 127.0.0.1, with socket message 1122 pumped from a hidden window as the frame loop does.
#include <gtest/gtest.h>

#include "scenario_connection.h"
#include "socket_window.h"

namespace {

class NetLoopback : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("TIDEMARCH_PEER_PORT"), nullptr) << "run through tests/peers/net_peer.py";
        ASSERT_NE(window_.Handle(), nullptr);
        manager_ = new NetworkManager(window_.Handle());
    }
    void TearDown() override { DestroyNetworkManager(manager_); }

    template <class C> void ConnectToPeer(C& connection) {
        const sockaddr_in address = PeerAddress();
        ASSERT_EQ(connection.Connect(manager_, &address, sizeof address), 1u);
        EXPECT_EQ(connection.state, connection_state::NotConnected);
        EXPECT_EQ(connection.log.connectedCalls, 0);
        EXPECT_EQ(manager_->Find(connection.socket), &connection);
    }

    // The peer sends one good message and then ends the stream (a bad header or a close inside a
    // message): the connection sees that message, one disconnection, and leaves the registry.
    void ExpectDisconnectionAfterTheFirstMessage(uint32_t scenario) {
        auto* connection = new ScenarioConnection(0, scenario);
        ConnectToPeer(*connection);
        const SocketHandle socket = connection->socket;
        ASSERT_TRUE(PumpUntil(*manager_, [&] { return connection->log.disconnectedCalls > 0; }));
        PumpUntil(
            *manager_, [] { return false; }, 200);
        EXPECT_EQ(connection->log.dataIndices, std::vector<uint32_t>{0});
        EXPECT_EQ(connection->log.disconnectedCalls, 1);
        EXPECT_EQ(connection->state, connection_state::NotConnected);
        EXPECT_EQ(connection->socket, kNoSocket);
        EXPECT_EQ(manager_->Find(socket), nullptr);
        DestroyConnection(connection);
    }

    // Runs a scenario to the peer's verdict and checks it.
    template <class C> void RunToVerdict(C& connection, DWORD timeoutMs = 30000) {
        ASSERT_TRUE(PumpUntil(
            *manager_, [&] { return connection.log.done; }, timeoutMs))
            << "no verdict";
        EXPECT_EQ(connection.log.donePassed, 1u) << connection.log.doneText;
        for (const std::string& fault : connection.log.faults)
            ADD_FAILURE() << fault;
        EXPECT_EQ(connection.log.connectedCalls, 1);
    }

    SocketWindow window_;
    NetworkManager* manager_ = nullptr;
};

TEST_F(NetLoopback, SessionAnswersOfTheClientConnection) {
    auto* client = new SessionClient;
    ConnectToPeer(*client);
    RunToVerdict(*client);
    // Acknowledging the second answer does not make the session ready; acknowledging the hello
    // does.
    EXPECT_EQ(client->stateAtProbe, connection_state::Connected);
    EXPECT_EQ(client->state, connection_state::SessionReady);
    DestroyConnection(client);
}

TEST_F(NetLoopback, ConnectedOnlyOnTheFirstWritability) {
    auto* connection = new ScenarioConnection(0, peer::Burst);
    ConnectToPeer(*connection);
    ASSERT_TRUE(PumpUntil(*manager_, [&] { return connection->state == connection_state::Connected; }));
    EXPECT_EQ(connection->log.connectedCalls, 1);
    RunToVerdict(*connection);
    EXPECT_EQ(connection->log.connectedCalls, 1);
    DestroyConnection(connection);
}

TEST_F(NetLoopback, RefusedConnectLeavesStateZeroAndTheSocketOpen) {
    // A port that nobody listens on any more.
    SOCKET probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(probe);

    auto* connection = new ScenarioConnection(0, peer::Burst);
    ASSERT_EQ(connection->Connect(manager_, &address, sizeof address), 1u);
    const uint32_t before = manager_->notificationCount;
    PumpUntil(
        *manager_, [&] { return manager_->notificationCount > before; }, 5000);
    PumpUntil(
        *manager_, [] { return false; }, 300);
    EXPECT_GT(manager_->notificationCount, before) << "the failed connect is reported";
    EXPECT_EQ(connection->state, connection_state::NotConnected);
    EXPECT_EQ(connection->log.connectedCalls, 0);
    EXPECT_NE(connection->socket, kNoSocket);
    EXPECT_EQ(manager_->Find(connection->socket), connection);
    // The manager deletes it with itself.
}

class NetLoopbackModes : public NetLoopback, public ::testing::WithParamInterface<uint32_t> {
  protected:
    uint32_t Mode() const { return GetParam(); }
};

TEST_P(NetLoopbackModes, ManyMessagesInOneRead) {
    auto* connection = new ScenarioConnection(Mode(), Mode() ? peer::BurstWithChecksums : peer::Burst);
    ConnectToPeer(*connection);
    RunToVerdict(*connection);
    ASSERT_EQ(connection->log.dataMessages, 200u);
    EXPECT_EQ(connection->log.dataIndices.back(), 199u);
    EXPECT_EQ(connection->log.doneCount, 200u);
    EXPECT_GT(connection->log.mostMessagesInOneRead, 1u);
    EXPECT_TRUE(connection->badChecksums.empty());
    DestroyConnection(connection);
}

TEST_P(NetLoopbackModes, MessagesSplitAcrossManyReads) {
    auto* connection = new ScenarioConnection(Mode(), Mode() ? peer::TrickleWithChecksums : peer::Trickle);
    ConnectToPeer(*connection);
    const uint32_t before = manager_->notificationCount;
    RunToVerdict(*connection);
    EXPECT_EQ(connection->log.dataMessages, 7u);
    // The peer wrote one byte at a time: far more reads than messages.
    EXPECT_GT(manager_->notificationCount - before, 7u * 4);
    EXPECT_TRUE(connection->badChecksums.empty());
    DestroyConnection(connection);
}

TEST_P(NetLoopbackModes, TenMegabyteBody) {
    auto* connection = new ScenarioConnection(Mode(), Mode() ? peer::LargeWithChecksums : peer::Large);
    ConnectToPeer(*connection);
    RunToVerdict(*connection, 60000);
    EXPECT_EQ(connection->log.dataMessages, 2u);
    EXPECT_TRUE(connection->badChecksums.empty());
    DestroyConnection(connection);
}

INSTANTIATE_TEST_SUITE_P(ChecksumMode, NetLoopbackModes, ::testing::Values(0u, 1u));

TEST_F(NetLoopback, BadMagicClosesTheConnection) { ExpectDisconnectionAfterTheFirstMessage(peer::BadMagic); }

TEST_F(NetLoopback, BadTrailerCallsOnBadChecksum) {
    auto* connection = new ScenarioConnection(1, peer::BadTrailer);
    ConnectToPeer(*connection);
    ASSERT_TRUE(PumpUntil(*manager_, [&] { return connection->log.done; }));
    ASSERT_EQ(connection->badChecksums.size(), 1u);
    EXPECT_EQ(connection->badChecksums[0].id, peer::Data);
    EXPECT_EQ(connection->badChecksums[0].received, connection->reportedBadTrailer);
    EXPECT_EQ(connection->badChecksums[0].expected, connection->reportedGoodTrailer);
    // Message 0 was dropped, message 1 delivered.
    EXPECT_EQ(connection->log.dataIndices, std::vector<uint32_t>{1});
    EXPECT_TRUE(connection->log.faults.empty());
    EXPECT_EQ(connection->state, connection_state::Connected);
    DestroyConnection(connection);
}

TEST_F(NetLoopback, SessionMasksKeyBothDirections) {
    auto* connection = new ScenarioConnection(1, peer::Keyed);
    ConnectToPeer(*connection);
    RunToVerdict(*connection);
    EXPECT_EQ(connection->log.dataMessages, 8u);
    EXPECT_TRUE(connection->badChecksums.empty());
    EXPECT_NE(connection->maskTable, nullptr);
    EXPECT_EQ(connection->receiveKeyed, 1u);
    EXPECT_EQ(connection->sendKeyed, 1u);
    DestroyConnection(connection);
}

// A send the socket cannot take at once is copied and finished by the platform later; the caller's
// buffer may go at once, and a later message queues behind it.
TEST_F(NetLoopback, LargeSendOutlivesTheCallersBuffer) {
    constexpr uint32_t kLength = 8 * 1024 * 1024;
    auto* connection = new ScenarioConnection(1, peer::Upload, kLength);
    ConnectToPeer(*connection);
    ASSERT_TRUE(PumpUntil(*manager_, [&] { return connection->log.connectedCalls > 0; }));
    {
        std::vector<uint8_t> body(kLength);
        peer::FillDataBody(0, body.data(), kLength);
        EXPECT_EQ(connection->SendMessage(peer::Data, 0, kLength, body.data(), kLength, 0), 1u);
        std::fill(body.begin(), body.end(), 0xEE);
    }
    uint8_t small[5];
    peer::FillDataBody(1, small, 5);
    EXPECT_EQ(connection->SendMessage(peer::Data, 1, 5, small, 5, 0), 1u);
    RunToVerdict(*connection, 60000);
    DestroyConnection(connection);
}

// A peer that stops reading: the bytes waiting to be sent are bounded, and past the bound the
// connection ends as a disconnection instead of the process growing without end.
TEST_F(NetLoopback, APeerThatStopsReadingEndsTheConnectionOnceTheQueueIsFull) {
    auto* connection = new ScenarioConnection(0, peer::Stall);
    ConnectToPeer(*connection);
    ASSERT_TRUE(PumpUntil(*manager_, [&] { return connection->log.connectedCalls > 0; }));
    const std::vector<uint8_t> body(1 << 20, 0x5A);
    const uint64_t attempts = 2 * kSendQueueLimit / body.size();
    uint64_t accepted = 0;
    while (accepted < attempts &&
           connection->SendMessage(peer::Data, 0, 0, body.data(), uint32_t(body.size()), 0))
        ++accepted;
    EXPECT_LT(accepted, attempts);
    EXPECT_GE(accepted * (body.size() + 20), kSendQueueLimit);
    EXPECT_EQ(connection->log.disconnectedCalls, 1);
    EXPECT_EQ(connection->state, connection_state::NotConnected);
    EXPECT_EQ(connection->socket, kNoSocket);
    DestroyConnection(connection);
}

// A connect that fails at once (an address of another family) returns 0 and leaves nothing
// registered: no notification would ever report it.
TEST_F(NetLoopback, ConnectThatFailsAtOnceReturnsZeroAndLeavesNothingRegistered) {
    sockaddr_in address = PeerAddress();
    address.sin_family = AF_INET6;
    auto* connection = new ScenarioConnection(0, peer::Burst);
    EXPECT_EQ(connection->Connect(manager_, &address, sizeof address), 0u);
    EXPECT_EQ(manager_->registeredCount, 0u);
    EXPECT_EQ(connection->state, connection_state::NotConnected);
    DestroyConnection(connection);
}

TEST_F(NetLoopback, PeerClosingMidMessage) { ExpectDisconnectionAfterTheFirstMessage(peer::CloseMidMessage); }

}  // namespace
