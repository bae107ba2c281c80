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
    std::chrono::milliseconds timeout{30000};  // a client that makes no progress for this long is dropped
    // After the last message the session leaves its serving slot and keeps the socket this long at
    // most for the client to close first (the player's host stays connected until the game ends).
    std::chrono::milliseconds closeDelay{30000};
    std::chrono::milliseconds rescanInterval{1000};
    bool refuseSessions = false;
    std::string metricsAddress = "127.0.0.1";
    uint16_t metricsPort = 0;                       // 0: no metrics endpoint
    bool quiet = false;                             // no line per session
    std::chrono::milliseconds helloTimeout{10000};  // from the connection to the client's hello
    uint32_t maxPerAddress = 32;                    // sessions served at once for one address
    bool proxyProtocol = false;                     // every connection starts with a PROXY v2 header
    uint32_t sendBuffer = 131072;                   // SO_SNDBUF per client; 0: the system's sizing
    uint32_t maxLingering = 10000;                  // finished sessions keeping their socket
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
