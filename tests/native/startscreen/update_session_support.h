#pragma once
// A start screen without controls (its decisions on a connection of its own) and an update
// server run as its own process. Used by the session tests and the update benchmark.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "net/client_connection.h"
#include "net/network_manager.h"
#include "platform/memory/startscreen/memory_registry_platform.h"
#include "platform/posix/update_client/posix_file_store_platform.h"
#include "startscreen/flow/start_screen_flow.h"
#include "update_client/unseen_progress.h"

// The reference update server as its own process on 127.0.0.1 and a free port.
class ServerProcess {
  public:
    // The reference server's executable, the release folder, and options after the usual ones.
    bool Start(const std::string& server, const std::filesystem::path& folder,
               const std::vector<std::string>& options = {}) {
        std::vector<std::string> args = {server,   "--folder", folder.string(), "--address",     "127.0.0.1",
                                         "--port", "0",        "--quiet",       "--close-delay", "1"};
        args.insert(args.end(), options.begin(), options.end());
        return Spawn(args);
    }
    bool Spawn(const std::vector<std::string>& command) {
        int out[2];
        if (::pipe(out) != 0) return false;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::close(out[0]);
            std::vector<const char*> args;
            for (const std::string& word : command)
                args.push_back(word.c_str());
            args.push_back(nullptr);
            ::execv(args[0], const_cast<char* const*>(args.data()));
            ::_exit(127);
        }
        ::close(out[1]);
        std::string line;
        char c = 0;
        while (::read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        ::close(out[0]);
        const size_t colon = line.rfind(':');
        if (line.rfind("listening on", 0) != 0 || colon == std::string::npos) return false;
        port_ = uint16_t(std::stoi(line.substr(colon + 1)));
        return true;
    }
    ~ServerProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    uint16_t Port() const { return port_; }

  private:
    pid_t pid_ = -1;
    uint16_t port_ = 0;
};

// A start screen without controls: its decisions on a connection of its own.
class FlowClient final : public ClientConnection, public UnseenProgress<StartScreenWorld> {
  public:
    FlowClient(NetworkManager& manager, uint16_t port, const std::filesystem::path& folder)
        : ClientConnection(0), manager_(manager), port_(port), files_(folder.string()),
          flow_(*this, files_, registry_, StartScreenSettings{"127.0.0.1"}) {}

    void* DeletingDestructor(uint32_t flags) override { return RunDeletingDestructor(this, flags); }
    uint32_t OnMessage(MessageHeader* header, uint8_t* body) override {
        if (header->id == message_id::FileHeader) ++headers;
        flow_.OnMessage(header->id, header->a, header->b, body, header->bodyLength);
        return 1;
    }
    void OnDisconnected() override { flow_.OnDisconnected(); }

    int32_t State() override { return screenState; }
    void SetState(int32_t value) override { screenState = value; }
    void OpenPanel() override { screenState = start_state::Opening; }
    void ClosePanel() override { screenState = start_state::Closing; }
    int32_t ConnectionState() override { return state; }
    void SetConnectionState(int32_t value) override { state = value; }
    void ConnectToServer() override {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port_);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        Connect(&manager_, &address, sizeof address);
    }
    void Send(uint32_t id, uint32_t a, uint32_t b, const void* body, uint32_t length) override {
        SendMessage(id, a, b, body, length, 0);
    }
    void ShowStatus(uint32_t value) override { picture = value; }
    void ShowBar(int32_t, int32_t, int32_t) override {}
    void ShowFailureText() override { failureShown = true; }
    void MoveWaitMarker(int) override {}
    int32_t RetryCount() override { return retries; }
    void SetRetryCount(int32_t count) override { retries = count; }
    void PostQuit() override { ++quits; }
    void HandOver() override { ++handOvers; }
    void StartFreshScreen() override { ++freshScreens; }
    void RefuseRelease(const std::string&, int32_t) override {}
    void ShowTotalBytes(uint32_t done) override { totalShown = done; }
    void ReportFileProblem(const std::string& text) override { problems.push_back(text); }
    void OnWriteFailed() override { ClosePanel(); }

    StartScreenFlow& Flow() { return flow_; }
    // One frame: the decisions' update. True once the screen has handed over or given up.
    bool Frame() {
        if (!flow_.Update()) return true;
        return quits > 0 || failureShown;
    }

    int32_t screenState = start_state::Closed;
    uint32_t picture = 99;
    int32_t retries = 0;
    int quits = 0, handOvers = 0, freshScreens = 0, headers = 0;
    bool failureShown = false;
    uint32_t totalShown = 0;
    std::vector<std::string> problems;

  private:
    NetworkManager& manager_;
    uint16_t port_;
    PosixFileStorePlatform files_;
    MemoryRegistryPlatform registry_;
    StartScreenFlow flow_;
};
