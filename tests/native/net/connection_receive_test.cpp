// Splitting, checks and buffer policy of what a connection receives, over a real socket pair.
#include <gtest/gtest.h>

#include <thread>

#include "connection_fixture.h"
#include "net/mask_table.h"
#include "wire_reference.h"

namespace {

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

std::vector<uint8_t> Body(size_t length, uint8_t seed) {
    std::vector<uint8_t> body(length);
    for (size_t i = 0; i < length; ++i)
        body[i] = uint8_t(seed + i * 7);
    return body;
}

class ConnectionReceive : public PairedConnection {};

TEST_F(ConnectionReceive, TwoMessagesInOneReadAndAPartialThirdCompletedByTheNextRead) {
    RecordingConnection connection(0);
    Pair(connection);
    const auto third = reference::Frame(0x80020020, 5, 6, Body(100, 3));
    PeerWrite(Concat({reference::Frame(0x80000004, 1, 2, Body(8, 1)), reference::Frame(0x80000005, 3, 4, {}),
                      std::vector<uint8_t>(third.begin(), third.begin() + 30)}));
    EXPECT_EQ(connection.ReceiveAvailable(), 20 + 8 + 20 + 30);
    ASSERT_EQ(connection.messages.size(), 2u);
    EXPECT_EQ(connection.messages[0].id, 0x80000004u);
    EXPECT_EQ(connection.messages[0].body, Body(8, 1));
    EXPECT_EQ(connection.messages[1].id, 0x80000005u);
    EXPECT_EQ(connection.messages[1].a, 3u);
    EXPECT_EQ(connection.messages[1].b, 4u);
    // The partial message now starts the buffer.
    EXPECT_EQ(connection.receiveFill, 30u);
    EXPECT_EQ(std::vector<uint8_t>(connection.receiveBuffer, connection.receiveBuffer + 30),
              std::vector<uint8_t>(third.begin(), third.begin() + 30));

    PeerWrite(std::vector<uint8_t>(third.begin() + 30, third.end()));
    EXPECT_EQ(connection.ReceiveAvailable(), int32_t(third.size() - 30));
    ASSERT_EQ(connection.messages.size(), 3u);
    EXPECT_EQ(connection.messages[2].body, Body(100, 3));
    EXPECT_EQ(connection.receiveFill, 0u);
}

TEST_F(ConnectionReceive, NothingWaitingReadsNothing) {
    RecordingConnection connection(0);
    Pair(connection);
    EXPECT_EQ(connection.ReceiveAvailable(), 0);
}

TEST_F(ConnectionReceive, NineteenHeaderBytesAreNotParsed) {
    RecordingConnection connection(0);
    Pair(connection);
    auto header = reference::Frame(0x80000005, 0, 0, {}, 0xBADBAD00);
    header.pop_back();
    PeerWrite(header);
    EXPECT_EQ(connection.ReceiveAvailable(), 19);
    EXPECT_TRUE(connection.messages.empty());
    EXPECT_EQ(connection.disconnectedCalls, 0);
    EXPECT_EQ(connection.receiveFill, 19u);
}

// Every message of a stream is delivered once and in order, whatever the read sizes.
TEST_F(ConnectionReceive, OneByteAtATime) {
    for (uint32_t checksumMode : {0u, 1u}) {
        RecordingConnection connection(checksumMode);
        Pair(connection);
        std::vector<uint8_t> stream;
        for (uint32_t i = 0; i < 20; ++i) {
            const auto body = Body(i * 13 % 70, uint8_t(i));
            const auto frame = checksumMode ? reference::ServerFrame(0x80020020, i, 0, body)
                                            : reference::Frame(0x80020020, i, 0, body);
            stream.insert(stream.end(), frame.begin(), frame.end());
        }
        for (uint8_t byte : stream) {
            PeerWrite({byte});
            ASSERT_EQ(connection.ReceiveAvailable(), 1);
        }
        ASSERT_EQ(connection.messages.size(), 20u) << "checksum mode " << checksumMode;
        for (uint32_t i = 0; i < 20; ++i) {
            EXPECT_EQ(connection.messages[i].a, i);
            EXPECT_EQ(connection.messages[i].body, Body(i * 13 % 70, uint8_t(i)));
        }
        EXPECT_TRUE(connection.badChecksums.empty());
        ClosePeer();
    }
}

TEST_F(ConnectionReceive, WrongMagicClosesTheConnectionAndDropsTheBytes) {
    RecordingConnection connection(0);
    Pair(connection);
    // The broken header announces a huge body: it is judged as soon as its 20 bytes are there.
    auto broken = reference::Frame(1, 0, 0, {}, 0x01020305);
    broken[16] = 0xFF;
    broken[19] = 0x7F;
    PeerWrite(Concat({reference::Frame(0x80000005, 0, 0, {}), broken}));
    EXPECT_EQ(connection.ReceiveAvailable(), -1);
    EXPECT_EQ(connection.messages.size(), 1u);
    EXPECT_EQ(connection.disconnectedCalls, 1);
    EXPECT_EQ(connection.socket, kNoSocket);
    EXPECT_EQ(connection.state, connection_state::NotConnected);
    EXPECT_EQ(connection.receiveFill, 0u);
    // The peer sees the end of the stream.
    uint8_t byte;
    EXPECT_EQ(::read(peer_, &byte, 1), 0);
}

TEST_F(ConnectionReceive, WrongMagicWhileNotConnectedClosesNothing) {
    RecordingConnection connection(0);
    Pair(connection);
    connection.state = connection_state::NotConnected;
    PeerWrite(reference::Frame(1, 0, 0, {}, 0));
    EXPECT_EQ(connection.ReceiveAvailable(), -1);
    EXPECT_EQ(connection.disconnectedCalls, 0);
    EXPECT_NE(connection.socket, kNoSocket);
}

TEST_F(ConnectionReceive, BodyLengthNear4GiBWaitsForRealBytesWithoutOverflowOrHugeAllocation) {
    for (uint32_t checksumMode : {0u, 1u}) {
        for (uint32_t length : {0xFFFFFFFFu, 0xFFFFFFECu, 0xFFFFFFE8u, 0xFFFFFFFCu}) {
            RecordingConnection connection(checksumMode);
            Pair(connection);
            auto header = reference::Frame(0x80020020, 0, 0, {});
            std::memcpy(header.data() + 16, &length, 4);
            PeerWrite(Concat({header, std::vector<uint8_t>(1000, 0xAB)}));
            EXPECT_EQ(connection.ReceiveAvailable(), 1020);
            EXPECT_TRUE(connection.messages.empty());
            EXPECT_TRUE(connection.badChecksums.empty());
            EXPECT_EQ(connection.receiveCapacity, Connection::kBaseBufferSize);
            EXPECT_EQ(connection.receiveFill, 1020u);
            EXPECT_EQ(connection.state, connection_state::Connected);
            ClosePeer();
        }
    }
}

TEST_F(ConnectionReceive, BufferGrowsToExactlyWhatIsPendingAndFallsBackBelow128KiB) {
    RecordingConnection connection(0);
    Pair(connection);
    const auto big = reference::Frame(0x80020020, 0, 0, Body(400000, 9));
    // First part: fits the base buffer.
    EXPECT_EQ(connection.ReceiveBytes(big.data(), 200000), 200000);
    EXPECT_EQ(connection.receiveCapacity, Connection::kBaseBufferSize);
    // Second part: 300000 pending in all, more than the capacity: exactly that.
    EXPECT_EQ(connection.ReceiveBytes(big.data() + 200000, 100000), 100000);
    EXPECT_EQ(connection.receiveCapacity, 300000u);
    // Rest of the big one and 150000 bytes of the next: still above the threshold, kept.
    const auto next = reference::Frame(0x80020020, 1, 0, Body(200000, 1));
    auto tail = Concat({std::vector<uint8_t>(big.begin() + 300000, big.end()),
                        std::vector<uint8_t>(next.begin(), next.begin() + 150000)});
    EXPECT_EQ(connection.ReceiveBytes(tail.data(), uint32_t(tail.size())), int32_t(tail.size()));
    EXPECT_EQ(connection.receiveCapacity, 300000u + uint32_t(tail.size()));
    ASSERT_EQ(connection.messages.size(), 1u);
    EXPECT_EQ(connection.messages[0].body, Body(400000, 9));
    EXPECT_EQ(connection.receiveFill, 150000u);
    // 150000 + 1 pending: not below 128 KiB, the grown buffer stays.
    EXPECT_EQ(connection.ReceiveBytes(next.data() + 150000, 1), 1);
    EXPECT_GT(connection.receiveCapacity, Connection::kBaseBufferSize);
    // Complete it; the next small read finds less than 128 KiB pending and shrinks back.
    EXPECT_EQ(connection.ReceiveBytes(next.data() + 150001, uint32_t(next.size() - 150001)),
              int32_t(next.size() - 150001));
    const auto small = reference::Frame(0x80000005, 0, 0, {});
    EXPECT_EQ(connection.ReceiveBytes(small.data(), 20), 20);
    EXPECT_EQ(connection.receiveCapacity, Connection::kBaseBufferSize);
    EXPECT_EQ(connection.messages.size(), 3u);
}

TEST_F(ConnectionReceive, TenMegabyteBodyOverTheSocket) {
    RecordingConnection connection(1);
    Pair(connection);
    const auto body = Body(10 * 1024 * 1024, 5);
    const auto message =
        Concat({reference::ServerFrame(0x80020020, 1, 2, body), reference::ServerFrame(7, 0, 0, {})});
    std::thread writer([&] { PeerWrite(message); });
    pollfd watch{int(connection.socket), POLLIN, 0};
    while (connection.messages.size() < 2 && ::poll(&watch, 1, 5000) > 0)
        ASSERT_GE(connection.ReceiveAvailable(), 0);
    writer.join();
    ASSERT_EQ(connection.messages.size(), 2u);
    EXPECT_EQ(connection.messages[0].body, body);
    EXPECT_EQ(connection.messages[1].id, 7u);
    EXPECT_TRUE(connection.badChecksums.empty());
    EXPECT_EQ(connection.receiveFill, 0u);
}

class ConnectionChecksums : public PairedConnection {};

TEST_F(ConnectionChecksums, BadTrailerCallsOnBadChecksumAndDropsOnlyThatMessage) {
    RecordingConnection connection(1);
    Pair(connection);
    auto bad = reference::ServerFrame(0x80020020, 0, 0, Body(10, 0));
    const uint32_t good = reference::WordAt(bad.data() + 30);
    bad[30] ^= 1;
    PeerWrite(Concat({bad, reference::ServerFrame(0x80000005, 0, 0, {})}));
    EXPECT_GT(connection.ReceiveAvailable(), 0);
    ASSERT_EQ(connection.badChecksums.size(), 1u);
    EXPECT_EQ(connection.badChecksums[0].id, 0x80020020u);
    EXPECT_EQ(connection.badChecksums[0].received, good ^ 1);
    EXPECT_EQ(connection.badChecksums[0].expected, good);
    ASSERT_EQ(connection.messages.size(), 1u);
    EXPECT_EQ(connection.messages[0].id, 0x80000005u);
    EXPECT_EQ(connection.state, connection_state::Connected);
}

TEST_F(ConnectionChecksums, EmptyBodyStillCarriesATrailer) {
    RecordingConnection connection(1);
    Pair(connection);
    auto frame = reference::ServerFrame(0x80000005, 0, 0, {});
    ASSERT_EQ(frame.size(), 24u);
    PeerWrite(std::vector<uint8_t>(frame.begin(), frame.begin() + 20));
    connection.ReceiveAvailable();
    EXPECT_TRUE(connection.messages.empty());
    PeerWrite(std::vector<uint8_t>(frame.begin() + 20, frame.end()));
    connection.ReceiveAvailable();
    EXPECT_EQ(connection.messages.size(), 1u);
}

TEST_F(ConnectionChecksums, EchoRequestIsDeliveredWhateverItsTrailer) {
    RecordingConnection connection(1);
    Pair(connection);
    auto echo = reference::Frame(0x8001000F, 0, 0, Body(3, 0));
    reference::PutWord(echo, 0x12345678);
    PeerWrite(echo);
    connection.ReceiveAvailable();
    EXPECT_EQ(connection.messages.size(), 1u);
    EXPECT_TRUE(connection.badChecksums.empty());
}

TEST_F(ConnectionChecksums, SessionSeedSwitchesBothDirectionsToTheSessionTable) {
    RecordingConnection connection(1);
    Pair(connection);
    const uint32_t a = 0x11223344, b = 0x99AABBCC;
    const uint32_t seed = reference::SessionSeed(a, b);
    const auto table = reference::SessionTable(seed, 2048);
    PeerWrite(reference::ServerFrame(0x8002030D, a, b, {}));
    connection.ReceiveAvailable();
    ASSERT_EQ(connection.messages.size(), 1u);
    ASSERT_NE(connection.maskTable, nullptr);
    EXPECT_EQ(connection.receiveKeyed, 1u);
    EXPECT_EQ(connection.sendKeyed, 1u);
    uint32_t sendIndex = (seed % 2048) * 17;
    uint32_t receiveIndex = (seed % 2048) * 13;
    EXPECT_EQ(connection.receiveIndex, receiveIndex);

    // The answer 0x8002030E already carries a keyed trailer; so does the next message.
    connection.SendMessage(0x80020020, 1, 2, "abc", 3, 0);
    const auto sent = PeerRead();
    ASSERT_EQ(sent.size(), 24u + 27u);
    auto keyedSend = [&](const uint8_t* message, uint32_t length) {
        const uint32_t sum = reference::SendSum(message, length);
        const uint32_t trailer = sum ^ table[(sendIndex * sum) % 2048];
        sendIndex += 17;
        return trailer;
    };
    EXPECT_EQ(reference::WordAt(sent.data() + 4), 0x8002030Eu);
    EXPECT_EQ(reference::WordAt(sent.data() + 20), keyedSend(sent.data(), 0));
    EXPECT_EQ(reference::WordAt(sent.data() + 24 + 23), keyedSend(sent.data() + 24, 3));
    EXPECT_EQ(connection.sendIndex, sendIndex);

    // The server keys its messages the same way; a second seed is checked with the table and
    // delivered without reseeding.
    auto keyedFrame = [&](uint32_t id, uint32_t pa, uint32_t pb, const std::vector<uint8_t>& body) {
        auto frame = reference::Frame(id, pa, pb, body);
        const uint32_t sum = reference::ReceiveSum(frame.data(), uint32_t(body.size()));
        reference::PutWord(frame, sum ^ table[(receiveIndex * sum) % 2048]);
        receiveIndex += 13;
        return frame;
    };
    const MaskTable* tableBefore = connection.maskTable;
    PeerWrite(Concat({keyedFrame(0x80020020, 0, 0, Body(50, 2)), keyedFrame(0x8002030D, 5, 6, {})}));
    connection.ReceiveAvailable();
    ASSERT_EQ(connection.messages.size(), 3u);
    EXPECT_TRUE(connection.badChecksums.empty());
    EXPECT_EQ(connection.maskTable, tableBefore);
    EXPECT_EQ(connection.receiveIndex, receiveIndex);
    EXPECT_TRUE(PeerRead().empty());

    // A keyed mismatch still advances the receive index.
    auto bad = keyedFrame(0x80020020, 0, 0, {});
    bad[20] ^= 0xFF;
    PeerWrite(bad);
    connection.ReceiveAvailable();
    EXPECT_EQ(connection.badChecksums.size(), 1u);
    EXPECT_EQ(connection.receiveIndex, receiveIndex);
}

TEST_F(ConnectionChecksums, SessionSeedWithABadTrailerEnablesNothing) {
    RecordingConnection connection(1);
    Pair(connection);
    auto frame = reference::ServerFrame(0x8002030D, 1, 2, {});
    frame[21] ^= 4;
    PeerWrite(frame);
    connection.ReceiveAvailable();
    EXPECT_EQ(connection.maskTable, nullptr);
    EXPECT_EQ(connection.receiveKeyed, 0u);
    EXPECT_TRUE(PeerRead().empty());
}

TEST_F(ConnectionChecksums, DisablingSessionMasksReturnsToTheFixedMasks) {
    RecordingConnection connection(1);
    Pair(connection);
    connection.EnableSessionMasks(1, 3, 4);
    PeerRead();
    connection.EnableSessionMasks(0, 0, 0);
    EXPECT_EQ(connection.maskTable, nullptr);
    EXPECT_EQ(connection.receiveKeyed, 0u);
    EXPECT_EQ(connection.sendKeyed, 0u);
    connection.SendMessage(9, 0, 0, nullptr, 0, 0);
    const auto sent = PeerRead();
    ASSERT_EQ(sent.size(), 24u);
    EXPECT_EQ(reference::WordAt(sent.data() + 20), reference::SendSum(sent.data(), 0) ^ reference::kSendMask);
}

class ConnectionHandlers : public PairedConnection {};

TEST_F(ConnectionHandlers, AHandlerMayDeleteItsConnectionInTheMiddleOfARead) {
    auto* connection = new RecordingConnection(0);
    Pair(*connection);
    int delivered = 0;
    connection->onMessage = [&](RecordingConnection& self) {
        ++delivered;
        DestroyConnection(&self);
    };
    PeerWrite(Concat({reference::Frame(1, 0, 0, {}), reference::Frame(2, 0, 0, {})}));
    EXPECT_EQ(connection->ReceiveAvailable(), -1);
    EXPECT_EQ(delivered, 1);
}

TEST_F(ConnectionHandlers, OnDisconnectedMayDeleteItsConnectionDuringAClose) {
    auto* connection = new RecordingConnection(0);
    Pair(*connection);
    connection->onDisconnected = [](RecordingConnection& self) { DestroyConnection(&self); };
    PeerWrite(reference::Frame(1, 0, 0, {}, 7));
    EXPECT_EQ(connection->ReceiveAvailable(), -1);
}

}  // namespace
