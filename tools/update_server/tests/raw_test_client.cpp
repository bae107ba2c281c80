#include "raw_test_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "session_protocol.h"

namespace {

constexpr uint32_t kStartScreenHelloWords[5] = {0, 0x10060000, 0, 1, 7};

}  // namespace

std::vector<uint8_t> StartScreenHello() {
    uint8_t body[SessionProtocol::kHelloBodySize] = {};
    std::memcpy(body, kStartScreenHelloWords, sizeof kStartScreenHelloWords);
    return EncodeMessage(message_id::Hello, 0, message_id::HelloRequest, body, sizeof body);
}

std::vector<uint8_t> SecondAnswer() {
    const uint8_t body[SessionProtocol::kSecondAnswerBodySize] = {};
    return EncodeMessage(message_id::SecondAnswer, 0, message_id::SecondRequest, body, sizeof body);
}

RawTestClient::RawTestClient(uint16_t port, const char* source, int receiveBuffer) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd_ < 0) return;
    if (receiveBuffer) ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    ::inet_pton(AF_INET, source, &from.sin_addr);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
        ::connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0)
        Close();
}

RawTestClient::~RawTestClient() { Close(); }

void RawTestClient::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool RawTestClient::Send(const std::vector<uint8_t>& bytes) {
    return fd_ >= 0 && ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
}

bool RawTestClient::ReadExactly(uint8_t* out, size_t length, int boundMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    size_t got = 0;
    while (got < length) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        pollfd wait{fd_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&wait, 1, int(left.count())) <= 0) return false;
        const ssize_t n = ::recv(fd_, out + got, length - got, 0);
        if (n <= 0) return false;
        got += size_t(n);
    }
    return true;
}

std::optional<RawMessage> RawTestClient::Read(int boundMs) {
    RawMessage message;
    if (fd_ < 0 || !ReadExactly(reinterpret_cast<uint8_t*>(&message.header), kHeaderSize, boundMs))
        return std::nullopt;
    message.body.resize(message.header.bodyLength);
    if (!ReadExactly(message.body.data(), message.body.size(), boundMs)) return std::nullopt;
    return message;
}

std::optional<size_t> RawTestClient::ReadSome(size_t length, int boundMs) {
    std::vector<uint8_t> buffer(length);
    pollfd wait{fd_, POLLIN, 0};
    if (fd_ < 0 || ::poll(&wait, 1, boundMs) <= 0) return std::nullopt;
    const ssize_t n = ::recv(fd_, buffer.data(), length, 0);
    if (n <= 0) return std::nullopt;
    return size_t(n);
}

bool RawTestClient::ClosedByServer(int boundMs, size_t* bytesRead) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    uint8_t buffer[65536];
    size_t total = 0;
    bool closed = false;
    while (fd_ >= 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        pollfd wait{fd_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&wait, 1, int(left.count())) <= 0) break;
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) {
            closed = true;
            break;
        }
        total += size_t(n);
    }
    if (bytesRead) *bytesRead = total;
    return closed;
}

bool RawTestClient::Handshake() {
    const auto request = Read();
    if (!request || request->header.id != message_id::HelloRequest || !Send(StartScreenHello())) return false;
    const auto second = Read();
    if (!second || second->header.id != message_id::SecondRequest || !Send(SecondAnswer())) return false;
    const auto acknowledged = Read();
    if (!acknowledged || acknowledged->header.id != message_id::Acknowledge) return false;
    return Send(EncodeMessage(message_id::FileData, 0, 0, nullptr, 0));
}

bool RawTestClient::RunSession() {
    if (!Handshake()) return false;
    while (const auto message = Read())
        if (message->header.id == message_id::UpdateFinished) return true;
    return false;
}
