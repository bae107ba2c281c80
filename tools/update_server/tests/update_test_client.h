#pragma once
// A client of the update protocol made of the project's own client code: the network code
// (ClientConnection, NetworkManager, the POSIX sockets) answers the session requests with the
// start screen's or the generic client's hello, and the start screen's update code lists the
// client folder (CollectFileList) and writes what the server sends into it (UpdateTransfer on the
// POSIX file store). It records every message.
#include <netinet/in.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "net/client_connection.h"
#include "net/network_manager.h"
#include "platform/posix/update_client/posix_file_store_platform.h"
#include "record_time.h"
#include "update_client/unseen_progress.h"
#include "update_client/update_transfer.h"

struct ReceivedMessage {
    uint32_t id;
    uint32_t a;
    uint32_t b;
    std::vector<uint8_t> body;
};

enum class TestHello { StartScreen, Generic };

class UpdateTestClient : public ClientConnection, private UnseenProgress<UpdateProgressView> {
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
    // File problems and failed writes that the update code reported.
    std::vector<std::string> writeFailures;

    // Counts of a message id among the received ones.
    size_t Count(uint32_t id) const;

  private:
    void SendFileList();

    void ReportFileProblem(const std::string& text) override { writeFailures.push_back(text); }
    void OnWriteFailed() override { writeFailures.push_back("write failed"); }

    PosixFileStorePlatform files_;
    UpdateTransfer transfer_;
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
