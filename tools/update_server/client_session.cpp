#include "client_session.h"

#include <cstdio>

#include "buffer_pool.h"
#include "disk_workers.h"
#include "endpoint_text.h"
#include "proxy_header.h"
#include "release_scanner.h"
#include "server_options.h"
#include "server_stats.h"

namespace {

// What a lingering session reads at a time, only to throw it away.
constexpr size_t kDiscardSize = 512;

const char* HelloName(HelloKind kind) {
    switch (kind) {
    case HelloKind::StartScreen:
        return "start-screen";
    case HelloKind::GenericClient:
        return "generic-client";
    default:
        return "no-hello";
    }
}

asio::ip::tcp::endpoint SourceEndpoint(const ProxySource& source) {
    if (source.ipv6) return {asio::ip::address_v6(source.address), source.port};
    asio::ip::address_v4::bytes_type bytes;
    std::copy_n(source.address.begin(), bytes.size(), bytes.begin());
    return {asio::ip::address_v4(bytes), source.port};
}

}  // namespace

ClientSession::ClientSession(asio::ip::tcp::socket socket, SessionHost& host)
    : socket_(std::move(socket)), timer_(socket_.get_executor()), host_(host),
      protocol_(host.Options().refuseSessions) {}

void ClientSession::Start() {
    startedAt_ = Clock::now();
    const ServerOptions& options = host_.Options();
    asio::error_code error;
    const asio::ip::tcp::endpoint peer = socket_.remote_endpoint(error);
    peer_ = error ? "unknown-peer" : EndpointText(peer);
    socket_.set_option(asio::ip::tcp::no_delay(true), error);
    // The kernel would otherwise grow the buffer of a client that stops reading to megabytes.
    if (options.sendBuffer != 0)
        socket_.set_option(asio::socket_base::send_buffer_size(int(options.sendBuffer)), error);
    readBuffer_ = host_.ReadBuffers().Take();
    readBuffer_.resize(kReadBufferSize);
    outgoing_ = host_.OutputBuffers().Take();
    SetDeadline(options.helloTimeout);
    if (options.proxyProtocol) {
        // The proxy names the player first; nothing is sent before that.
        awaitingProxy_ = true;
        Read();
        return;
    }
    Begin(peer.address());
    if (!closed_) Read();
}

void ClientSession::Begin(const asio::ip::address& address) {
    const std::string key = address.to_string();
    if (!host_.Admit(key)) {
        End(Ending::TurnedAway,
            "the address has " + std::to_string(host_.Options().maxPerAddress) + " sessions already");
        Close();
        return;
    }
    admitted_ = true;
    address_ = key;
    replies_.push_back(protocol_.Opening());
    Pump();
}

void ClientSession::Stop() {
    End(Ending::Stopped, "server stopping");
    Close();
}

void ClientSession::Read() {
    if (closed_) return;
    socket_.async_read_some(asio::buffer(readBuffer_),
                            [self = shared_from_this()](const asio::error_code& error, size_t length) {
                                self->OnRead(error, length);
                            });
}

void ClientSession::OnRead(const asio::error_code& error, size_t length) {
    if (closed_) return;
    if (lingering_) {
        // The read that was pending when the session finished: cancelled, or the client's end.
        if (error && error != asio::error::operation_aborted) return Close();
        return WaitForClose();
    }
    if (error) {
        End(Ending::Dropped, error == asio::error::eof ? "client closed the connection"
                                                       : "receive failed: " + error.message());
        Close();
        return;
    }
    const uint8_t* data = readBuffer_.data();
    if (awaitingProxy_ && !TakeProxyHeader(data, length)) return;
    SessionProtocol::Step step = protocol_.Receive(data, length);
    if (protocol_.Phase() == SessionPhase::Failed) {
        End(Ending::Dropped, protocol_.Error());
        Close();
        return;
    }
    if (!step.replies.empty() || step.fileListArrived) SetDeadline(host_.Options().timeout);
    for (auto& reply : step.replies)
        replies_.push_back(std::move(reply));
    refusalQueued_ = refusalQueued_ || step.refused;
    if (step.fileListArrived) StartUpdate();
    Pump();
    Read();
}

