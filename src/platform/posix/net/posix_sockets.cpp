// The socket operations on POSIX sockets, with the platform's asynchronous-select rules kept in a
// table of the sockets made here (see socket_notifications.h).
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <unordered_map>

#include "net/network_manager.h"
#include "platform/posix/net/socket_notifications.h"

namespace {

// Bytes taken by Send and not yet written, written from the front. The written part is dropped
// only once it is more than half of the buffer, so that draining a large queue a little at a
// time stays linear.
class SendQueue {
  public:
    bool empty() const { return from_ == bytes_.size(); }
    size_t size() const { return bytes_.size() - from_; }
    const uint8_t* data() const { return bytes_.data() + from_; }
    void Append(const uint8_t* bytes, size_t count) { bytes_.insert(bytes_.end(), bytes, bytes + count); }
    void Consume(size_t count) {
        from_ += count;
        if (from_ == bytes_.size()) {
            clear();
        } else if (from_ > bytes_.size() / 2) {
            bytes_.erase(bytes_.begin(), bytes_.begin() + ptrdiff_t(from_));
            from_ = 0;
        }
    }
    void clear() {
        bytes_.clear();
        from_ = 0;
    }

  private:
    std::vector<uint8_t> bytes_;
    size_t from_ = 0;
};

struct SocketState {
    void* window = nullptr;
    uint32_t events = 0;
    bool connecting = false;
    bool connected = false;
    bool readArmed = true;
    bool writeArmed = false;
    bool closeReported = false;
    bool shutdownWhenDrained = false;
    SendQueue queued;
};

std::unordered_map<int, SocketState>& Table() {
    static std::unordered_map<int, SocketState> table;
    return table;
}

int Descriptor(SocketHandle socket) { return socket == kNoSocket ? -1 : int(socket); }

SocketState* StateOf(SocketHandle socket) {
    auto found = Table().find(Descriptor(socket));
    return found == Table().end() ? nullptr : &found->second;
}

// The platform's error numbers, which the notifications carry.
int32_t PlatformError(int error) {
    switch (error) {
    case 0:
        return 0;
    case ECONNREFUSED:
        return 10061;
    case ETIMEDOUT:
        return 10060;
    case ENETUNREACH:
        return 10051;
    case EHOSTUNREACH:
        return 10065;
    case ECONNRESET:
        return 10054;
    default:
        return 10053;  // connection aborted
    }
}

int32_t Notice(uint32_t event, int32_t error) { return int32_t(uint32_t(event) | (uint32_t(error) << 16)); }

// Writes as much of the queue as the socket takes; false when the socket failed.
bool Drain(int fd, SocketState& state) {
    size_t written = 0;
    while (written < state.queued.size()) {
        const ssize_t n =
            ::send(fd, state.queued.data() + written, state.queued.size() - written, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) break;
            state.queued.clear();
            return false;
        }
        written += size_t(n);
    }
    state.queued.Consume(written);
    if (state.queued.empty() && state.shutdownWhenDrained) {
        ::shutdown(fd, SHUT_WR);
        state.shutdownWhenDrained = false;
    }
    return true;
}

uint32_t Waiting(int fd) {
    int count = 0;
    if (fd < 0 || ::ioctl(fd, FIONREAD, &count) != 0 || count < 0) return 0;
    return uint32_t(count);
}

}  // namespace

namespace sockets {

bool Startup() { return true; }
void Cleanup() {}

SocketHandle Create() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return kNoSocket;
    Table()[fd] = SocketState{};
    return SocketHandle(fd);
}

bool AsyncSelect(SocketHandle socket, void* window, uint32_t events) {
    SocketState* state = StateOf(socket);
    if (!state) return false;
    state->window = window;
    state->events = events;
    // Selecting again re-enables the events whose condition already holds.
    state->readArmed = true;
    state->writeArmed = state->connected;
    return true;
}

bool SetReceiveBufferSize(SocketHandle socket, uint32_t bytes) {
    const int size = int(bytes);
    return ::setsockopt(Descriptor(socket), SOL_SOCKET, SO_RCVBUF, &size, sizeof size) == 0;
}

