#include "demo_connection.h"

#include <winsock2.h>

#include <cstdio>
#include <cstring>

namespace {
constexpr char kHelloText[] = "Tidemarch demonstration module";
}

DemoConnection::DemoConnection() : Connection(0) {}

void* DemoConnection::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

bool DemoConnection::Start(NetworkManager* networkManager, const char* hostAndPort) {
    char host[64] = {};
    unsigned port = 0;
    if (std::sscanf(hostAndPort, "%63[0-9.]:%u", host, &port) != 2 || port == 0 || port > 65535) {
        status = Status::Failed;
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = inet_addr(host);
    if (address.sin_addr.s_addr == INADDR_NONE || !Connect(networkManager, &address, sizeof address)) {
        status = Status::Failed;
        return false;
    }
    return true;
}

void DemoConnection::OnConnected() {
    status = Status::Connected;
    SendMessage(kHelloId, 1, 0, kHelloText, sizeof kHelloText, 0);
}

void DemoConnection::OnDisconnected() { status = Status::Closed; }

uint32_t DemoConnection::OnMessage(MessageHeader* header, uint8_t*) {
    ++messagesReceived;
    lastMessageId = header->id;
    return 1;
}
