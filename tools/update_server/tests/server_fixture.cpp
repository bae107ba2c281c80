#include "server_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <future>

namespace fs = std::filesystem;

std::vector<uint8_t> Pattern(size_t length, uint8_t seed) {
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; ++i)
        bytes[i] = uint8_t(seed + i * 7 + (i >> 8));
    return bytes;
}

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void SetWriteTime(const fs::path& path, int64_t seconds, int milliseconds) {
    timespec times[2];
    times[0].tv_sec = times[1].tv_sec = time_t(seconds);
    times[0].tv_nsec = times[1].tv_nsec = long(milliseconds) * 1000000 + 123456;  // below a millisecond too
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

timespec WriteTimeOf(const fs::path& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mtim;
}

UpdateServerTest::UpdateServerTest() {
    char pattern[] = "/tmp/update_server_test.XXXXXX";
    root_ = ::mkdtemp(pattern);
    release = root_ / "release";
    installed = root_ / "installed";
    fs::create_directories(release);
    fs::create_directories(installed);
    options.address = "127.0.0.1";
    options.port = 0;
    options.folder = release.string();
    options.chunkSize = 1024;
    options.rescanInterval = std::chrono::milliseconds(0);
    options.timeout = std::chrono::seconds(10);
    options.closeDelay = std::chrono::seconds(5);
}

UpdateServerTest::~UpdateServerTest() {
    StopServer();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

void UpdateServerTest::StartServer() {
    auto log = [this](const std::string& line) {
        std::lock_guard lock(logMutex_);
        log_.push_back(line);
    };
    server_ = fileSystem ? std::make_unique<UpdateServer>(io_, options, log, fileSystem)
                         : std::make_unique<UpdateServer>(io_, options, log);
    std::string error;
    ASSERT_TRUE(server_->Start(error)) << error;
    port_ = server_->Endpoint().port();
    if (withMetrics) {
        metrics_ = std::make_unique<MetricsEndpoint>(
            io_, [this] { return server_->MetricsText(); }, [this] { return server_->Health(); });
        ASSERT_TRUE(metrics_->Start("127.0.0.1", 0, error)) << error;
        metricsPort_ = metrics_->Endpoint().port();
    }
    thread_ = std::thread([this] { io_.run(); });
}

void UpdateServerTest::StopServer() {
    if (!server_) return;
    asio::post(io_, [this] {
        server_->Stop();
        if (metrics_) metrics_->Stop();
    });
    if (thread_.joinable()) thread_.join();
    metrics_.reset();
    server_.reset();
}

UpdateServerTest::ClientPointer UpdateServerTest::NewClient(TestHello hello) {
    ClientPointer client(new UpdateTestClient(hello, installed.string()),
                         [](UpdateTestClient* c) { DestroyConnection(c); });
    EXPECT_TRUE(client->ConnectTo(pump.Manager(), port_));
    return client;
}

UpdateServerTest::ClientPointer UpdateServerTest::RunSession(TestHello hello) {
    ClientPointer client = NewClient(hello);
    EXPECT_TRUE(pump.Until([&] { return client->finished || client->disconnects > 0; }));
    EXPECT_TRUE(client->finished);
    return client;
}

std::vector<std::string> UpdateServerTest::LogLines() {
    std::lock_guard lock(logMutex_);
    return log_;
}

bool UpdateServerTest::LogHas(const std::string& text) {
    for (const std::string& line : LogLines())
        if (line.find(text) != std::string::npos) return true;
    return false;
}

bool UpdateServerTest::WaitForLog(const std::string& text, int boundMs) {
    return pump.Until([&] { return LogHas(text); }, boundMs);
}

bool UpdateServerTest::WaitForLogWhileClientsIdle(const std::string& text, int boundMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    while (!LogHas(text)) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

ServerStats UpdateServerTest::StatsNow() {
    std::promise<ServerStats> result;
    asio::post(io_, [&] { result.set_value(server_->Stats()); });
    return result.get_future().get();
}
