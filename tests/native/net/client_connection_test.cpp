#include "net/client_connection.h"

#include <gtest/gtest.h>

#include "connection_fixture.h"
#include "wire_reference.h"

namespace {

class ClientConnectionAnswers : public PairedConnection {
  protected:
    std::vector<uint8_t> AnswerTo(ClientConnection& client, uint32_t id, uint32_t b = 0) {
        PeerWrite(reference::Frame(id, 0, b, {}));
        client.ReceiveAvailable();
        return PeerRead();
    }
};

TEST_F(ClientConnectionAnswers, HelloOfClientKindFive) {
    ClientConnection client(5);
    Pair(client);
    const auto sent = AnswerTo(client, 0x80010109);
    std::vector<uint8_t> body(216, 0);
    const uint32_t words[5] = {0, 5, 0xFFFFFFFF, 1, 0};
    std::memcpy(body.data(), words, sizeof words);
    const uint32_t check = 0xFFFFFFFA;
    std::memcpy(body.data() + 212, &check, 4);
    EXPECT_EQ(sent, reference::Frame(0x80020010, 0, 0x80010109, body));
}

TEST_F(ClientConnectionAnswers, FixedAnswers) {
    struct Case {
        uint32_t received;
        std::vector<uint8_t> answer;
    };
    const Case cases[] = {
        {0x80010001, reference::Frame(0x80000002, 0, 0x8002, {})},
        {0x8001000F, reference::Frame(0x8002000F, 0, 0, {})},
        {0x8001010B, reference::Frame(0x80020011, 0, 0x8001010B, std::vector<uint8_t>(196, 0))},
        {0x80000004, {}},
        {0x80020020, {}},
        {0x8002030D, {}},
    };
    ClientConnection client(0);
    Pair(client);
    for (const Case& c : cases)
        EXPECT_EQ(AnswerTo(client, c.received), c.answer) << std::hex << c.received;
    EXPECT_EQ(client.state, connection_state::Connected);
}

TEST_F(ClientConnectionAnswers, OnlyTheAcknowledgedHelloMakesTheSessionReady) {
    ClientConnection client(0);
    Pair(client);
    EXPECT_TRUE(AnswerTo(client, 0x80000002, 0x80020011).empty());
    EXPECT_EQ(client.state, connection_state::Connected);
    AnswerTo(client, 0x80000002, 0x80020010);
    EXPECT_EQ(client.state, connection_state::SessionReady);
}

TEST(ClientConnection, FieldsAtConstruction) {
    ClientConnection client(3);
    EXPECT_EQ(client.ChecksumMode, 0u);
    EXPECT_EQ(client.helloValues[0], 1u);
    EXPECT_EQ(client.helloValues[1], 0u);
    EXPECT_EQ(client.helloValues[2], 3u);
    EXPECT_EQ(client.helloValues[3], 0xFFFFFFFFu);
    for (const auto& text : client.texts)
        EXPECT_EQ(text[0], 0);
    EXPECT_EQ(client.receiveCapacity, Connection::kBaseBufferSize);
    EXPECT_EQ(client.state, connection_state::NotConnected);
    EXPECT_NE(client.socket, kNoSocket);
    EXPECT_EQ(client.createdAt, client.lastReceiveAt);
}

}  // namespace
