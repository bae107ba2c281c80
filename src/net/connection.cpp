#include "net/connection.h"

#include <bit>
#include <cstring>
#include <new>

#include "net/checksum.h"
#include "net/life_watch.h"
#include "net/mask_table.h"
#include "net/message_splitter.h"
#include "net/network_manager.h"

static_assert(std::endian::native == std::endian::little, "the wire format is the machine's own byte order");

namespace {
// Receive buffers cross the module boundary: a game module builds its connections with its own
// code and the host grows and frees their buffers, and the reverse. They come from the program's
// operator new, which on Windows takes the process heap, the one heap every side has.
uint8_t* AllocateReceiveBuffer(uint64_t bytes) {
    return static_cast<uint8_t*>(::operator new(size_t(bytes), std::nothrow));
}
void ReleaseReceiveBuffer(uint8_t* buffer) { ::operator delete(buffer); }
}  // namespace

Connection::Connection(uint32_t checksumMode)
    : socket(kNoSocket), sendOverlapped{}, receiveBuffer(nullptr), receiveCapacity(0), receiveFill(0),
      reserved1(0), manager(nullptr), state(connection_state::NotConnected),
      createdAt(ActiveSocketPlatform().TickCount()), lastReceiveAt(createdAt), reserved2(0),
      maskTable(nullptr), ChecksumMode(checksumMode), receiveKeyed(0), sendKeyed(0), reserved3(0),
      receiveIndex(0), sendIndex(0), reserved4(0) {
    // A failed allocation leaves an empty buffer; the first read grows it to what it needs.
    receiveBuffer = AllocateReceiveBuffer(kBaseBufferSize);
    if (receiveBuffer) receiveCapacity = kBaseBufferSize;
    socket = ActiveSocketPlatform().Create();
}

Connection::~Connection() {
    LifeWatch::NoteDestroyed(this);
    if (state != connection_state::NotConnected && socket != kNoSocket) {
        ActiveSocketPlatform().ShutdownSend(socket);
        CloseSocket();
        state = connection_state::NotConnected;
    }
    ReleaseReceiveBuffer(receiveBuffer);
    receiveBuffer = nullptr;
    if (socket != kNoSocket) CloseSocket();
    if (maskTable) maskTable->DeletingDestructor(kDeleteMemory);
    maskTable = nullptr;
}

void* Connection::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

void Connection::OnReservedSlot0(uint32_t, uint32_t, uint32_t, uint32_t) {}
void Connection::OnBadChecksum(MessageHeader*, uint8_t*, uint32_t, uint32_t) {}
void Connection::OnConnected() {}
void Connection::OnDisconnected() {}
uint32_t Connection::OnMessage(MessageHeader*, uint8_t*) { return 1; }

void Connection::Unregister() {
    if (manager) manager->Unregister(socket);
}

void Connection::CloseSocket() {
    ActiveSocketPlatform().Close(socket);
    Unregister();
    socket = kNoSocket;
}

bool Connection::CloseAfterNotice() {
    if (state == connection_state::NotConnected || socket == kNoSocket) return true;
    {
        LifeWatch watch(this);
        OnDisconnected();
        if (watch.Destroyed()) return false;
    }
    if (socket != kNoSocket) {
        ActiveSocketPlatform().ShutdownSend(socket);
        CloseSocket();
    }
    state = connection_state::NotConnected;
    // What arrived for the closed session belongs to no message of a later one.
    receiveFill = 0;
    return true;
}

