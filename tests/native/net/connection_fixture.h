#pragma once
// A connection whose socket is one end of a local socket pair, with the other end in the test's
// hands, and a connection class that records what its handlers saw.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/connection.h"
#include "net/network_manager.h"
#include "platform/posix/net/posix_socket_platform.h"

struct SeenMessage {
    uint32_t id;
    uint32_t a;
    uint32_t b;
    std::vector<uint8_t> body;
};

struct BadChecksum {
    uint32_t id;
    uint32_t received;
    uint32_t expected;
};

class RecordingConnection : public Connection {
  public:
    explicit RecordingConnection(uint32_t checksumMode) : Connection(checksumMode) {}

    void* DeletingDestructor(uint32_t flags) override { return RunDeletingDestructor(this, flags); }
    uint32_t OnMessage(MessageHeader* header, uint8_t* body) override {
        messages.push_back(
            {header->id, header->a, header->b, std::vector<uint8_t>(body, body + header->bodyLength)});
        if (onMessage) onMessage(*this);
        return 1;
    }
    void OnBadChecksum(MessageHeader* header, uint8_t*, uint32_t received, uint32_t expected) override {
        badChecksums.push_back({header->id, received, expected});
    }
    void OnConnected() override { ++connectedCalls; }
    void OnDisconnected() override {
        ++disconnectedCalls;
        if (onDisconnected) onDisconnected(*this);
    }

    std::vector<SeenMessage> messages;
    std::vector<BadChecksum> badChecksums;
    int connectedCalls = 0;
    int disconnectedCalls = 0;
    std::function<void(RecordingConnection&)> onMessage;
    std::function<void(RecordingConnection&)> onDisconnected;
};

class PairedConnection : public ::testing::Test {
  protected:
    // Replaces the connection's own socket by one end of a socket pair, as if it had connected.
    void Pair(Connection& connection) {
        int ends[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
        ActiveSocketPlatform().Close(connection.socket);
        connection.socket = AdoptConnectedSocket(ends[0]);
        connection.state = connection_state::Connected;
        peer_ = ends[1];
    }

    // Pairs the connection and registers it with the manager, as a connect through it would.
    void PairAndRegister(Connection& connection, NetworkManager& manager) {
        Pair(connection);
        connection.manager = &manager;
        manager.Register(connection.socket, &connection);
    }

    void TearDown() override {
        if (peer_ >= 0) ::close(peer_);
    }

    void PeerWrite(const std::vector<uint8_t>& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(peer_, bytes.data() + done, bytes.size() - done);
            ASSERT_GT(n, 0);
            done += size_t(n);
        }
    }

    // Everything the connection has sent so far (waits briefly for nothing more to come).
    std::vector<uint8_t> PeerRead() {
        std::vector<uint8_t> out;
        uint8_t chunk[65536];
        pollfd watch{peer_, POLLIN, 0};
        while (::poll(&watch, 1, 50) > 0 && (watch.revents & POLLIN)) {
            const ssize_t n = ::read(peer_, chunk, sizeof chunk);
            if (n <= 0) break;
            out.insert(out.end(), chunk, chunk + n);
        }
        return out;
    }

    void ClosePeer() {
        ::close(peer_);
        peer_ = -1;
    }

    int peer_ = -1;
};
