#pragma once
// The demonstration module's connection to a server named on the command line. It is one of the
// module's own connection classes, registered with the host's network manager: the host's
// receive and close code calls its slots, and the manager deletes it at shutdown if it is still
// registered. It says hello once connected and counts what the server sends.
#include <cstdint>

#include "net/connection.h"

class DemoConnection : public Connection {
  public:
    // The hello the module sends once connected; a peer may answer with any message.
    static constexpr uint32_t kHelloId = 0x80027001;

    enum class Status : int32_t { Connecting, Connected, Closed, Failed };

    DemoConnection();
    void* DeletingDestructor(uint32_t flags) override;
    void OnConnected() override;
    void OnDisconnected() override;
    uint32_t OnMessage(MessageHeader* header, uint8_t* body) override;

    // Starts connecting to host:port (a dotted IPv4 address). False when the text is no
    // address or the attempt could not start.
    bool Start(NetworkManager* networkManager, const char* hostAndPort);

    Status status = Status::Connecting;
    int32_t messagesReceived = 0;
    uint32_t lastMessageId = 0;

    ~DemoConnection() = default;
};