uint32_t Connection::Connect(NetworkManager* networkManager, const void* address, int32_t addressLength) {
    if (!networkManager || state != connection_state::NotConnected) return 0;
    manager = networkManager;
    if (socket == kNoSocket) {
        socket = ActiveSocketPlatform().Create();
        if (socket == kNoSocket) return 0;
    }
    if (!ActiveSocketPlatform().AsyncSelect(socket, manager->window, socket_event::Connect)) return 0;
    if (!ActiveSocketPlatform().SetReceiveBufferSize(socket, kSocketBufferSize)) {
        CloseSocket();
        return 0;
    }
    // Bytes left from an earlier session on this object belong to no message of the new one.
    receiveFill = 0;
    manager->Register(socket, this);
    // An immediate success is still announced by the connect and write notifications. An
    // immediate refusal is a failure: no notification would ever report it.
    if (ActiveSocketPlatform().StartConnect(socket, address, addressLength) != ConnectStart::Failed) return 1;
    Unregister();
    return 0;
}

bool Connection::SelectEvents(uint32_t events) {
    if (!manager || socket == kNoSocket) return false;
    return ActiveSocketPlatform().AsyncSelect(socket, manager->window, events);
}

uint32_t Connection::SendTrailer(const MessageHeader& header, const void* body, uint32_t length) {
    const uint32_t sum = ChecksumSum(kSendWeights, reinterpret_cast<const uint8_t*>(&header),
                                     static_cast<const uint8_t*>(body), length);
    if (!sendKeyed || !maskTable) return sum ^ SendMask;
    const uint32_t mask = maskTable->Entry(uint32_t(sendIndex * sum) % maskTable->entryCount);
    sendIndex += kSendIndexStep;
    return sum ^ mask;
}

uint32_t Connection::ExpectedTrailer(const uint8_t* message, uint32_t length) {
    const uint32_t sum = ChecksumSum(kReceiveWeights, message, message + kHeaderSize, length);
    if (!receiveKeyed || !maskTable) return sum ^ ReceiveMask;
    const uint32_t mask = maskTable->Entry(uint32_t(receiveIndex * sum) % maskTable->entryCount);
    receiveIndex += kReceiveIndexStep;
    return sum ^ mask;
}

uint32_t Connection::SendMessage(uint32_t id, uint32_t a, uint32_t b, const void* body, uint32_t length,
                                 uint32_t sendFlags) {
    if (socket == kNoSocket) return 0;
    const MessageHeader header{FrameMagic, id, a, b, length};
    uint32_t trailer = 0;
    SendPiece pieces[3] = {{&header, kHeaderSize}, {body, length}, {&trailer, kTrailerSize}};
    uint32_t count = 2;
    if (ChecksumMode) {
        trailer = id == message_id::EchoAnswer ? id : SendTrailer(header, body, length);
        if (length == 0) {
            pieces[1] = pieces[2];
        } else {
            count = 3;
        }
    }
    if (ActiveSocketPlatform().Send(socket, pieces, count, sendFlags, &sendOverlapped) != SendResult::Failed)
        return 1;
    CloseAfterNotice();
    return 0;
}

void Connection::EnableSessionMasks(uint32_t enable, uint32_t a, uint32_t b) {
    if (maskTable) maskTable->DeletingDestructor(kDeleteMemory);
    maskTable = nullptr;
    if (!enable) {
        receiveKeyed = 0;
        sendKeyed = 0;
        return;
    }
    const uint32_t seed = (a ^ SendMask) + (b ^ ReceiveMask) * 17u;
    maskTable = new SessionMaskTable(kSessionTableEntries);
    maskTable->Reseed(seed, 0);
    receiveKeyed = 1;
    sendKeyed = 1;
    receiveIndex = (seed % kSessionTableEntries) * kReceiveIndexStep;
    sendIndex = (seed % kSessionTableEntries) * kSendIndexStep;
    SendMessage(message_id::SessionMasksOn, 0, 0, nullptr, 0, 0);
}

