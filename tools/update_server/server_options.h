#pragma once
// The server's command line.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

struct ServerOptions {
    std::string folder;
    std::string address = "0.0.0.0";
    uint16_t port = 8100;
    uint32_t chunkSize = 65536;
    uint32_t maxClients = 1000;
    std::chrono::milliseconds timeout{30000};    // a client that makes no progress for this long is dropped
    std::chrono::milliseconds closeDelay{5000};  // after the last message, before the server closes
    std::chrono::milliseconds rescanInterval{1000};
    bool refuseSessions = false;
    std::string metricsAddress = "127.0.0.1";
    uint16_t metricsPort = 0;  // 0: no metrics endpoint
    bool quiet = false;        // no line per session
    // Serve symbolic links that lead out of the release folder.
    bool followOutsideLinks = false;
};

struct ParsedOptions {
    ServerOptions options;
    bool help = false;
    std::string error;  // empty when the command line is usable
};

ParsedOptions ParseServerOptions(int argc, const char* const* argv);
std::string ServerUsage();
