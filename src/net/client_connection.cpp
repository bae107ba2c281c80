#include "net/client_connection.h"

#include <cstring>

ClientConnection::ClientConnection(uint32_t clientKind)
    : Connection(0), texts{}, helloValues{1, 0, clientKind, 0xFFFFFFFFu} {}

void* ClientConnection::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

std::array<uint8_t, ClientConnection::kHelloBodySize> ClientConnection::HelloBody() const {
    std::array<uint8_t, kHelloBodySize> body{};
    const uint32_t words[5] = {0, helloValues[2], helloValues[3], helloValues[0], helloValues[1]};
    std::memcpy(body.data(), words, sizeof words);
    const uint32_t check = ~(helloValues[0] + helloValues[1] + helloValues[2] + helloValues[3]);
    std::memcpy(body.data() + 212, &check, sizeof check);
    return body;
}

uint32_t ClientConnection::OnMessage(MessageHeader* header, uint8_t*) {
    switch (header->id) {
    case message_id::Acknowledge:
        if (header->b == message_id::Hello) state = connection_state::SessionReady;
        break;
    case message_id::HelloRequest: {
        const auto body = HelloBody();
        SendMessage(message_id::Hello, 0, message_id::HelloRequest, body.data(), kHelloBodySize, 0);
        break;
    }
    case message_id::Ping:
        SendMessage(message_id::Acknowledge, 0, 0x8002, nullptr, 0, 0);
        break;
    case message_id::EchoRequest:
        SendMessage(message_id::EchoAnswer, 0, 0, nullptr, 0, 0);
        break;
    case message_id::SecondRequest: {
        const uint8_t zeros[kSecondAnswerBodySize] = {};
        SendMessage(message_id::SecondAnswer, 0, message_id::SecondRequest, zeros, kSecondAnswerBodySize, 0);
        break;
    }
    default:
        break;
    }
    return 1;
}
