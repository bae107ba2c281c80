// The metrics endpoint of the program when the process runs out of descriptors: a scrape waiting
// to be accepted must not keep the event loop busy, and is answered once descriptors are free.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "child_process.h"
#include "http_get.h"
#include "server_fixture.h"

namespace fs = std::filesystem;

namespace {

constexpr char kPrlimit[] = "/usr/bin/prlimit";
// Few enough descriptors that the clients below exhaust them.
constexpr int kDescriptorLimit = 40;
constexpr int kClients = 60;

std::string Text(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Processor time the process has used so far, in clock ticks.
long CpuTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long utime = 0;
    long stime = 0;
    // After the name: state is field 3, utime 14, stime 15.
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14) utime = std::stol(field);
        if (index == 15) stime = std::stol(field);
    }
    return utime + stime;
}

TEST_F(UpdateServerTest, ScrapeWaitingForADescriptorDoesNotSpinAndIsAnsweredLater) {
    if (!fs::exists(kPrlimit)) GTEST_SKIP() << "prlimit (util-linux) is not installed";
    WriteFile(release / "A.bin", Pattern(100, 1));
    const fs::path work = installed.parent_path();
    const std::string limit =
        "--nofile=" + std::to_string(kDescriptorLimit) + ":" + std::to_string(kDescriptorLimit);
    Child server({kPrlimit, limit, "--", UPDATE_SERVER_PATH, "--folder", release.string(), "--address",
                  "127.0.0.1", "--port", "0", "--metrics-port", std::to_string(FreePort()), "--quiet"},
                 work / "server.log", true);
    const uint16_t port = PortOf(server.FirstLine());
    ASSERT_NE(port, 0) << server.FirstLine();
    const uint16_t metricsPort = MetricsPortFromLog(work / "server.log");
    ASSERT_NE(metricsPort, 0) << Text(work / "server.log");

    std::vector<int> clients;
    for (int i = 0; i < kClients; ++i)
        clients.push_back(ConnectLoopback(port));
    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Text(work / "server.log").find("accept failed") == std::string::npos &&
           std::chrono::steady_clock::now() < bound)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_NE(Text(work / "server.log").find("accept failed"), std::string::npos)
        << "descriptors not exhausted";

    const int scrape = ConnectLoopback(metricsPort, 15000);
    ASSERT_GE(scrape, 0);
    const std::string request = "GET /metrics HTTP/1.0\r\n\r\n";
    ASSERT_EQ(::write(scrape, request.data(), request.size()), ssize_t(request.size()));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const long before = CpuTicks(server.Pid());
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const long used = CpuTicks(server.Pid()) - before;
    EXPECT_LT(used, ::sysconf(_SC_CLK_TCK) / 5) << "processor time in one second, in clock ticks";

    for (const int fd : clients)
        ::close(fd);
    const std::string answer = ReadAll(scrape);
    ::close(scrape);
    EXPECT_EQ(answer.rfind("HTTP/1.0 200 OK\r\n", 0), 0u) << answer;
}

}  // namespace
