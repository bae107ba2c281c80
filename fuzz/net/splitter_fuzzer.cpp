// Feeds arbitrary byte streams, in arbitrary read sizes, to a connection's receive path and checks
// every delivery against a plain parse of the whole stream (with the checksums computed byte by
// byte from their definition, session masks included).
//
// Input: byte 0 chooses checksum mode (bit 0); byte 1 gives the number k of read-size bytes that
// follow; then k read sizes (1 to 64 bytes, or the whole rest for 0xF0 and above, used in turn);
// the rest is the stream.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "net/connection.h"
#include "platform/posix/net/posix_socket_platform.h"
#include "wire_reference.h"

namespace {

struct Event {
    bool bad;
    uint32_t id, a, b, length;
    size_t offset;  // of the header in the stream
    uint32_t received, expected;
};

class FuzzConnection : public Connection {
  public:
    FuzzConnection(uint32_t checksumMode, const uint8_t* stream)
        : Connection(checksumMode), stream_(stream) {}
    void* DeletingDestructor(uint32_t flags) override { return RunDeletingDestructor(this, flags); }
    uint32_t OnMessage(MessageHeader* header, uint8_t* body) override {
        Record(false, header, body, 0, 0);
        return 1;
    }
    void OnBadChecksum(MessageHeader* header, uint8_t* body, uint32_t received, uint32_t expected) override {
        Record(true, header, body, received, expected);
    }
    void OnDisconnected() override { ++disconnects; }

    std::vector<Event> events;
    int disconnects = 0;
    size_t streamOffsetOfBuffer = 0;  // stream offset of receiveBuffer[0]

  private:
    void Record(bool bad, MessageHeader* header, uint8_t* body, uint32_t received, uint32_t expected) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(header);
        if (bytes < receiveBuffer || body != bytes + 20 ||
            bytes + 20 + header->bodyLength > receiveBuffer + receiveFill)
            std::abort();
        const size_t offset = streamOffsetOfBuffer + size_t(bytes - receiveBuffer);
        // Delivered in place: the bytes are the stream's own.
        if (std::memcmp(bytes, stream_ + offset, 20 + header->bodyLength) != 0) std::abort();
        events.push_back(
            {bad, header->id, header->a, header->b, header->bodyLength, offset, received, expected});
    }
    const uint8_t* stream_;
};

struct Expected {
    std::vector<Event> events;
    size_t consumed = 0;  // bytes taken by complete messages
    bool badMagic = false;
    uint32_t receiveIndex = 0;
};

// The plain parse: what the connection must do with the whole stream.
Expected Parse(const uint8_t* stream, size_t size, bool checksums) {
    Expected out;
    bool keyed = false;
    std::vector<uint32_t> table;
    size_t at = 0;
    while (size - at >= 20) {
        const uint8_t* message = stream + at;
        if (reference::WordAt(message) != 0x01020304) {
            out.badMagic = true;
            break;
        }
        const uint32_t id = reference::WordAt(message + 4);
        const uint32_t length = reference::WordAt(message + 16);
        const uint64_t total = 20ull + length + (checksums ? 4 : 0);
        if (size - at < total) break;
        Event event{false, id, reference::WordAt(message + 8), reference::WordAt(message + 12), length, at,
                    0,     0};
        if (checksums && id != 0x8001000F) {
            const uint32_t sum = reference::ReceiveSum(message, length);
            uint32_t expected = sum ^ reference::kReceiveMask;
            if (keyed) {
                expected = sum ^ table[(out.receiveIndex * sum) % 2048];
                out.receiveIndex += 13;
            }
            const uint32_t received = reference::WordAt(message + 20 + length);
            if (received != expected) {
                event.bad = true;
                event.received = received;
                event.expected = expected;
            } else if (!keyed && id == 0x8002030D) {
                const uint32_t seed = reference::SessionSeed(event.a, event.b);
                table = reference::SessionTable(seed, 2048);
                keyed = true;
                out.receiveIndex = (seed % 2048) * 13;
            }
        }
        out.events.push_back(event);
        at += size_t(total);
    }
    out.consumed = at;
    return out;
}

bool SameEvents(const std::vector<Event>& a, const std::vector<Event>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const Event& x = a[i];
        const Event& y = b[i];
        if (x.bad != y.bad || x.id != y.id || x.a != y.a || x.b != y.b || x.length != y.length ||
            x.offset != y.offset || x.received != y.received || x.expected != y.expected)
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static PosixSocketPlatform sockets;
    PlatformSlot<SocketPlatform>::Install(&sockets);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const bool checksums = data[0] & 1;
    const size_t sizeCount = data[1];
    if (size < 2 + sizeCount) return 0;
    const uint8_t* sizes = data + 2;
    const uint8_t* stream = data + 2 + sizeCount;
    const size_t streamSize = size - 2 - sizeCount;

    const Expected expected = Parse(stream, streamSize, checksums);

    FuzzConnection connection(checksums ? 1 : 0, stream);
    // No socket: the session-mask answer is not sent and a wrong magic closes nothing, so the
    // receive path alone is under test.
    ActiveSocketPlatform().Close(connection.socket);
    connection.socket = kNoSocket;
    connection.state = connection_state::Connected;

    size_t fed = 0;
    size_t turn = 0;
    bool stopped = false;
    while (fed < streamSize) {
        size_t chunk = streamSize - fed;
        if (sizeCount > 0) {
            const uint8_t code = sizes[turn++ % sizeCount];
            if (code < 0xF0) chunk = std::min<size_t>(chunk, code % 64 + 1);
        }
        const uint32_t fillBefore = connection.receiveFill;
        const int32_t result = connection.ReceiveBytes(stream + fed, uint32_t(chunk));
        fed += chunk;
        if (result < 0) {
            stopped = true;
            if (connection.receiveFill != 0) std::abort();
            break;
        }
        if (result != int32_t(chunk)) std::abort();
        // The buffer holds exactly the unconsumed tail of what was fed, from its start.
        const size_t consumedNow = fillBefore + chunk - connection.receiveFill;
        connection.streamOffsetOfBuffer += consumedNow;
        if (connection.streamOffsetOfBuffer + connection.receiveFill != fed) std::abort();
        if (std::memcmp(connection.receiveBuffer, stream + connection.streamOffsetOfBuffer,
                        connection.receiveFill))
            std::abort();
        if (connection.receiveCapacity < connection.receiveFill) std::abort();
    }

    if (!SameEvents(connection.events, expected.events)) std::abort();
    if (stopped != expected.badMagic) std::abort();
    if (!stopped && connection.streamOffsetOfBuffer != expected.consumed) std::abort();
    if (checksums && connection.receiveKeyed && connection.receiveIndex != expected.receiveIndex)
        std::abort();
    return 0;
}