bool ClientSession::TakeProxyHeader(const uint8_t*& data, size_t& length) {
    const size_t before = proxyHeader_.size();
    const size_t taken = std::min(length, kLongestProxyHeader - before);
    proxyHeader_.insert(proxyHeader_.end(), data, data + taken);
    const ProxyHeaderResult header = ParseProxyHeader(proxyHeader_.data(), proxyHeader_.size());
    switch (header.status) {
    case ProxyHeaderStatus::Incomplete:
        Read();
        return false;
    case ProxyHeaderStatus::Invalid:
        End(Ending::Dropped, header.error);
        Close();
        return false;
    case ProxyHeaderStatus::Local:
        // The proxy's health check: it has seen the server accept, which is all it asks.
        ended_ = true;
        Close();
        return false;
    case ProxyHeaderStatus::Proxied:
        break;
    }
    const size_t headerBytesOfThisRead = header.consumed - before;
    data += headerBytesOfThisRead;
    length -= headerBytesOfThisRead;
    awaitingProxy_ = false;
    proxyHeader_ = {};
    asio::error_code error;
    asio::ip::tcp::endpoint source = socket_.remote_endpoint(error);
    if (header.source.known) {
        source = SourceEndpoint(header.source);
        peer_ = EndpointText(source);
    }
    Begin(source.address());
    return !closed_;
}

bool ClientSession::WaitingForHello() const {
    return awaitingProxy_ || protocol_.Phase() == SessionPhase::AwaitingHello;
}

void ClientSession::StartUpdate() {
    host_.Releases().Request([self = shared_from_this()](std::shared_ptr<const ReleaseSnapshot> snapshot) {
        if (self->closed_) return;
        if (!snapshot) {
            self->End(Ending::Error, "the release folder cannot be read");
            self->Close();
            return;
        }
        // Taken, not copied: the list is freed as soon as the update is planned.
        const std::vector<ClientFile> listed = self->protocol_.TakeFileList();
        self->sender_.emplace(PlanUpdate(std::move(snapshot), listed), self->host_.Options().chunkSize);
        self->Pump();
    });
}

void ClientSession::Pump() {
    if (writing_ || filling_ || closed_) return;
    if (written_ < outgoing_.size()) return Write();
    written_ = 0;
    outgoing_.clear();
    for (const auto& reply : replies_)
        outgoing_.insert(outgoing_.end(), reply.begin(), reply.end());
    replies_.clear();
    if (sender_ && !sender_->Finished() && !ended_) {
        const size_t base = outgoing_.size();
        outgoing_.resize(base + sender_->BufferSize());
        filling_ = true;
        host_.Disk().Run(
            [self = shared_from_this(), base] {
                self->filled_ =
                    self->sender_->Fill(self->outgoing_.data() + base, self->sender_->BufferSize());
            },
            [self = shared_from_this(), base, files = sender_->FilesCompleted(),
             bytes = sender_->ContentBytes()] { self->OnFilled(base, files, bytes); });
        return;
    }
    Write();
}

void ClientSession::OnFilled(size_t base, uint32_t filesBefore, uint64_t bytesBefore) {
    filling_ = false;
    if (closed_) {
        sender_.reset();
        return;
    }
    if (lingering_) return LetGoOfUpdate();
    outgoing_.resize(base + filled_);
    if (!sender_->Error().empty()) {
        End(Ending::Error, sender_->Error());
        Close();
        return;
    }
    filesInFlight_ = sender_->FilesCompleted() - filesBefore;
    bytesInFlight_ = sender_->ContentBytes() - bytesBefore;
    Write();
}

void ClientSession::Write() {
    if (written_ == outgoing_.size()) return;
    writing_ = true;
    // A write of what the kernel takes now, not of the whole buffer: every byte taken is progress,
    // so a client reading slowly but steadily is not mistaken for one that stopped.
    socket_.async_write_some(asio::buffer(outgoing_.data() + written_, outgoing_.size() - written_),
                             [self = shared_from_this()](const asio::error_code& error, size_t length) {
                                 self->OnWritten(error, length);
                             });
}

void ClientSession::OnWritten(const asio::error_code& error, size_t length) {
    writing_ = false;
    if (closed_) return;
    if (error) {
        End(Ending::Dropped, "send failed: " + error.message());
        Close();
        return;
    }
    written_ += length;
    if (ended_) return;
    if (length > 0 && !WaitingForHello()) SetDeadline(host_.Options().timeout);
    if (written_ < outgoing_.size()) return Write();
    ServerStats& stats = host_.Stats();
    stats.filesSent += filesInFlight_;
    stats.bytesSent += bytesInFlight_;
    filesDelivered_ += filesInFlight_;
    bytesDelivered_ += bytesInFlight_;
    filesInFlight_ = 0;
    bytesInFlight_ = 0;
    if (refusalQueued_ && replies_.empty()) {
        End(Ending::Refused, "");
        return;
    }
    if (sender_ && sender_->Finished() && replies_.empty()) {
        End(Ending::Complete, "");
        return;
    }
    Pump();
}

