// The metrics endpoint as Prometheus and HAProxy use it: the health check, and the bound on the
// connections it serves at once.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "http_get.h"
#include "server_fixture.h"

namespace {

bool AnswerStarts(const std::string& answer, const std::string& status) {
    return answer.rfind(status, 0) == 0;
}

std::string Body(const std::string& answer) {
    const auto end = answer.find("\r\n\r\n");
    return end == std::string::npos ? "" : answer.substr(end + 4);
}

TEST_F(UpdateServerTest, HealthCheckSaysWhetherANewClientWouldBeServed) {
    WriteFile(release / "A.bin", Pattern(100, 1));
    options.maxClients = 1;
    withMetrics = true;
    StartServer();
    std::string answer = HttpGet(MetricsPort(), "/health");
    EXPECT_TRUE(AnswerStarts(answer, "HTTP/1.0 200 OK\r\n")) << answer;
    EXPECT_EQ(Body(answer), "serving\n");

    auto held = NewClient();
    held->answerHello = false;
    ASSERT_TRUE(pump.Until([&] { return held->Count(message_id::HelloRequest) == 1; }));
    answer = HttpGet(MetricsPort(), "/health");
    EXPECT_TRUE(AnswerStarts(answer, "HTTP/1.0 503 Service Unavailable\r\n")) << answer;
    EXPECT_EQ(Body(answer), "at the client limit\n");

    held.reset();
    ASSERT_TRUE(WaitForLog("no-hello dropped"));
    EXPECT_TRUE(AnswerStarts(HttpGet(MetricsPort(), "/health?probe=1"), "HTTP/1.0 200 OK\r\n"));
    // The checks are no clients: only the one held above shows in the counts.
    answer = HttpGet(MetricsPort(), "/metrics");
    EXPECT_NE(answer.find("\nupdate_server_sessions_total 1\n"), std::string::npos) << answer;
    EXPECT_NE(answer.find("\nupdate_server_dropped_clients_total 1\n"), std::string::npos) << answer;
    EXPECT_TRUE(AnswerStarts(HttpGet(MetricsPort(), "/healthy"), "HTTP/1.0 404 Not Found\r\n"));
}

TEST_F(UpdateServerTest, HealthCheckFailsWhileSessionsAreRefused) {
    options.refuseSessions = true;
    withMetrics = true;
    StartServer();
    const std::string answer = HttpGet(MetricsPort(), "/health");
    EXPECT_TRUE(AnswerStarts(answer, "HTTP/1.0 503 Service Unavailable\r\n")) << answer;
    EXPECT_EQ(Body(answer), "refusing sessions\n");
}

TEST_F(UpdateServerTest, MetricsConnectionsBeyondTheBoundAreClosedAtOnce) {
    withMetrics = true;
    StartServer();
    // Peers that connect and say nothing hold every place the endpoint has.
    std::vector<int> silent;
    for (size_t i = 0; i < MetricsEndpoint::kMostConnections; ++i) {
        silent.push_back(ConnectLoopback(MetricsPort()));
        ASSERT_GE(silent.back(), 0);
    }
    // Accepted after them, a scrape finds no place and is closed without an answer (reset, as
    // its request is left unread).
    const std::string refused = HttpGet(MetricsPort(), "/metrics", 4000);
    EXPECT_TRUE(refused == "" || refused == "(reset)") << refused;

    for (const int fd : silent)
        ::close(fd);
    std::string answer;
    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!AnswerStarts(answer, "HTTP/1.0 200 OK\r\n") && std::chrono::steady_clock::now() < bound) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        answer = HttpGet(MetricsPort(), "/metrics");
    }
    EXPECT_TRUE(AnswerStarts(answer, "HTTP/1.0 200 OK\r\n")) << answer;
}

}  // namespace