ConnectStart StartConnect(SocketHandle socket, const void* address, int32_t addressLength) {
    SocketState* state = StateOf(socket);
    if (!state) return ConnectStart::Failed;
    // The address record is the platform's: family as a little-endian u16, then port and address
    // in network order, the same bytes as sockaddr_in apart from the family field.
    if (addressLength < int32_t(sizeof(sockaddr_in))) return ConnectStart::Failed;
    sockaddr_in target{};
    std::memcpy(&target, address, sizeof target);
    uint16_t family = 0;
    std::memcpy(&family, address, sizeof family);
    target.sin_family = sa_family_t(family);
    state->connecting = true;
    // A connection already made counts as made at once: its notifications still follow.
    if (::connect(Descriptor(socket), reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0 ||
        errno == EISCONN)
        return ConnectStart::Connected;
    if (errno == EINPROGRESS || errno == EALREADY) return ConnectStart::InProgress;
    state->connecting = false;
    return ConnectStart::Failed;
}

SendResult Send(SocketHandle socket, const SendPiece* pieces, uint32_t count, uint32_t, OverlappedRecord*) {
    const int fd = Descriptor(socket);
    SocketState* state = StateOf(socket);
    if (!state) return SendResult::Failed;
    if (!state->queued.empty() && !Drain(fd, *state)) return SendResult::Failed;
    size_t total = 0;
    for (uint32_t i = 0; i < count; ++i)
        total += pieces[i].length;
    if (!state->queued.empty() && state->queued.size() + uint64_t(total) > kSendQueueLimit) {
        state->queued.clear();
        return SendResult::Failed;
    }
    size_t written = 0;
    if (state->queued.empty()) {
        iovec vectors[8];
        msghdr message{};
        message.msg_iov = vectors;
        message.msg_iovlen = 0;
        for (uint32_t i = 0; i < count && i < 8; ++i) {
            vectors[i].iov_base = const_cast<void*>(pieces[i].data);
            vectors[i].iov_len = pieces[i].length;
            ++message.msg_iovlen;
        }
        ssize_t n;
        do {
            n = ::sendmsg(fd, &message, MSG_NOSIGNAL);
        } while (n < 0 && errno == EINTR);
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return SendResult::Failed;
        written = n < 0 ? 0 : size_t(n);
        if (written == total) return SendResult::Sent;
    }
    // What the socket did not take is copied, so that the caller's pieces may go at once.
    size_t skip = written;
    for (uint32_t i = 0; i < count; ++i) {
        const auto* bytes = static_cast<const uint8_t*>(pieces[i].data);
        const size_t length = pieces[i].length;
        if (skip >= length) {
            skip -= length;
            continue;
        }
        state->queued.Append(bytes + skip, length - skip);
        skip = 0;
    }
    return SendResult::Pending;
}

uint32_t BytesWaiting(SocketHandle socket) { return Waiting(Descriptor(socket)); }

int32_t Receive(SocketHandle socket, void* buffer, uint32_t capacity) {
    if (SocketState* state = StateOf(socket)) state->readArmed = true;
    ssize_t n;
    do {
        n = ::recv(Descriptor(socket), buffer, capacity, 0);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? -1 : int32_t(n);
}

void ShutdownSend(SocketHandle socket) {
    SocketState* state = StateOf(socket);
    if (state && !state->queued.empty()) {
        state->shutdownWhenDrained = true;
        return;
    }
    ::shutdown(Descriptor(socket), SHUT_WR);
}

void Close(SocketHandle socket) {
    const int fd = Descriptor(socket);
    if (fd < 0) return;
    Table().erase(fd);
    ::close(fd);
}

uint32_t TickCount() {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace sockets

SocketHandle AdoptConnectedSocket(int descriptor) {
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) | O_NONBLOCK);
    SocketState state;
    state.connected = true;
    Table()[descriptor] = state;
    return SocketHandle(descriptor);
}

void PollSocketNotifications(void* window, int timeoutMs, std::vector<SocketNotification>& out) {
    std::vector<pollfd> watched;
    for (auto& [fd, state] : Table()) {
        if (state.window != window || !(state.connecting || state.connected)) continue;
        short interest = 0;
        if (state.connecting || !state.queued.empty() ||
            (state.writeArmed && (state.events & socket_event::Write)))
            interest |= POLLOUT;
        if (state.readArmed) interest |= POLLIN;
        if (state.connected && !state.closeReported) interest |= POLLRDHUP;
        // A socket that reported its close is watched only while unread bytes remain.
        if (state.closeReported && !(state.readArmed && Waiting(fd) > 0) && state.queued.empty()) continue;
        if (interest) watched.push_back({fd, interest, 0});
    }
    if (::poll(watched.data(), watched.size(), timeoutMs) <= 0) return;
    for (const pollfd& watch : watched) {
        if (!watch.revents) continue;
        auto found = Table().find(watch.fd);
        if (found == Table().end()) continue;
        SocketState& state = found->second;
        const SocketHandle socket = SocketHandle(watch.fd);
        if (state.connecting) {
            if (!(watch.revents & (POLLOUT | POLLERR | POLLHUP))) continue;
            int error = 0;
            socklen_t length = sizeof error;
            ::getsockopt(watch.fd, SOL_SOCKET, SO_ERROR, &error, &length);
            state.connecting = false;
            state.connected = error == 0;
            state.writeArmed = state.connected;
            if (state.events & socket_event::Connect)
                out.push_back({socket, Notice(socket_event::Connect, PlatformError(error))});
            continue;
        }
        if ((watch.revents & POLLOUT) && !state.queued.empty()) {
            if (Drain(watch.fd, state) && state.queued.empty()) state.writeArmed = true;
        }
        if ((watch.revents & POLLOUT) && state.writeArmed && (state.events & socket_event::Write) &&
            state.queued.empty()) {
            state.writeArmed = false;
            out.push_back({socket, Notice(socket_event::Write, 0)});
        }
        if ((watch.revents & POLLIN) && state.readArmed && (state.events & socket_event::Read) &&
            Waiting(watch.fd) > 0) {
            state.readArmed = false;
            out.push_back({socket, Notice(socket_event::Read, 0)});
        }
        if ((watch.revents & (POLLRDHUP | POLLHUP | POLLERR)) && state.connected && !state.closeReported) {
            state.closeReported = true;
            int error = 0;
            socklen_t length = sizeof error;
            if (watch.revents & POLLERR) ::getsockopt(watch.fd, SOL_SOCKET, SO_ERROR, &error, &length);
            if (state.events & socket_event::Close)
                out.push_back({socket, Notice(socket_event::Close, PlatformError(error))});
        }
    }
}

int PumpSocketNotifications(NetworkManager& manager, int timeoutMs) {
    std::vector<SocketNotification> notifications;
    PollSocketNotifications(manager.window, timeoutMs, notifications);
    for (const SocketNotification& notification : notifications)
        manager.Dispatch(uint32_t(notification.socket), notification.lParam);
    return int(notifications.size());
}
