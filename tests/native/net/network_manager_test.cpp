#include "net/network_manager.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>

#include <chrono>
#include <memory>

#include "connection_fixture.h"
#include "net/client_connection.h"
#include "wire_reference.h"

namespace {

int gDestroyed = 0;

class CountedConnection : public RecordingConnection {
  public:
    CountedConnection() : RecordingConnection(0) {}
    void* DeletingDestructor(uint32_t flags) override {
        EXPECT_EQ(flags, kDeleteMemory);
        ++gDestroyed;
        return RunDeletingDestructor(this, flags);
    }
};

struct ManagerDeleter {
    void operator()(NetworkManager* manager) const { DestroyNetworkManager(manager); }
};
using ManagerPtr = std::unique_ptr<NetworkManager, ManagerDeleter>;

int gWindow;  // stands for the window that receives the notifications

TEST(NetworkManagerRegistry, SocketsSharingABucketAreBothFound) {
    ManagerPtr manager(new NetworkManager(&gWindow));
    RecordingConnection first(0), second(0);
    manager->Register(0x10005, &first);
    manager->Register(0x20005, &second);
    manager->Register(0x5, nullptr);
    EXPECT_EQ(manager->registeredCount, 3u);
    EXPECT_EQ(manager->Find(0x10005), &first);
    EXPECT_EQ(manager->Find(0x20005), &second);
    EXPECT_EQ(manager->buckets[5]->socket, SocketHandle(0x5));  // new entries go to the front
    manager->Unregister(0x10005);
    EXPECT_EQ(manager->Find(0x10005), nullptr);
    EXPECT_EQ(manager->Find(0x20005), &second);
    manager->Unregister(kNoSocket);
    manager->Unregister(0x30005);
    EXPECT_EQ(manager->registeredCount, 2u);
    manager->Unregister(0x20005);
    manager->Unregister(0x5);
    EXPECT_EQ(manager->registeredCount, 0u);
    EXPECT_EQ(manager->buckets[5], nullptr);
}

TEST(NetworkManagerRegistry, RegisteringASocketAgainReplacesItsEntry) {
    ManagerPtr manager(new NetworkManager(&gWindow));
    RecordingConnection first(0), second(0);
    manager->Register(9, &first);
    manager->Register(9, &second);
    EXPECT_EQ(manager->registeredCount, 1u);
    EXPECT_EQ(manager->Find(9), &second);
    manager->Unregister(9);
    EXPECT_EQ(manager->Find(9), nullptr);
}

TEST(NetworkManagerRegistry, DestructionDeletesEveryRegisteredConnectionThroughSlotTwo) {
    gDestroyed = 0;
    auto* manager = new NetworkManager(&gWindow);
    for (int i = 0; i < 3; ++i) {
        auto* connection = new CountedConnection;
        connection->manager = manager;
        manager->Register(connection->socket, connection);
    }
    // Two connections under handles of one bucket: the destruction of the first unregisters its
    // own socket only.
    auto* extra = new CountedConnection;
    extra->manager = manager;
    manager->Register(0x10000 + (extra->socket & 0xFFFF), new CountedConnection);
    manager->Register(extra->socket, extra);
    EXPECT_EQ(manager->registeredCount, 5u);
    DestroyNetworkManager(manager);
    EXPECT_EQ(gDestroyed, 5);
}

class NetworkManagerDispatch : public PairedConnection {
  protected:
    void SetUp() override {
        manager_.reset(new NetworkManager(&gWindow));
        Pair(connection_);
        connection_.state = connection_state::NotConnected;
        connection_.manager = manager_.get();
        manager_->Register(connection_.socket, &connection_);
    }
    void TearDown() override {
        manager_->Unregister(connection_.socket);
        PairedConnection::TearDown();
    }
    int32_t Dispatch(uint32_t event, uint32_t error = 0) {
        return manager_->Dispatch(uint32_t(connection_.socket), int32_t(event | error << 16));
    }

