// Peers as the internet and real hosts make them: hosts that stay connected after the update,
// silent and slow clients, one address opening many connections, and a proxy in front that names
// the players in a PROXY header. Raw clients on 127.0.0.x; every wait is bounded.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

#include "child_process.h"
#include "proxy_header.h"
#include "raw_test_client.h"
#include "server_fixture.h"
#include "server_options.h"

namespace {

using std::chrono::milliseconds;

ParsedOptions Parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "update_server");
    return ParseServerOptions(int(arguments.size()), arguments.data());
}

TEST(PeerOptions, AreReadAndRefusedOutsideTheirRange) {
    const ParsedOptions parsed = Parse({"--folder", "r", "--hello-timeout", "4", "--max-per-address", "3",
                                        "--proxy-protocol", "--send-buffer", "0", "--max-lingering", "50"});
    ASSERT_EQ(parsed.error, "");
    const ServerOptions& o = parsed.options;
    EXPECT_EQ(o.helloTimeout, std::chrono::seconds(4));
    EXPECT_EQ(o.maxPerAddress, 3u);
    EXPECT_TRUE(o.proxyProtocol);
    EXPECT_EQ(o.sendBuffer, 0u);
    EXPECT_EQ(o.maxLingering, 50u);
    EXPECT_FALSE(Parse({"--folder", "r"}).options.proxyProtocol);

    struct Case {
        std::vector<const char*> arguments;
        const char* error;
    };
    const Case cases[] = {
        {{"--folder", "r", "--hello-timeout", "0"}, "--hello-timeout: 1 to 3600 seconds"},
        {{"--folder", "r", "--max-per-address", "0"}, "--max-per-address: 1 to 1000000"},
        {{"--folder", "r", "--send-buffer", "4095"}, "--send-buffer: 0, or 4096 to 16777216"},
        {{"--folder", "r", "--send-buffer", "16777217"}, "--send-buffer: 0, or 4096 to 16777216"},
        {{"--folder", "r", "--max-lingering", "x"}, "--max-lingering: 0 to 1000000"},
        {{"--folder", "r", "--max-lingering"}, "--max-lingering needs a value (see --help)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Parse(c.arguments).error, c.error);
}

class PeerTest : public UpdateServerTest {
  protected:
    // Waits until the server's figures satisfy the condition.
    template <class Condition> bool StatsBecome(Condition condition, int boundMs = 5000) {
        const auto end = std::chrono::steady_clock::now() + milliseconds(boundMs);
        while (!condition(StatsNow())) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(milliseconds(10));
        }
        return true;
    }
};

TEST_F(PeerTest, FinishedClientsThatStayConnectedLeaveTheirSlotsAndTheOldestLingererMakesRoom) {
    options.maxClients = 10;
    options.maxLingering = 20;
    options.closeDelay = std::chrono::seconds(60);
    WriteFile(release / "A.bin", Pattern(3000, 1));
    StartServer();
    // None of the clients closes after the end message, as the player's host does not. The first
    // ten finish before the other twenty connect, so they are the oldest lingerers.
    auto connectWave = [&](int count) {
        std::vector<ClientPointer> wave;
        for (int i = 0; i < count; ++i)
            wave.push_back(NewClient());
        return wave;
    };
    auto all = [](const std::vector<ClientPointer>& wave, auto member) {
        return std::all_of(wave.begin(), wave.end(), [&](const auto& c) { return bool((*c).*member); });
    };
    const auto start = std::chrono::steady_clock::now();
    const std::vector<ClientPointer> first = connectWave(10);
    ASSERT_TRUE(pump.Until([&] { return all(first, &UpdateTestClient::finished); }, 10000));
    const std::vector<ClientPointer> second = connectWave(20);
    ASSERT_TRUE(pump.Until([&] { return all(second, &UpdateTestClient::finished); }, 10000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    ASSERT_TRUE(StatsBecome([](const ServerStats& s) { return s.sessionsLingering == 20; }));

    // Past the cap the server closed the ten that finished first, and only those.
    EXPECT_TRUE(pump.Until([&] { return all(first, &UpdateTestClient::disconnects); }));
    pump.For(100);
    for (const auto& client : second)
        EXPECT_EQ(client->disconnects, 0);
    const ServerStats stats = StatsNow();
    EXPECT_EQ(stats.sessionsActive, 0u);
    EXPECT_EQ(stats.sessionsComplete, 30u);
    EXPECT_EQ(stats.dropped, 0u);
}

TEST_F(PeerTest, LingeringSessionEndsWhenTheCloseDelayPasses) {
    options.closeDelay = milliseconds(400);
    StartServer();
    RawTestClient waiting(Port());
    ASSERT_TRUE(waiting.RunSession());
    ASSERT_TRUE(StatsBecome([](const ServerStats& s) { return s.sessionsLingering == 1; }));
    EXPECT_EQ(StatsNow().sessionsActive, 0u);
    EXPECT_TRUE(waiting.ClosedByServer(3000));
    EXPECT_TRUE(StatsBecome([](const ServerStats& s) { return s.sessionsLingering == 0; }));
}

TEST_F(PeerTest, LingeringSessionEndsWhenTheClientCloses) {
    options.closeDelay = std::chrono::seconds(60);
    StartServer();
    RawTestClient leaving(Port());
    ASSERT_TRUE(leaving.RunSession());
    ASSERT_TRUE(StatsBecome([](const ServerStats& s) { return s.sessionsLingering == 1; }));
    // Bytes from a lingering client are read and thrown away; only its close ends the wait.
    ASSERT_TRUE(leaving.Send(std::vector<uint8_t>(100, 0xAB)));
    EXPECT_FALSE(StatsBecome([](const ServerStats& s) { return s.sessionsLingering == 0; }, 300));
    leaving.Close();
    EXPECT_TRUE(StatsBecome([](const ServerStats& s) { return s.sessionsLingering == 0; }));
    EXPECT_EQ(StatsNow().dropped, 0u);
}

TEST_F(PeerTest, OneAddressAtItsLimitDoesNotLockOutAnother) {
    options.maxClients = 3;
    options.maxPerAddress = 2;
    options.helloTimeout = std::chrono::seconds(30);
    StartServer();
    // Two silent connections from 127.0.0.2 hold their places; a third is closed at once.
    auto first = std::make_unique<RawTestClient>(Port(), "127.0.0.2");
    RawTestClient second(Port(), "127.0.0.2");
    ASSERT_TRUE(first->Read());
    ASSERT_TRUE(second.Read());
    {
        RawTestClient third(Port(), "127.0.0.2");
        size_t received = 1;
        EXPECT_TRUE(third.ClosedByServer(3000, &received));
        EXPECT_EQ(received, 0u);
    }
    EXPECT_TRUE(WaitForLogWhileClientsIdle("no-hello turned-away files=0/0 bytes=0"));
    EXPECT_TRUE(LogHas("(the address has 2 sessions already)"));

    // Another address is served meanwhile.
    auto client = RunSession();
    EXPECT_TRUE(client->finished);

    // A place given back is taken again.
    first.reset();
    ASSERT_TRUE(WaitForLogWhileClientsIdle("no-hello dropped files=0/0 bytes=0"));
    RawTestClient again(Port(), "127.0.0.2");
    const auto request = again.Read();
    ASSERT_TRUE(request);
    EXPECT_EQ(request->header.id, message_id::HelloRequest);
    EXPECT_EQ(StatsNow().turnedAway, 1u);
}

// A PROXY v2 header: command byte, family byte, the addresses block, and extra bytes after it.
std::vector<uint8_t> ProxyHeader(uint8_t command, uint8_t family, std::vector<uint8_t> addresses,
                                 size_t extra = 0) {
    std::vector<uint8_t> bytes = {0x0D, 0x0A, 0x0D, 0x0A, 0x00, 0x0D, 0x0A, 0x51, 0x55, 0x49, 0x54, 0x0A};
    const size_t rest = addresses.size() + extra;
    bytes.insert(bytes.end(), {command, family, uint8_t(rest >> 8), uint8_t(rest)});
    bytes.insert(bytes.end(), addresses.begin(), addresses.end());
    bytes.resize(bytes.size() + extra, 0x03);
    return bytes;
}

std::vector<uint8_t> Ipv4Addresses(std::array<uint8_t, 4> source, uint16_t port) {
    std::vector<uint8_t> bytes(source.begin(), source.end());
    bytes.insert(bytes.end(), {127, 0, 0, 1, uint8_t(port >> 8), uint8_t(port), 0x1F, 0xA4});
    return bytes;
}

std::vector<uint8_t> Ipv6Addresses() {
    std::vector<uint8_t> bytes = {0x20, 0x01, 0x0D, 0xB8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01};
    bytes.resize(32);
    bytes[31] = 1;
    bytes.insert(bytes.end(), {0xC3, 0x50, 0x1F, 0xA4});  // port 50000
    return bytes;
}

TEST_F(PeerTest, BehindAProxyTheHeaderNamesThePlayerAndItsAbsenceIsRefused) {
    enum class Outcome { Served, ClosedQuietly, Dropped };
    struct Case {
        const char* what;
        std::vector<uint8_t> sent;
        Outcome outcome;
        const char* logged;
    };
    const Case cases[] = {
        {"IPv4 player", ProxyHeader(0x21, 0x11, Ipv4Addresses({203, 0, 113, 7}, 4242)), Outcome::Served,
         "session 203.0.113.7:4242 start-screen complete"},
        {"IPv6 player, extensions skipped", ProxyHeader(0x21, 0x21, Ipv6Addresses(), 7), Outcome::Served,
         "session [2001:db8::1]:50000 start-screen complete"},
        {"unspecified source: the socket's peer", ProxyHeader(0x21, 0x00, {}), Outcome::Served,
         "session 127.0.0.1:"},
        {"health check of the proxy", ProxyHeader(0x20, 0x00, {}), Outcome::ClosedQuietly, nullptr},
        {"no header, a hello at once", StartScreenHello(), Outcome::Dropped, "(no PROXY v2 signature)"},
        {"version 1 byte", ProxyHeader(0x11, 0x11, Ipv4Addresses({1, 2, 3, 4}, 1)), Outcome::Dropped,
         "(PROXY header version 1)"},
        {"UDP", ProxyHeader(0x21, 0x12, Ipv4Addresses({1, 2, 3, 4}, 1)), Outcome::Dropped,
         "(PROXY header for a connection that is not TCP)"},
        {"too long", ProxyHeader(0x21, 0x11, Ipv4Addresses({1, 2, 3, 4}, 1), 2000), Outcome::Dropped,
         "(PROXY header of 2012 bytes after its first 16)"},
    };
    options.proxyProtocol = true;
    StartServer();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t linesBefore = LogLines().size();
        const uint64_t droppedBefore = StatsNow().dropped;
        RawTestClient client(Port());
        ASSERT_TRUE(client.Send(c.sent));
        if (c.outcome == Outcome::Served) {
            EXPECT_TRUE(client.RunSession());
            EXPECT_TRUE(WaitForLogWhileClientsIdle(c.logged));
            continue;
        }
        // Nothing is sent before the header has named the player.
        size_t received = 1;
        EXPECT_TRUE(client.ClosedByServer(3000, &received));
        EXPECT_EQ(received, 0u);
        if (c.outcome == Outcome::Dropped) {
            EXPECT_TRUE(WaitForLogWhileClientsIdle(c.logged));
            EXPECT_EQ(StatsNow().dropped, droppedBefore + 1);
        } else {
            std::this_thread::sleep_for(milliseconds(50));
            EXPECT_EQ(LogLines().size(), linesBefore);
            EXPECT_EQ(StatsNow().dropped, droppedBefore);
        }
    }
}

TEST_F(PeerTest, BehindAProxyTheLimitPerAddressCountsThePlayersNotTheProxy) {
    options.proxyProtocol = true;
    options.maxPerAddress = 1;
    StartServer();
    RawTestClient first(Port());
    RawTestClient other(Port());
    RawTestClient sameAsFirst(Port());
    ASSERT_TRUE(first.Send(ProxyHeader(0x21, 0x11, Ipv4Addresses({198, 51, 100, 1}, 1000))));
    ASSERT_TRUE(first.Read());
    ASSERT_TRUE(other.Send(ProxyHeader(0x21, 0x11, Ipv4Addresses({198, 51, 100, 2}, 1000))));
    EXPECT_TRUE(other.Read());
    ASSERT_TRUE(sameAsFirst.Send(ProxyHeader(0x21, 0x11, Ipv4Addresses({198, 51, 100, 1}, 1001))));
    EXPECT_TRUE(sameAsFirst.ClosedByServer(3000));
    EXPECT_TRUE(WaitForLogWhileClientsIdle("session 198.51.100.1:1001 no-hello turned-away"));
}

TEST_F(PeerTest, WithoutTheOptionAProxyHeaderIsABadHello) {
    StartServer();
    RawTestClient client(Port());
    ASSERT_TRUE(client.Read());
    ASSERT_TRUE(client.Send(ProxyHeader(0x21, 0x11, Ipv4Addresses({203, 0, 113, 7}, 4242))));
    EXPECT_TRUE(client.ClosedByServer(3000));
    EXPECT_TRUE(WaitForLogWhileClientsIdle("session 127.0.0.1:"));
    EXPECT_TRUE(LogHas("no-hello dropped files=0/0 bytes=0"));
    EXPECT_TRUE(LogHas("(message without the frame magic)"));
}

TEST_F(PeerTest, ClientReadingSlowlyButSteadilyIsNotDropped) {
    // One chunk takes the reader far longer than the timeout; each part of it takes far less.
    constexpr size_t kFileSize = 60000;
    WriteFile(release / "Slow.bin", Pattern(kFileSize, 3));
    options.chunkSize = kFileSize;
    options.sendBuffer = 4096;
    options.timeout = milliseconds(500);
    StartServer();
    RawTestClient client(Port(), "127.0.0.1", 4096);
    ASSERT_TRUE(client.Handshake());
    constexpr size_t kPiece = 2048;                                  // every 50 ms: about 40 KB/s
    constexpr size_t kUpdateBytes = 28 + 172 + 20 + kFileSize + 20;  // announcement, header, chunk, end
    size_t received = 0;
    const auto start = std::chrono::steady_clock::now();
    while (received < kUpdateBytes && std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
        std::this_thread::sleep_for(milliseconds(50));
        const auto piece = client.ReadSome(kPiece);
        if (!piece) break;
        received += *piece;
    }
    EXPECT_EQ(received, kUpdateBytes);
    EXPECT_TRUE(WaitForLogWhileClientsIdle("start-screen complete files=1/1 bytes=60000"));
    EXPECT_FALSE(LogHas("dropped"));
}

TEST_F(PeerTest, ClientThatStopsReadingHoldsNoMoreThanItsSendBuffer) {
    WriteFile(release / "Huge.bin", Pattern(16 << 20, 5));
    options.chunkSize = 65536;
    options.sendBuffer = 65536;
    options.timeout = milliseconds(500);
    StartServer();
    RawTestClient client(Port(), "127.0.0.1", 65536);
    ASSERT_TRUE(client.Handshake());
    ASSERT_TRUE(WaitForLogWhileClientsIdle("no progress"));
    // What the kernel still held for the client arrives after the drop: the bounded send buffer
    // (which the kernel doubles), the client's own receive buffer and one chunk at most.
    size_t received = 0;
    EXPECT_TRUE(client.ClosedByServer(10000, &received));
    EXPECT_LT(received, size_t(1) << 20);
}

TEST_F(PeerTest, HaproxyWithSendProxyV2NamesThePlayerAndItsChecksAreNotDroppedClients) {
    constexpr char kHaproxy[] = "/usr/sbin/haproxy";
    if (!std::filesystem::exists(kHaproxy)) GTEST_SKIP() << "haproxy is not installed";
    WriteFile(release / "A.bin", Pattern(5000, 1));
    options.proxyProtocol = true;
    StartServer();
    const uint16_t front = FreePort();
    const auto work = installed.parent_path();
    std::ofstream(work / "haproxy.cfg") << "defaults\n    mode tcp\n    timeout connect 2s\n"
                                           "    timeout client 30s\n    timeout server 30s\n"
                                           "frontend updates\n    bind 127.0.0.1:"
                                        << front
                                        << "\n    default_backend update_servers\n"
                                           "backend update_servers\n    server update1 127.0.0.1:"
                                        << Port() << " send-proxy-v2 check check-send-proxy inter 100ms\n";
    Child haproxy({kHaproxy, "-db", "-f", (work / "haproxy.cfg").string()}, work / "haproxy.log", false);

    // The player at 127.0.0.3 reaches the server through the proxy once the proxy listens.
    std::unique_ptr<RawTestClient> player;
    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < bound) {
        player = std::make_unique<RawTestClient>(front, "127.0.0.3");
        if (player->Connected()) break;
        std::this_thread::sleep_for(milliseconds(20));
    }
    ASSERT_TRUE(player->Connected());
    EXPECT_TRUE(player->RunSession());
    EXPECT_TRUE(WaitForLogWhileClientsIdle("start-screen complete"));
    EXPECT_TRUE(LogHas("session 127.0.0.3:"));

    // The proxy's health checks come in as LOCAL headers: no log line, no dropped client.
    ASSERT_TRUE(StatsBecome([](const ServerStats& s) { return s.sessionsTotal >= 6; }));
    const ServerStats stats = StatsNow();
    EXPECT_EQ(stats.dropped, 0u);
    EXPECT_EQ(stats.sessionsComplete, 1u);
    EXPECT_EQ(LogLines().size(), 1u);
}

}  // namespace
