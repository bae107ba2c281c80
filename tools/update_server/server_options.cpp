#include "server_options.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string_view>

#include "update_sender.h"

namespace {

template <class Number> bool ParseNumber(std::string_view text, Number low, Number high, Number& out) {
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return false;
    if (value < uint64_t(low) || value > uint64_t(high)) return false;
    out = Number(value);
    return true;
}

constexpr uint32_t kSmallestSendBuffer = 4096;
constexpr uint32_t kLargestSendBuffer = 16 << 20;

}  // namespace

std::string ServerUsage() {
    return "Usage: tidemarch-update-server --folder DIR [options]\n"
           "\n"
           "Serves the release in DIR (its files and those of the folders directly inside it) to\n"
           "the game's update clients: each client receives the files it lacks or has in another\n"
           "size or last-write time.\n"
           "\n"
           "Options:\n"
           "  --folder DIR           release folder to serve (required)\n"
           "  --address ADDR         IPv4 or IPv6 address to listen on (default 0.0.0.0)\n"
           "  --port N               TCP port (default 8100; 0 picks a free port)\n"
           "  --chunk-size BYTES     file bytes per data message, 1 to 262124 (default 65536)\n"
           "  --max-clients N        clients served at once; more wait to be accepted (default 1000)\n"
           "  --timeout SECONDS      drop a client that makes no progress for this long (default 30)\n"
           "  --close-delay SECONDS  keep a finished session's socket this long for the client to\n"
           "                         close first; it no longer holds a serving slot (default 30)\n"
           "  --rescan MILLISECONDS  look at the release folder again at most this often (default 1000;\n"
           "                         0: at every session)\n"
           "  --refuse               refuse every session (for maintenance)\n"
           "  --metrics-port N       serve Prometheus text metrics on this port (default: off)\n"
           "  --metrics-address ADDR address of the metrics endpoint (default 127.0.0.1)\n"
           "  --quiet                no log line per session\n"
           "  --hello-timeout SECONDS\n"
           "                         drop a client that sends no hello for this long (default 10)\n"
           "  --max-per-address N    sessions served at once for one client address (default 32)\n"
           "  --proxy-protocol       every connection starts with a PROXY protocol v2 header (behind\n"
           "                         HAProxy's send-proxy-v2); connections without it are refused\n"
           "  --send-buffer BYTES    kernel send buffer per client, 4096 to 16777216, 0 for the\n"
           "                         system's own sizing (default 131072)\n"
           "  --max-lingering N      finished sessions that keep their socket; beyond it the oldest is\n"
           "                         closed (default 10000)\n"
           "  --follow-outside-links serve symbolic links that lead out of the release folder\n"
           "                         (default: left out with a warning)\n"
           "  --help                 this text\n"
           "\n"
           "The first line on standard output is \"listening on ADDR:PORT\". Log lines go to standard\n"
           "error. SIGINT or SIGTERM stops the server and prints a summary.\n";
}

ParsedOptions ParseServerOptions(int argc, const char* const* argv) {
    ParsedOptions parsed;
    ServerOptions& options = parsed.options;
    auto fail = [&](std::string text) {
        parsed.error = std::move(text);
        return parsed;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--help" || option == "-h") {
            parsed.help = true;
            return parsed;
        }
        if (option == "--refuse") {
            options.refuseSessions = true;
            continue;
        }
        if (option == "--quiet") {
            options.quiet = true;
            continue;
        }
        if (option == "--proxy-protocol") {
            options.proxyProtocol = true;
            continue;
        }
        if (option == "--follow-outside-links") {
            options.followOutsideLinks = true;
            continue;
        }
        static constexpr std::string_view kValueOptions[] = {
            "--folder",        "--address",         "--port",        "--chunk-size",   "--max-clients",
            "--timeout",       "--close-delay",     "--rescan",      "--metrics-port", "--metrics-address",
            "--hello-timeout", "--max-per-address", "--send-buffer", "--max-lingering"};
        if (std::find(std::begin(kValueOptions), std::end(kValueOptions), option) == std::end(kValueOptions))
            return fail("unknown option " + std::string(option) + " (see --help)");
        if (i + 1 >= argc) return fail(std::string(option) + " needs a value (see --help)");
        const std::string_view value = argv[++i];
        uint32_t seconds = 0;
        uint32_t milliseconds = 0;
        if (option == "--folder") {
            options.folder = value;
        } else if (option == "--address") {
            options.address = value;
        } else if (option == "--port") {
            if (!ParseNumber<uint16_t>(value, 0, 65535, options.port)) return fail("--port: 0 to 65535");
        } else if (option == "--chunk-size") {
            if (!ParseNumber<uint32_t>(value, 1, UpdateSender::kLargestChunk, options.chunkSize))
                return fail("--chunk-size: 1 to " + std::to_string(UpdateSender::kLargestChunk));
        } else if (option == "--max-clients") {
            if (!ParseNumber<uint32_t>(value, 1, 1000000, options.maxClients))
                return fail("--max-clients: 1 to 1000000");
        } else if (option == "--timeout") {
            if (!ParseNumber<uint32_t>(value, 1, 86400, seconds))
                return fail("--timeout: 1 to 86400 seconds");
            options.timeout = std::chrono::seconds(seconds);
        } else if (option == "--close-delay") {
            if (!ParseNumber<uint32_t>(value, 0, 3600, seconds))
                return fail("--close-delay: 0 to 3600 seconds");
            options.closeDelay = std::chrono::seconds(seconds);
        } else if (option == "--rescan") {
            if (!ParseNumber<uint32_t>(value, 0, 86400000, milliseconds))
                return fail("--rescan: 0 to 86400000 milliseconds");
            options.rescanInterval = std::chrono::milliseconds(milliseconds);
        } else if (option == "--metrics-port") {
            if (!ParseNumber<uint16_t>(value, 0, 65535, options.metricsPort))
                return fail("--metrics-port: 0 to 65535");
        } else if (option == "--metrics-address") {
            options.metricsAddress = value;
        } else if (option == "--hello-timeout") {
            if (!ParseNumber<uint32_t>(value, 1, 3600, seconds))
                return fail("--hello-timeout: 1 to 3600 seconds");
            options.helloTimeout = std::chrono::seconds(seconds);
        } else if (option == "--max-per-address") {
            if (!ParseNumber<uint32_t>(value, 1, 1000000, options.maxPerAddress))
                return fail("--max-per-address: 1 to 1000000");
        } else if (option == "--send-buffer") {
            if (!ParseNumber<uint32_t>(value, 0, kLargestSendBuffer, options.sendBuffer) ||
                (options.sendBuffer != 0 && options.sendBuffer < kSmallestSendBuffer))
                return fail("--send-buffer: 0, or 4096 to 16777216");
        } else if (option == "--max-lingering") {
            if (!ParseNumber<uint32_t>(value, 0, 1000000, options.maxLingering))
                return fail("--max-lingering: 0 to 1000000");
        }
    }
    if (options.folder.empty()) return fail("--folder is required (see --help)");
    return parsed;
}