    ManagerPtr manager_;
    RecordingConnection connection_{0};
};

TEST_F(NetworkManagerDispatch, EmptyNotificationOnlyCounts) {
    char text[NetworkManager::kNotifyTextSize + 3];
    std::memset(text, '#', sizeof text);
    manager_->NotifyText = text;
    EXPECT_EQ(manager_->Dispatch(0, 0), 0);
    EXPECT_EQ(manager_->notificationCount, 1u);
    EXPECT_STREQ(text, "Notify     1");
    EXPECT_EQ(text[NetworkManager::kNotifyTextSize], '#');
    EXPECT_EQ(connection_.connectedCalls + connection_.disconnectedCalls, 0);
    manager_->notificationCount = 123456;
    manager_->Dispatch(0, 0);
    EXPECT_STREQ(text, "Notify 23457");
    EXPECT_EQ(text[NetworkManager::kNotifyTextSize], '#');
}

TEST_F(NetworkManagerDispatch, FirstWritabilityConnectsOnce) {
    Dispatch(socket_event::Write);
    EXPECT_EQ(connection_.state, connection_state::Connected);
    EXPECT_EQ(connection_.connectedCalls, 1);
    Dispatch(socket_event::Write);
    EXPECT_EQ(connection_.connectedCalls, 1);
    connection_.state = connection_state::SessionReady;
    Dispatch(socket_event::Write);
    EXPECT_EQ(connection_.state, connection_state::SessionReady);
}

TEST_F(NetworkManagerDispatch, UnknownSocketsAndEventsAreIgnored) {
    manager_->Dispatch(uint32_t(connection_.socket) + 1, socket_event::Write);
    Dispatch(socket_event::OutOfBand);
    Dispatch(socket_event::Accept);
    Dispatch(0x40);
    EXPECT_EQ(connection_.state, connection_state::NotConnected);
    EXPECT_EQ(connection_.connectedCalls, 0);
}

TEST_F(NetworkManagerDispatch, ConnectNotificationWithAnErrorStillSelectsTheFourEvents) {
    Dispatch(socket_event::Connect, 10061);
    EXPECT_EQ(connection_.connectedCalls + connection_.disconnectedCalls, 0);
    EXPECT_EQ(connection_.state, connection_state::NotConnected);
    // Write is now selected to the manager's window: the socket's writability arrives and connects.
    for (int i = 0; i < 20 && connection_.connectedCalls == 0; ++i)
        PumpSocketNotifications(*manager_, 10);
    EXPECT_EQ(connection_.connectedCalls, 1);
    // So is read.
    PeerWrite(reference::Frame(0x80000005, 0, 0, {}));
    for (int i = 0; i < 20 && connection_.messages.empty(); ++i)
        PumpSocketNotifications(*manager_, 10);
    EXPECT_EQ(connection_.messages.size(), 1u);
}

TEST_F(NetworkManagerDispatch, CloseInStateZeroChangesNothing) {
    const SocketHandle socket = connection_.socket;
    Dispatch(socket_event::Close);
    EXPECT_EQ(connection_.socket, socket);
    EXPECT_EQ(manager_->Find(socket), &connection_);
    EXPECT_EQ(connection_.disconnectedCalls, 0);
}

TEST_F(NetworkManagerDispatch, CloseOfALiveConnectionDeliversWhatArrivedThenClosesIt) {
    connection_.state = connection_state::SessionReady;
    const SocketHandle socket = connection_.socket;
    int stateSeenByHandler = -1;
    connection_.onDisconnected = [&](RecordingConnection& self) { stateSeenByHandler = self.state; };
    PeerWrite(reference::Frame(0x80000005, 0, 0, {}));
    ClosePeer();
    Dispatch(socket_event::Close, 10054);
    EXPECT_EQ(connection_.messages.size(), 1u);
    EXPECT_EQ(connection_.disconnectedCalls, 1);
    EXPECT_EQ(stateSeenByHandler, connection_state::NotConnected);
    EXPECT_EQ(connection_.socket, kNoSocket);
    EXPECT_EQ(manager_->Find(socket), nullptr);
}

TEST_F(NetworkManagerDispatch, ReadNotificationReceives) {
    PeerWrite(reference::Frame(0x80000005, 0, 0, {}));
    Dispatch(socket_event::Read);
    EXPECT_EQ(connection_.messages.size(), 1u);
}

// The whole road over TCP on 127.0.0.1: connect, the connect notification re-selects, the first
// writability connects, the session requests are answered, the server's close is seen.
class LoopbackServer {
  public:
    LoopbackServer() {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::listen(listener_, 4), 0);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        address_ = address;
    }
    ~LoopbackServer() {
        if (client_ >= 0) ::close(client_);
        ::close(listener_);
    }
    const sockaddr_in& Address() const { return address_; }
    void Accept() { client_ = ::accept(listener_, nullptr, nullptr); }
    void Write(const std::vector<uint8_t>& bytes) {
        ASSERT_EQ(::write(client_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    std::vector<uint8_t> ReadExactly(size_t count, NetworkManager& manager) {
        std::vector<uint8_t> out(count);
        size_t done = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (done < count && std::chrono::steady_clock::now() < deadline) {
            PumpSocketNotifications(manager, 5);
            const ssize_t n = ::recv(client_, out.data() + done, count - done, MSG_DONTWAIT);
            if (n > 0) done += size_t(n);
        }
        out.resize(done);
        return out;
    }
    void Close() {
        ::close(client_);
        client_ = -1;
    }

  private:
    int listener_ = -1;
    int client_ = -1;
    sockaddr_in address_{};
};

template <class Condition> bool PumpUntil(NetworkManager& manager, Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition() && std::chrono::steady_clock::now() < deadline)
        PumpSocketNotifications(manager, 10);
    return condition();
}

TEST(NetworkManagerLoopback, SessionOfAClientConnection) {
    ManagerPtr manager(new NetworkManager(&gWindow));
    LoopbackServer server;
    auto* client = new ClientConnection(5);
    ASSERT_EQ(client->Connect(manager.get(), &server.Address(), sizeof(sockaddr_in)), 1u);
    EXPECT_EQ(manager->Find(client->socket), client);
    // A second call while the attempt is under way (the state is still 0) reports it as under way
    // and leaves one registry entry.
    EXPECT_EQ(client->Connect(manager.get(), &server.Address(), sizeof(sockaddr_in)), 1u);
    EXPECT_EQ(manager->registeredCount, 1u);
    server.Accept();
    ASSERT_TRUE(PumpUntil(*manager, [&] { return client->state == connection_state::Connected; }));

    server.Write(reference::Frame(0x80010109, 0, 0, {}));
    const auto hello = server.ReadExactly(20 + 216, *manager);
    ASSERT_EQ(hello.size(), 236u);
    EXPECT_EQ(reference::WordAt(hello.data() + 4), 0x80020010u);
    EXPECT_EQ(reference::WordAt(hello.data() + 12), 0x80010109u);
    EXPECT_EQ(reference::WordAt(hello.data() + 20 + 4), 5u);
    EXPECT_EQ(reference::WordAt(hello.data() + 20 + 212), 0xFFFFFFFAu);

    server.Write(reference::Frame(0x80000002, 0, 0x80020010, {}));
    ASSERT_TRUE(PumpUntil(*manager, [&] { return client->state == connection_state::SessionReady; }));

    const SocketHandle socket = client->socket;
    server.Close();
    ASSERT_TRUE(PumpUntil(*manager, [&] { return client->socket == kNoSocket; }));
    EXPECT_EQ(client->state, connection_state::NotConnected);
    EXPECT_EQ(manager->Find(socket), nullptr);
    DestroyConnection(client);
}

// A refused connect is not known at once on a non-blocking socket: Connect reports the attempt
// as under way, and the connect notification with its error code leaves the connection in state
// 0, registered, with its socket open, for its owner's own time-out to notice.
TEST(NetworkManagerLoopback, RefusedConnectStaysInStateZeroWithItsSocket) {
    ManagerPtr manager(new NetworkManager(&gWindow));
    sockaddr_in address;
    {
        LoopbackServer closed;  // a port that nobody listens on any more
        address = closed.Address();
    }
    auto* connection = new RecordingConnection(0);
    ASSERT_EQ(connection->Connect(manager.get(), &address, sizeof address), 1u);
    const SocketHandle socket = connection->socket;
    const uint32_t before = manager->notificationCount;
    ASSERT_TRUE(PumpUntil(*manager, [&] { return manager->notificationCount > before; }));
    for (int i = 0; i < 10; ++i)
        PumpSocketNotifications(*manager, 10);
    EXPECT_EQ(connection->state, connection_state::NotConnected);
    EXPECT_EQ(connection->connectedCalls + connection->disconnectedCalls, 0);
    EXPECT_EQ(connection->socket, socket);
    EXPECT_EQ(manager->Find(socket), connection);
    // The manager deletes it, as it is still registered.
}

// A connect that succeeds at once (here: the socket's connection is made already when Connect
// is called) stays registered and returns 1; the connect and write notifications still follow
// and make it connected, once.
TEST(NetworkManagerLoopback, ConnectThatSucceedsAtOnceStaysRegisteredAndIsAnnounced) {
    ManagerPtr manager(new NetworkManager(&gWindow));
    LoopbackServer server;
    auto* connection = new RecordingConnection(0);
    ASSERT_EQ(connection->Connect(manager.get(), &server.Address(), sizeof(sockaddr_in)), 1u);
    server.Accept();
    // Wait for the connection to be made without handing any notification to the manager.
    pollfd made{int(connection->socket), POLLOUT, 0};
    ASSERT_EQ(::poll(&made, 1, 5000), 1);
    EXPECT_EQ(connection->Connect(manager.get(), &server.Address(), sizeof(sockaddr_in)), 1u);
    EXPECT_EQ(manager->Find(connection->socket), connection);
    EXPECT_EQ(manager->registeredCount, 1u);
    EXPECT_EQ(connection->state, connection_state::NotConnected);
    ASSERT_TRUE(PumpUntil(*manager, [&] { return connection->state == connection_state::Connected; }));
    for (int i = 0; i < 5; ++i)
        PumpSocketNotifications(*manager, 10);
    EXPECT_EQ(connection->connectedCalls, 1);
}

// A connect that fails at once would never be reported by a notification: Connect returns 0 and
// leaves nothing registered. The connection keeps its socket and can try again.
TEST(NetworkManagerLoopback, ConnectThatFailsAtOnceReturnsZeroAndLeavesNothingRegistered) {
    ManagerPtr manager(new NetworkManager(&gWindow));
    LoopbackServer server;
    sockaddr_in wrongFamily = server.Address();
    wrongFamily.sin_family = AF_INET6;  // not a family an IPv4 socket can connect to
    auto* connection = new RecordingConnection(0);
    EXPECT_EQ(connection->Connect(manager.get(), &wrongFamily, sizeof wrongFamily), 0u);
    EXPECT_EQ(manager->registeredCount, 0u);
    EXPECT_EQ(manager->Find(connection->socket), nullptr);
    EXPECT_EQ(connection->state, connection_state::NotConnected);
    ASSERT_NE(connection->socket, kNoSocket);

    EXPECT_EQ(connection->Connect(manager.get(), &server.Address(), sizeof(sockaddr_in)), 1u);
    EXPECT_EQ(manager->Find(connection->socket), connection);
    server.Accept();
    EXPECT_TRUE(PumpUntil(*manager, [&] { return connection->state == connection_state::Connected; }));
}

}  // namespace