void ClientSession::SetDeadline(std::chrono::milliseconds allowed) {
    allowed_ = allowed;
    deadline_ = Clock::now() + allowed;
    // A timer that fires before the new deadline finds it moved and waits again; re-arming it at
    // every write would cost a timer operation per write.
    if (timerArmed_ && timer_.expiry() <= deadline_) return;
    WaitForDeadline();
}

void ClientSession::WaitForDeadline() {
    timerArmed_ = true;
    timer_.expires_at(deadline_);
    timer_.async_wait([self = shared_from_this()](const asio::error_code& error) {
        if (!error) self->OnDeadline();
    });
}

void ClientSession::OnDeadline() {
    timerArmed_ = false;
    if (closed_) return;
    if (Clock::now() < deadline_) return WaitForDeadline();
    if (!ended_) {
        const double seconds = std::chrono::duration<double>(allowed_).count();
        char text[64];
        std::snprintf(text, sizeof text, "%s for %.1f s", WaitingForHello() ? "no hello" : "no progress",
                      seconds);
        End(Ending::Dropped, text);
    }
    Close();
}

void ClientSession::End(Ending ending, const std::string& detail) {
    if (ended_) return;
    ended_ = true;
    if (admitted_) {
        admitted_ = false;
        host_.Leave(address_);
    }
    ServerStats& stats = host_.Stats();
    const char* outcome = "complete";
    switch (ending) {
    case Ending::Complete:
        ++stats.sessionsComplete;
        break;
    case Ending::Refused:
        ++stats.refusals;
        outcome = "refused";
        break;
    case Ending::Dropped:
        ++stats.dropped;
        outcome = "dropped";
        break;
    case Ending::Error:
        ++stats.errors;
        outcome = "error";
        break;
    case Ending::Stopped:
        ++stats.dropped;
        outcome = "stopped";
        break;
    case Ending::TurnedAway:
        ++stats.turnedAway;
        outcome = "turned-away";
        break;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - startedAt_).count();
    char figures[160];
    std::snprintf(figures, sizeof figures, " files=%u/%u bytes=%llu time=%.3fs", filesDelivered_,
                  sender_ ? sender_->FileCount() : 0u, static_cast<unsigned long long>(bytesDelivered_),
                  seconds);
    std::string line = "session " + peer_ + " " + HelloName(protocol_.Hello()) + " " + outcome + figures;
    if (!detail.empty()) line += " (" + detail + ")";
    host_.LogSession(line);
    if (ending == Ending::Complete || ending == Ending::Refused) Linger();
}

void ClientSession::Linger() {
    lingering_ = true;
    // Only the socket stays: the update, its buffers and the read buffer are not needed again.
    // A fill still out owns the sender and the output buffer; they go when it returns.
    if (!filling_) LetGoOfUpdate();
    replies_ = {};
    host_.Finished(*this);
    if (closed_) return;  // the server had no room for one more lingering session
    SetDeadline(host_.Options().closeDelay);
    // The pending read holds the read buffer; its cancellation moves the session to a wait that
    // needs none.
    asio::error_code ignored;
    socket_.cancel(ignored);
}

void ClientSession::LetGoOfUpdate() {
    sender_.reset();
    host_.OutputBuffers().Give(std::exchange(outgoing_, {}));
    written_ = 0;
}

void ClientSession::WaitForClose() {
    host_.ReadBuffers().Give(std::exchange(readBuffer_, {}));
    asio::error_code ignored;
    socket_.non_blocking(true, ignored);
    socket_.async_wait(asio::socket_base::wait_read,
                       [self = shared_from_this()](const asio::error_code& error) {
                           if (self->closed_) return;
                           if (error) return self->Close();
                           std::array<uint8_t, kDiscardSize> discarded;
                           asio::error_code readError;
                           self->socket_.read_some(asio::buffer(discarded), readError);
                           if (readError && readError != asio::error::would_block) return self->Close();
                           self->WaitForClose();
                       });
}

void ClientSession::Close() {
    if (closed_) return;
    closed_ = true;
    if (admitted_) {
        admitted_ = false;
        host_.Leave(address_);
    }
    asio::error_code ignored;
    timer_.cancel();
    socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
    if (!filling_) sender_.reset();
    host_.Released(*this);
}
