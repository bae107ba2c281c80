#pragma once
// A connection that chooses one of the scripted peer's scenarios once it is connected and checks
// the data messages the peer sends (see tests/peers/net_peer.py for the scenarios).
#include <cstdint>
#include <string>
#include <vector>

#include "net/client_connection.h"
#include "net/connection.h"
#include "net/network_manager.h"

namespace peer {
inline constexpr uint32_t Select = 0x7FFF0001;
inline constexpr uint32_t Done = 0x7FFF0002;
inline constexpr uint32_t Probe = 0x7FFF0003;
inline constexpr uint32_t Data = 0x80020020;
inline constexpr uint32_t DataReply = 0x80020021;
inline constexpr uint32_t TrailerReport = 0x80020022;

enum Scenario : uint32_t {
    Session = 1,
    Burst = 2,
    BurstWithChecksums = 3,
    Trickle = 4,
    TrickleWithChecksums = 5,
    Large = 6,
    LargeWithChecksums = 7,
    BadMagic = 8,
    BadTrailer = 9,
    Keyed = 10,
    CloseMidMessage = 11,
    Throughput = 12,
    Upload = 13,
    Stall = 14,
};

inline void FillDataBody(uint32_t index, uint8_t* body, uint32_t length) {
    for (uint32_t j = 0; j < length; ++j)
        body[j] = uint8_t(index * 31 + j * 7);
}

inline bool IsDataBody(uint32_t index, const uint8_t* body, uint32_t length) {
    for (uint32_t j = 0; j < length; ++j)
        if (body[j] != uint8_t(index * 31 + j * 7)) return false;
    return true;
}
}  // namespace peer

// What a scenario client saw, shared by the plain and the session-answering clients.
struct ScenarioLog {
    int connectedCalls = 0;
    int disconnectedCalls = 0;
    uint32_t dataMessages = 0;
    std::vector<uint32_t> dataIndices;
    std::vector<std::string> faults;
    bool done = false;
    uint32_t donePassed = 0;
    uint32_t doneCount = 0;
    std::string doneText;
    uint32_t lastNotification = ~0u;
    uint32_t messagesThisRead = 0;
    uint32_t mostMessagesInOneRead = 0;

    // Every message: counts messages per read notification, records the peer's verdict.
    void Seen(const NetworkManager* manager, const MessageHeader& header, const uint8_t* body) {
        if (manager && manager->notificationCount != lastNotification) {
            lastNotification = manager->notificationCount;
            messagesThisRead = 0;
        }
        ++messagesThisRead;
        if (messagesThisRead > mostMessagesInOneRead) mostMessagesInOneRead = messagesThisRead;
        if (header.id == peer::Done) {
            done = true;
            donePassed = header.a;
            doneCount = header.b;
            doneText.assign(reinterpret_cast<const char*>(body), header.bodyLength);
        }
    }

    void Data(const MessageHeader& header, const uint8_t* body) {
        if (!dataIndices.empty() && header.a <= dataIndices.back())
            faults.push_back("data message " + std::to_string(header.a) + " out of order");
        dataIndices.push_back(header.a);
        if (header.b != header.bodyLength || !peer::IsDataBody(header.a, body, header.bodyLength))
            faults.push_back("data message " + std::to_string(header.a) + " has a wrong body");
        ++dataMessages;
    }
};

class ScenarioConnection : public Connection {
  public:
    ScenarioConnection(uint32_t checksumMode, uint32_t scenario, uint32_t parameter = 0)
        : Connection(checksumMode), scenario_(scenario), parameter_(parameter) {}

    void* DeletingDestructor(uint32_t flags) override { return RunDeletingDestructor(this, flags); }
    void OnConnected() override {
        ++log.connectedCalls;
        SendMessage(peer::Select, scenario_, parameter_, nullptr, 0, 0);
    }
    void OnDisconnected() override { ++log.disconnectedCalls; }
    void OnBadChecksum(MessageHeader* header, uint8_t*, uint32_t received, uint32_t expected) override {
        badChecksums.push_back({header->id, received, expected});
    }
    uint32_t OnMessage(MessageHeader* header, uint8_t* body) override {
        log.Seen(manager, *header, body);
        switch (header->id) {
        case peer::Data:
            // The throughput stream repeats one block of zero-filled messages; only its size counts.
            if (scenario_ == peer::Throughput) {
                ++log.dataMessages;
                if (header->bodyLength != 65536) log.faults.push_back("throughput message of a wrong size");
                break;
            }
            log.Data(*header, body);
            if (scenario_ == peer::Keyed)
                SendMessage(peer::DataReply, header->a, header->b, body, header->bodyLength, 0);
            break;
        case message_id::EchoRequest:
            SendMessage(message_id::EchoAnswer, 0, 0, nullptr, 0, 0);
            break;
        case peer::TrailerReport:
            reportedBadTrailer = header->a;
            reportedGoodTrailer = header->b;
            break;
        default:
            break;
        }
        return 1;
    }

    struct BadChecksum {
        uint32_t id, received, expected;
    };
    ScenarioLog log;
    std::vector<BadChecksum> badChecksums;
    uint32_t reportedBadTrailer = 0;
    uint32_t reportedGoodTrailer = 0;

  private:
    uint32_t scenario_;
    uint32_t parameter_;
};

// The host's own session-answering connection, with a look at its state when the peer probes.
class SessionClient : public ClientConnection {
  public:
    SessionClient() : ClientConnection(5) {}

    void* DeletingDestructor(uint32_t flags) override { return RunDeletingDestructor(this, flags); }
    void OnConnected() override {
        ++log.connectedCalls;
        SendMessage(peer::Select, peer::Session, 0, nullptr, 0, 0);
    }
    void OnDisconnected() override { ++log.disconnectedCalls; }
    uint32_t OnMessage(MessageHeader* header, uint8_t* body) override {
        log.Seen(manager, *header, body);
        if (header->id == peer::Probe) stateAtProbe = state;
        return ClientConnection::OnMessage(header, body);
    }

    ScenarioLog log;
    int32_t stateAtProbe = -1;
};
