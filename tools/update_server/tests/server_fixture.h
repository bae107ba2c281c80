#pragma once
// An update server on 127.0.0.1 (a free port) running on its own thread, over a release folder and
// a client folder made fresh for each test, with the log lines kept for the test to read.
#include <gtest/gtest.h>

#include <asio.hpp>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "metrics_endpoint.h"
#include "server_options.h"
#include "update_server.h"
#include "update_test_client.h"

std::vector<uint8_t> Pattern(size_t length, uint8_t seed);
void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFile(const std::filesystem::path& path);
// Sets the file's last-write time to seconds since 1970 plus milliseconds.
void SetWriteTime(const std::filesystem::path& path, int64_t seconds, int milliseconds);
timespec WriteTimeOf(const std::filesystem::path& path);

class UpdateServerTest : public ::testing::Test {
  protected:
    UpdateServerTest();
    ~UpdateServerTest() override;

    // Starts the server with the options as the test has set them.
    void StartServer();
    void StopServer();
    uint16_t Port() const { return port_; }
    // Clients connect to a server started elsewhere (the program in a child process).
    void UsePort(uint16_t port) { port_ = port; }
    // The metrics endpoint's port, when the test set withMetrics before starting the server.
    uint16_t MetricsPort() const { return metricsPort_; }

    using ClientPointer = std::unique_ptr<UpdateTestClient, void (*)(UpdateTestClient*)>;
    ClientPointer NewClient(TestHello hello = TestHello::StartScreen);
    // One whole session of a fresh client against the server.
    ClientPointer RunSession(TestHello hello = TestHello::StartScreen);

    std::vector<std::string> LogLines();
    bool LogHas(const std::string& text);
    // Waits until a log line contains the text, pumping the clients' notifications meanwhile, or
    // leaving the clients idle (reading nothing).
    bool WaitForLog(const std::string& text, int boundMs = 20000);
    bool WaitForLogWhileClientsIdle(const std::string& text, int boundMs = 20000);
    ServerStats StatsNow();

    std::filesystem::path release;
    std::filesystem::path installed;
    ServerOptions options;
    bool withMetrics = false;
    // The file system the server reads the release through; the real one when not set.
    std::shared_ptr<ReleaseFileSystem> fileSystem;
    ClientPump pump;

  private:
    std::filesystem::path root_;
    asio::io_context io_;
    std::unique_ptr<UpdateServer> server_;
    std::unique_ptr<MetricsEndpoint> metrics_;
    uint16_t metricsPort_ = 0;
    std::thread thread_;
    uint16_t port_ = 0;
    std::mutex logMutex_;
    std::vector<std::string> log_;
};
