#include "update_test_client.h"

#include <arpa/inet.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "net/wire_format.h"
#include "platform/posix/net/posix_socket_platform.h"
#include "update_client/file_list.h"

namespace {

constexpr uint32_t kStartScreenHello[5] = {0, 0x10060000, 0, 1, 7};

}  // namespace

UpdateTestClient::UpdateTestClient(TestHello hello, std::string folder)
    : ClientConnection(0), hello(hello), folder(folder), files_(folder), transfer_(files_, *this) {}

void* UpdateTestClient::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

bool UpdateTestClient::ConnectTo(NetworkManager& manager, uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return Connect(&manager, &address, sizeof address) == 1;
}

size_t UpdateTestClient::Count(uint32_t id) const {
    return size_t(std::count_if(messages.begin(), messages.end(), [&](const auto& m) { return m.id == id; }));
}

void UpdateTestClient::OnDisconnected() {
    transfer_.Finish();
    ++disconnects;
}

void UpdateTestClient::SendFileList() {
    if (listOverride) {
        SendMessage(message_id::FileData, 0, listOverride->first, listOverride->second.data(),
                    uint32_t(listOverride->second.size()), 0);
        return;
    }
    const std::vector<FileRecord> records = CollectFileList(files_);
    SendMessage(message_id::FileData, 0, uint32_t(records.size()), records.data(),
                uint32_t(records.size() * sizeof(FileRecord)), 0);
}

uint32_t UpdateTestClient::OnMessage(MessageHeader* header, uint8_t* body) {
    const ReceivedMessage message{header->id, header->a, header->b,
                                  std::vector<uint8_t>(body, body + header->bodyLength)};
    messages.push_back(message);
    switch (header->id) {
    case message_id::HelloRequest:
        if (!answerHello) break;
        if (hello == TestHello::StartScreen) {
            uint8_t hello[kHelloBodySize] = {};
            std::memcpy(hello, kStartScreenHello, sizeof kStartScreenHello);
            SendMessage(message_id::Hello, 0, message_id::HelloRequest, hello, kHelloBodySize, 0);
        } else {
            ClientConnection::OnMessage(header, body);
        }
        break;
    case message_id::Acknowledge:
        if (hello == TestHello::StartScreen) {
            if (header->b == message_id::SecondAnswer) state = connection_state::SessionReady;
        } else {
            ClientConnection::OnMessage(header, body);
        }
        if (state == connection_state::SessionReady && !ready) {
            ready = true;
            SendFileList();
        }
        break;
    case message_id::Refuse:
        refused = true;
        break;
    case message_id::UpdateAnnounced:
        transfer_.OnAnnouncement(body, header->bodyLength);
        break;
    case message_id::FileHeader:
        transfer_.OnFileHeader(body, header->bodyLength);
        break;
    case message_id::FileData:
        transfer_.OnFileData(header->a, body, header->bodyLength);
        break;
    case message_id::UpdateFinished:
        transfer_.Finish();
        finished = true;
        break;
    default:
        ClientConnection::OnMessage(header, body);
        break;
    }
    if (afterMessage) afterMessage(*this, message);
    return 1;
}

ClientPump::ClientPump()
    : manager_(new NetworkManager(&window_),
               [](NetworkManager* manager) { DestroyNetworkManager(manager); }) {}

bool ClientPump::Until(const std::function<bool()>& condition, int boundMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        PumpSocketNotifications(*manager_, 5);
    }
    return true;
}

void ClientPump::For(int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end)
        PumpSocketNotifications(*manager_, 5);
}
