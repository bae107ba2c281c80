#pragma once
// A client of the update protocol made of the project's own network code (ClientConnection,
// NetworkManager, the POSIX sockets): it answers the session requests with the start screen's or
// the generic client's hello, sends the list of its folder's files and writes what the server
// sends into that folder the way the start screen does (create keeping content, write at the
// offset, end the file behind the chunk, take the record's time). It records every message.
#include <netinet/in.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "file_record.h"
#include "net/client_connection.h"
#include "net/network_manager.h"

struct ReceivedMessage {
    uint32_t id;
    uint32_t a;
    uint32_t b;
    std::vector<uint8_t> body;
};

enum class TestHello { StartScreen, Generic };

// The records of a folder's file list as the client collects it: the folder's files, then those of
// the folders directly inside it; dot-names skipped.
std::vector<FileRecord> ListFolder(const std::string& folder);

class UpdateTestClient : public ClientConnection {
  public:
    UpdateTestClient(TestHello hello, std::string folder);

    void* DeletingDestructor(uint32_t flags) override;
    uint32_t OnMessage(MessageHeader* header, uint8_t* body) override;
    void OnDisconnected() override;

    // Connects to 127.0.0.1:port through the manager.
    bool ConnectTo(NetworkManager& manager, uint16_t port);

    TestHello hello;
    std::string folder;
    bool answerHello = true;
    // Replaces the file list: record count and body.
    std::optional<std::pair<uint32_t, std::vector<uint8_t>>> listOverride;
    // Called after each message has been handled.
    std::function<void(UpdateTestClient&, const ReceivedMessage&)> afterMessage;

    std::vector<ReceivedMessage> messages;
    bool ready = false;
    bool refused = false;
    bool finished = false;
    int disconnects = 0;
    std::vector<std::string> writeFailures;

    // Counts of a message id among the received ones.
    size_t Count(uint32_t id) const;

  private:
    void SendFileList();
    void WriteChunk(uint32_t offset, const uint8_t* data, uint32_t length);

    FileRecord current_{};
    std::string currentPath_;
};

// A network manager with its own window token, and pumping until a condition holds (or a generous
// bound passes, which only keeps a broken test from hanging).
class ClientPump {
  public:
    ClientPump();
    NetworkManager& Manager() { return *manager_; }
    bool Until(const std::function<bool()>& condition, int boundMs = 20000);
    void For(int milliseconds);

  private:
    int window_ = 0;
    std::unique_ptr<NetworkManager, void (*)(NetworkManager*)> manager_;
};