bool Connection::MakeRoomFor(uint32_t waiting) {
    const uint64_t need = uint64_t(receiveFill) + waiting;
    uint64_t newCapacity = 0;
    if (need > receiveCapacity) {
        newCapacity = need;
    } else if (receiveCapacity > kBaseBufferSize && need < kShrinkThreshold) {
        newCapacity = kBaseBufferSize;
    } else {
        return true;
    }
    if (newCapacity > UINT32_MAX || newCapacity > SIZE_MAX) return false;
    uint8_t* grown = AllocateReceiveBuffer(newCapacity);
    if (!grown) return need <= receiveCapacity;  // shrinking is only an economy
    if (receiveFill) std::memcpy(grown, receiveBuffer, receiveFill);
    ReleaseReceiveBuffer(receiveBuffer);
    receiveBuffer = grown;
    receiveCapacity = uint32_t(newCapacity);
    return true;
}

int32_t Connection::ReceiveAvailable() {
    if (LifeWatch::TakeEndedSession(this)) receiveFill = 0;
    lastReceiveAt = ActiveSocketPlatform().TickCount();
    const uint32_t waiting = ActiveSocketPlatform().BytesWaiting(socket);
    if (waiting == 0) return 0;
    if (!MakeRoomFor(waiting)) {
        // A message this large cannot be held: the stream cannot go on.
        receiveFill = 0;
        CloseAfterNotice();
        return -1;
    }
    const int32_t read =
        ActiveSocketPlatform().Receive(socket, receiveBuffer + receiveFill, receiveCapacity - receiveFill);
    if (read < 0) return -1;
    receiveFill += uint32_t(read);
    return DeliverReceived() ? read : -1;
}

int32_t Connection::ReceiveBytes(const uint8_t* data, uint32_t length) {
    if (LifeWatch::TakeEndedSession(this)) receiveFill = 0;
    lastReceiveAt = ActiveSocketPlatform().TickCount();
    if (length == 0) return 0;
    if (!MakeRoomFor(length)) {
        receiveFill = 0;
        CloseAfterNotice();
        return -1;
    }
    std::memcpy(receiveBuffer + receiveFill, data, length);
    receiveFill += length;
    return DeliverReceived() ? int32_t(length) : -1;
}

bool Connection::DeliverReceived() {
    uint32_t consumed = 0;
    while (consumed < receiveFill) {
        uint8_t* message = receiveBuffer + consumed;
        const FrameCheck frame = InspectFrame(message, receiveFill - consumed, ChecksumMode != 0);
        if (frame.status == FrameStatus::Incomplete) break;
        if (frame.status == FrameStatus::BadMagic) {
            // Nothing behind a broken header can be trusted, now or after a new Connect.
            receiveFill = 0;
            CloseAfterNotice();
            return false;
        }
        auto* header = reinterpret_cast<MessageHeader*>(message);
        uint8_t* body = message + kHeaderSize;
        const uint32_t id = header->id;
        const uint32_t length = header->bodyLength;
        consumed += uint32_t(frame.size);
        // Each handler call, and the session answer (whose failed send closes the connection
        // through OnDisconnected), is watched on its own: a handler may close the connection,
        // connect it again or delete it.
        bool deliver = true;
        if (ChecksumMode && id != message_id::EchoRequest) {
            const uint32_t received = ReadLittleEndian32(body + length);
            const uint32_t expected = ExpectedTrailer(message, length);
            if (received != expected) {
                deliver = false;
                LifeWatch watch(this);
                OnBadChecksum(header, body, received, expected);
                if (watch.StopReading()) return false;
            } else if (!receiveKeyed && id == message_id::SessionMaskSeed) {
                LifeWatch watch(this);
                EnableSessionMasks(1, header->a, header->b);
                if (watch.StopReading()) return false;
            }
        }
        if (deliver) {
            LifeWatch watch(this);
            OnMessage(header, body);
            if (watch.StopReading()) return false;
        }
    }
    // A handler that closed the connection or started a new session on this object has emptied
    // the buffer already.
    if (consumed > receiveFill) return true;
    // The unfinished message moves to the front, where the next read completes it.
    if (consumed > 0) {
        std::memmove(receiveBuffer, receiveBuffer + consumed, receiveFill - consumed);
        receiveFill -= consumed;
    }
    return true;
}
