// The operator's side: the command line and the metrics endpoint.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "http_get.h"
#include "server_fixture.h"
#include "server_options.h"

namespace {

ParsedOptions Parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "update_server");
    return ParseServerOptions(int(arguments.size()), arguments.data());
}

TEST(ServerOptions, EveryOptionIsRead) {
    const ParsedOptions parsed = Parse({"--folder",      "/srv/release",
                                        "--address",     "::1",
                                        "--port",        "9000",
                                        "--chunk-size",  "4096",
                                        "--max-clients", "7",
                                        "--timeout",     "3",
                                        "--close-delay", "0",
                                        "--rescan",      "250",
                                        "--refuse",      "--metrics-port",
                                        "9100",          "--metrics-address",
                                        "0.0.0.0",       "--quiet"});
    ASSERT_EQ(parsed.error, "");
    const ServerOptions& o = parsed.options;
    EXPECT_EQ(o.folder, "/srv/release");
    EXPECT_EQ(o.address, "::1");
    EXPECT_EQ(o.port, 9000);
    EXPECT_EQ(o.chunkSize, 4096u);
    EXPECT_EQ(o.maxClients, 7u);
    EXPECT_EQ(o.timeout, std::chrono::seconds(3));
    EXPECT_EQ(o.closeDelay, std::chrono::seconds(0));
    EXPECT_EQ(o.rescanInterval, std::chrono::milliseconds(250));
    EXPECT_TRUE(o.refuseSessions);
    EXPECT_EQ(o.metricsPort, 9100);
    EXPECT_EQ(o.metricsAddress, "0.0.0.0");
    EXPECT_TRUE(o.quiet);
    EXPECT_TRUE(Parse({"--help"}).help);
}

TEST(ServerOptions, UnusableCommandLinesAreRefusedWithTheReason) {
    struct Case {
        std::vector<const char*> arguments;
        const char* error;
    };
    const Case cases[] = {
        {{}, "--folder is required (see --help)"},
        {{"--folder", "r", "--port", "65536"}, "--port: 0 to 65535"},
        {{"--folder", "r", "--port", "80x"}, "--port: 0 to 65535"},
        {{"--folder", "r", "--chunk-size", "0"}, "--chunk-size: 1 to 262124"},
        {{"--folder", "r", "--chunk-size", "262125"}, "--chunk-size: 1 to 262124"},
        {{"--folder", "r", "--max-clients", "-1"}, "--max-clients: 1 to 1000000"},
        {{"--folder", "r", "--timeout"}, "--timeout needs a value (see --help)"},
        {{"--folder", "r", "--verbose"}, "unknown option --verbose (see --help)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Parse(c.arguments).error, c.error);
}

TEST_F(UpdateServerTest, MetricsEndpointShowsTheSessionsInPrometheusTextFormat) {
    WriteFile(release / "A.bin", Pattern(100, 1));
    WriteFile(release / "B.bin", Pattern(23, 2));
    withMetrics = true;
    StartServer();
    auto client = RunSession();
    ASSERT_TRUE(WaitForLog("complete"));

    const std::string answer = HttpGet(MetricsPort(), "/metrics");
    EXPECT_EQ(answer.rfind("HTTP/1.0 200 OK\r\n", 0), 0u) << answer;
    EXPECT_NE(answer.find("Content-Type: text/plain; version=0.0.4"), std::string::npos);
    for (const char* line :
         {"# TYPE update_server_sessions_active gauge\nupdate_server_sessions_active 0\n",
          "# TYPE update_server_sessions_lingering gauge\nupdate_server_sessions_lingering 1\n",
          "update_server_sessions_total 1\n", "update_server_sessions_complete_total 1\n",
          "update_server_files_sent_total 2\n", "update_server_bytes_sent_total 123\n",
          "update_server_refusals_total 0\n", "update_server_dropped_clients_total 0\n",
          "update_server_errors_total 0\n"})
        EXPECT_NE(answer.find(line), std::string::npos) << line;
    EXPECT_EQ(HttpGet(MetricsPort(), "/").rfind("HTTP/1.0 404 Not Found\r\n", 0), 0u);
}

}  // namespace
