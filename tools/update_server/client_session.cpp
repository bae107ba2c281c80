#include "client_session.h"

#include <cstdio>

#include "disk_workers.h"
#include "endpoint_text.h"
#include "release_scanner.h"
#include "server_options.h"
#include "server_stats.h"

namespace {

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

std::string PeerText(const asio::ip::tcp::socket& socket) {
    asio::error_code error;
    const auto endpoint = socket.remote_endpoint(error);
    return error ? "unknown-peer" : EndpointText(endpoint);
}

}  // namespace

ClientSession::ClientSession(asio::ip::tcp::socket socket, SessionHost& host)
    : socket_(std::move(socket)), timer_(socket_.get_executor()), host_(host),
      protocol_(host.Options().refuseSessions) {}

void ClientSession::Start() {
    startedAt_ = std::chrono::steady_clock::now();
    peer_ = PeerText(socket_);
    asio::error_code ignored;
    socket_.set_option(asio::ip::tcp::no_delay(true), ignored);
    replies_.push_back(protocol_.Opening());
    ArmTimer(host_.Options().timeout);
    Read();
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
    if (ended_) {
        // Lingering after the last message: the client closing (or anything else) ends it.
        Close();
        return;
    }
    if (error) {
        End(Ending::Dropped, error == asio::error::eof ? "client closed the connection"
                                                       : "receive failed: " + error.message());
        Close();
        return;
    }
    SessionProtocol::Step step = protocol_.Receive(readBuffer_.data(), length);
    if (protocol_.Phase() == SessionPhase::Failed) {
        End(Ending::Dropped, protocol_.Error());
        Close();
        return;
    }
    if (!step.replies.empty() || step.fileListArrived) ArmTimer(host_.Options().timeout);
    for (auto& reply : step.replies)
        replies_.push_back(std::move(reply));
    refusalQueued_ = refusalQueued_ || step.refused;
    if (step.fileListArrived) StartUpdate();
    Pump();
    Read();
}

void ClientSession::StartUpdate() {
    host_.Releases().Request([self = shared_from_this()](std::shared_ptr<const ReleaseSnapshot> snapshot) {
        if (self->closed_) return;
        if (!snapshot) {
            self->End(Ending::Error, "the release folder cannot be read");
            self->Close();
            return;
        }
        self->sender_.emplace(PlanUpdate(std::move(snapshot), self->protocol_.FileList()),
                              self->host_.Options().chunkSize);
        self->Pump();
    });
}

void ClientSession::Pump() {
    if (writing_ || filling_ || closed_) return;
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
    if (outgoing_.empty()) return;
    writing_ = true;
    asio::async_write(
        socket_, asio::buffer(outgoing_),
        [self = shared_from_this()](const asio::error_code& error, size_t) { self->OnWritten(error); });
}

void ClientSession::OnWritten(const asio::error_code& error) {
    writing_ = false;
    if (closed_) return;
    if (error) {
        End(Ending::Dropped, "send failed: " + error.message());
        Close();
        return;
    }
    ServerStats& stats = host_.Stats();
    stats.filesSent += filesInFlight_;
    stats.bytesSent += bytesInFlight_;
    filesDelivered_ += filesInFlight_;
    bytesDelivered_ += bytesInFlight_;
    filesInFlight_ = 0;
    bytesInFlight_ = 0;
    if (ended_) return;
    ArmTimer(host_.Options().timeout);
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

void ClientSession::ArmTimer(std::chrono::milliseconds delay) {
    timer_.expires_after(delay);
    timer_.async_wait([self = shared_from_this()](const asio::error_code& error) {
        if (error || self->closed_) return;
        if (!self->ended_) {
            const auto seconds = std::chrono::duration<double>(self->host_.Options().timeout).count();
            char text[64];
            std::snprintf(text, sizeof text, "no progress for %.1f s", seconds);
            self->End(Ending::Dropped, text);
        }
        self->Close();
    });
}

void ClientSession::End(Ending ending, const std::string& detail) {
    if (ended_) return;
    ended_ = true;
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
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - startedAt_).count();
    char figures[160];
    std::snprintf(figures, sizeof figures, " files=%u/%u bytes=%llu time=%.3fs", filesDelivered_,
                  sender_ ? sender_->FileCount() : 0u, static_cast<unsigned long long>(bytesDelivered_),
                  seconds);
    std::string line = "session " + peer_ + " " + HelloName(protocol_.Hello()) + " " + outcome + figures;
    if (!detail.empty()) line += " (" + detail + ")";
    host_.LogSession(line);
    // The last message is out: give the client the close delay to read it and close first.
    if (ending == Ending::Complete || ending == Ending::Refused) ArmTimer(host_.Options().closeDelay);
}

void ClientSession::Close() {
    if (closed_) return;
    closed_ = true;
    asio::error_code ignored;
    timer_.cancel();
    socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
    if (!filling_) sender_.reset();
    host_.Released(*this);
}
