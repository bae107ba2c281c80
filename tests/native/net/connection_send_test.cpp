// What a connection puts on the wire, read back from the other end of a socket pair.
#include <gtest/gtest.h>

#include "connection_fixture.h"
#include "wire_reference.h"

namespace {

class ConnectionSend : public PairedConnection {};

TEST_F(ConnectionSend, WithoutChecksumsHeaderAndBody) {
    RecordingConnection connection(0);
    Pair(connection);
    EXPECT_EQ(connection.SendMessage(0x80020020, 7, 8, "hello", 5, 0), 1u);
    EXPECT_EQ(connection.SendMessage(0x80000002, 0, 0x8002, nullptr, 0, 0), 1u);
    std::vector<uint8_t> expected = reference::Frame(0x80020020, 7, 8, {'h', 'e', 'l', 'l', 'o'});
    const auto empty = reference::Frame(0x80000002, 0, 0x8002, {});
    expected.insert(expected.end(), empty.begin(), empty.end());
    EXPECT_EQ(PeerRead(), expected);
}

TEST_F(ConnectionSend, WithChecksumsTrailersUseTheSendFormulaAndTheEchoAnswerItsId) {
    RecordingConnection connection(1);
    Pair(connection);
    const std::vector<uint8_t> body = {0x80, 0xFF, 0x00, 0x7F, 0x01};
    connection.SendMessage(0x80020020, 1, 2, body.data(), 5, 0);
    connection.SendMessage(0x80020010, 0, 0, nullptr, 0, 0);
    connection.SendMessage(0x8002000F, 0, 0, nullptr, 0, 0);
    const auto sent = PeerRead();
    ASSERT_EQ(sent.size(), 29u + 24u + 24u);
    EXPECT_EQ(std::vector<uint8_t>(sent.begin(), sent.begin() + 25),
              reference::Frame(0x80020020, 1, 2, body));
    EXPECT_EQ(reference::WordAt(sent.data() + 25), reference::SendSum(sent.data(), 5) ^ reference::kSendMask);
    EXPECT_EQ(reference::WordAt(sent.data() + 29 + 16), 0u);
    EXPECT_EQ(reference::WordAt(sent.data() + 29 + 20),
              reference::SendSum(sent.data() + 29, 0) ^ reference::kSendMask);
    EXPECT_EQ(reference::WordAt(sent.data() + 53 + 20), 0x8002000Fu);
}

TEST_F(ConnectionSend, AFailedSendClosesALiveConnection) {
    RecordingConnection connection(0);
    Pair(connection);
    ClosePeer();
    EXPECT_EQ(connection.SendMessage(1, 0, 0, nullptr, 0, 0), 0u);
    EXPECT_EQ(connection.disconnectedCalls, 1);
    EXPECT_EQ(connection.socket, kNoSocket);
    EXPECT_EQ(connection.state, connection_state::NotConnected);
    // Without a socket nothing is tried.
    EXPECT_EQ(connection.SendMessage(1, 0, 0, nullptr, 0, 0), 0u);
    EXPECT_EQ(connection.disconnectedCalls, 1);
}

TEST_F(ConnectionSend, AFailedSendBeforeTheConnectionCountsAsConnectedClosesNothing) {
    RecordingConnection connection(0);
    Pair(connection);
    connection.state = connection_state::NotConnected;
    ClosePeer();
    EXPECT_EQ(connection.SendMessage(1, 0, 0, nullptr, 0, 0), 0u);
    EXPECT_EQ(connection.disconnectedCalls, 0);
    EXPECT_NE(connection.socket, kNoSocket);
}

TEST_F(ConnectionSend, AMessageLargerThanTheSocketTakesIsQueuedWhole) {
    RecordingConnection connection(0);
    Pair(connection);
    std::vector<uint8_t> body(3 * 1024 * 1024);
    for (size_t i = 0; i < body.size(); ++i)
        body[i] = uint8_t(i * 31);
    EXPECT_EQ(connection.SendMessage(5, 0, 0, body.data(), uint32_t(body.size()), 0), 1u);
    EXPECT_EQ(connection.SendMessage(6, 0, 0, nullptr, 0, 0), 1u);
    // The caller's body may go at once: what the socket did not take was copied.
    std::fill(body.begin(), body.end(), 0);
    std::vector<uint8_t> received;
    std::vector<SocketNotification> ignored;
    uint8_t chunk[65536];
    while (received.size() < 20 + body.size() + 20) {
        PollSocketNotifications(nullptr, 10, ignored);  // writes the queued bytes as room appears
        const ssize_t n = ::recv(peer_, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n > 0) received.insert(received.end(), chunk, chunk + n);
    }
    for (size_t i = 0; i < body.size(); ++i)
        ASSERT_EQ(received[20 + i], uint8_t(i * 31)) << i;
    EXPECT_EQ(reference::WordAt(received.data() + 20 + body.size() + 4), 6u);
}

TEST_F(ConnectionSend, APeerThatStopsReadingEndsTheConnectionOnceTheQueueIsFull) {
    RecordingConnection connection(0);
    Pair(connection);
    const std::vector<uint8_t> body(1 << 20, 0x5A);
    // Far more than the bound: the queue must not take it all.
    const uint64_t attempts = 2 * kSendQueueLimit / body.size();
    uint64_t accepted = 0;
    while (accepted < attempts && connection.SendMessage(5, 0, 0, body.data(), uint32_t(body.size()), 0))
        ++accepted;
    EXPECT_LT(accepted, attempts);
    // Everything up to the bound is taken, beside what the socket itself holds.
    EXPECT_GE(accepted * (body.size() + 20), kSendQueueLimit);
    EXPECT_EQ(connection.disconnectedCalls, 1);
    EXPECT_EQ(connection.state, connection_state::NotConnected);
    EXPECT_EQ(connection.socket, kNoSocket);
}

}  // namespace
