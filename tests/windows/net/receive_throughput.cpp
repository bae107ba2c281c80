// End-to-end receive figure of the real host code under the platform: MB/s of 64 KiB messages
// that the scripted peer streams over 127.0.0.1, read through socket message 1122, the network
// manager and a connection. Run through tests/peers/net_peer.py; the argument is the amount of
// data in MiB (default 256).
#include <cstdio>
#include <cstdlib>

#include "platform/win32/net/winsock_socket_platform.h"
#include "scenario_connection.h"
#include "socket_window.h"

int main(int argc, char** argv) {
    const uint32_t mebibytes = argc > 1 ? uint32_t(std::atoi(argv[1])) : 256;
    WinsockSocketPlatform sockets;
    PlatformSlot<SocketPlatform>::Scope installedSockets(sockets);
    SocketWindow window;
    auto* manager = new NetworkManager(window.Handle());
    auto* connection = new ScenarioConnection(0, peer::Throughput, mebibytes);
    const sockaddr_in address = PeerAddress();
    if (!connection->Connect(manager, &address, sizeof address)) {
        std::fprintf(stderr, "connect failed\n");
        return 1;
    }
    if (!PumpUntil(*manager, [&] { return connection->log.connectedCalls > 0; })) return 1;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const bool done = PumpUntil(
        *manager, [&] { return connection->log.done; }, 600000);
    QueryPerformanceCounter(&end);
    const double seconds = double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
    const double bytes = double(connection->log.dataMessages) * (65536.0 + 20.0);
    const bool intact =
        done && connection->log.faults.empty() && connection->log.dataMessages == 16 * mebibytes;
    std::printf("wine_receive_64k_messages %.0f MB/s (%u messages, %.2f s)%s\n", bytes / seconds / 1e6,
                connection->log.dataMessages, seconds, intact ? "" : " INCOMPLETE");
    DestroyConnection(connection);
    DestroyNetworkManager(manager);
    return intact ? 0 : 1;
}
