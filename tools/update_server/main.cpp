// tidemarch-update-server: serves a release folder to the game's update clients (README.md).
#include <sys/resource.h>

#include <asio.hpp>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <optional>

#include "endpoint_text.h"
#include "metrics_endpoint.h"
#include "server_options.h"
#include "update_server.h"

namespace {

void Log(const std::string& line) {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    std::fprintf(stderr, "%s %s\n", stamp, line.c_str());
}

// Every client holds a socket, and every file of a release an open handle: take all the
// descriptors the system allows.
void RaiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const ParsedOptions parsed = ParseServerOptions(argc, argv);
    if (parsed.help) {
        std::fputs(ServerUsage().c_str(), stdout);
        return 0;
    }
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "tidemarch-update-server: %s\n", parsed.error.c_str());
        return 2;
    }
    RaiseDescriptorLimit();

    asio::io_context io(1);
    UpdateServer server(io, parsed.options, Log);
    std::string error;
    if (!server.Start(error)) {
        std::fprintf(stderr, "tidemarch-update-server: %s\n", error.c_str());
        return 1;
    }
    std::optional<MetricsEndpoint> metrics;
    if (parsed.options.metricsPort != 0) {
        metrics.emplace(
            io, [&server] { return server.MetricsText(); }, [&server] { return server.Health(); });
        if (!metrics->Start(parsed.options.metricsAddress, parsed.options.metricsPort, error)) {
            std::fprintf(stderr, "tidemarch-update-server: %s\n", error.c_str());
            return 1;
        }
    }
    std::printf("listening on %s\n", EndpointText(server.Endpoint()).c_str());
    std::fflush(stdout);
    Log("serving " + parsed.options.folder + " on " + EndpointText(server.Endpoint()) +
        (parsed.options.refuseSessions ? " (refusing sessions)" : "") +
        (metrics ? ", metrics on " + EndpointText(metrics->Endpoint()) : ""));

    asio::signal_set signals(io, SIGINT, SIGTERM);
    signals.async_wait([&](const asio::error_code& waited, int signal) {
        if (waited) return;
        Log(std::string("stopping on ") + (signal == SIGINT ? "SIGINT" : "SIGTERM"));
        server.Stop();
        if (metrics) metrics->Stop();
    });
    io.run();
    Log("stopped: " + server.SummaryText());
    return 0;
}
