#include "update_server.h"

#include <sstream>

namespace {

// After a failed accept (out of descriptors, say) the server waits this long before it tries again.
constexpr std::chrono::milliseconds kAcceptRetryDelay{100};
// Threads reading file content: enough that a few slow reads leave others going; reads are short,
// so more would only compete for the disk.
constexpr size_t kDiskThreads = 4;

void Metric(std::ostringstream& out, const char* name, const char* type, const char* help, uint64_t value) {
    out << "# HELP " << name << ' ' << help << "\n# TYPE " << name << ' ' << type << '\n'
        << name << ' ' << value << '\n';
}

}  // namespace

UpdateServer::UpdateServer(asio::io_context& io, ServerOptions options, LogSink log)
    : UpdateServer(io, std::move(options), std::move(log), std::make_shared<PosixReleaseFileSystem>()) {}

UpdateServer::UpdateServer(asio::io_context& io, ServerOptions options, LogSink log,
                           std::shared_ptr<ReleaseFileSystem> files)
    : options_(std::move(options)), log_(std::move(log)), files_(std::move(files)),
      scanner_(io, options_.folder, *files_, options_.followOutsideLinks, options_.rescanInterval,
               [this](const std::string& text) { log_(text); }),
      disk_(io, kDiskThreads), acceptor_(io), acceptRetry_(io), readBuffers_(options_.maxClients),
      outputBuffers_(options_.maxClients) {}

UpdateServer::~UpdateServer() { Stop(); }

bool UpdateServer::Start(std::string& error) {
    if (!scanner_.Start()) {
        error = "cannot read the release folder " + options_.folder;
        return false;
    }
    asio::error_code code;
    const auto address = asio::ip::make_address(options_.address, code);
    if (code) {
        error = "bad address " + options_.address + ": " + code.message();
        return false;
    }
    const asio::ip::tcp::endpoint endpoint(address, options_.port);
    acceptor_.open(endpoint.protocol(), code);
    if (!code) acceptor_.set_option(asio::ip::tcp::acceptor::reuse_address(true), code);
    if (!code) acceptor_.bind(endpoint, code);
    if (!code) acceptor_.listen(asio::socket_base::max_listen_connections, code);
    if (code) {
        error = "cannot listen on " + options_.address + ":" + std::to_string(options_.port) + ": " +
                code.message();
        return false;
    }
    Accept();
    return true;
}

asio::ip::tcp::endpoint UpdateServer::Endpoint() const {
    asio::error_code ignored;
    return acceptor_.local_endpoint(ignored);
}

void UpdateServer::Accept() {
    if (stopping_ || accepting_ || sessions_.size() >= options_.maxClients) return;
    accepting_ = true;
    acceptor_.async_accept([this](const asio::error_code& error, asio::ip::tcp::socket socket) {
        accepting_ = false;
        if (stopping_) return;
        if (error) {
            if (error == asio::error::operation_aborted) return;
            log_("accept failed: " + error.message());
            acceptRetry_.expires_after(kAcceptRetryDelay);
            acceptRetry_.async_wait([this](const asio::error_code& waited) {
                if (!waited) Accept();
            });
            return;
        }
        auto session = std::make_shared<ClientSession>(std::move(socket), *this);
        sessions_.emplace(session.get(), session);
        ++stats_.sessionsTotal;
        stats_.sessionsActive = sessions_.size();
        session->Start();
        Accept();
    });
}

void UpdateServer::Released(ClientSession& session) {
    // The session object lives on in the handlers still queued for it.
    sessions_.erase(&session);
    if (const auto found = lingeringAt_.find(&session); found != lingeringAt_.end()) {
        lingering_.erase(found->second);
        lingeringAt_.erase(found);
    }
    stats_.sessionsActive = sessions_.size();
    stats_.sessionsLingering = lingering_.size();
    Accept();
}

void UpdateServer::Finished(ClientSession& session) {
    const auto found = sessions_.find(&session);
    if (found == sessions_.end()) return;
    lingering_.push_back(std::move(found->second));
    lingeringAt_.emplace(&session, std::prev(lingering_.end()));
    sessions_.erase(found);
    // Lingering costs a descriptor each: past the cap the oldest goes, which has had the longest
    // to read its last message.
    while (lingering_.size() > options_.maxLingering) {
        const std::shared_ptr<ClientSession> oldest = lingering_.front();
        oldest->Stop();
    }
    stats_.sessionsActive = sessions_.size();
    stats_.sessionsLingering = lingering_.size();
    Accept();
}

bool UpdateServer::Admit(const std::string& address) {
    uint32_t& served = servedPerAddress_[address];
    if (served >= options_.maxPerAddress) {
        if (served == 0) servedPerAddress_.erase(address);
        return false;
    }
    ++served;
    return true;
}

void UpdateServer::Leave(const std::string& address) {
    const auto found = servedPerAddress_.find(address);
    if (found == servedPerAddress_.end()) return;
    if (--found->second == 0) servedPerAddress_.erase(found);
}

void UpdateServer::Stop() {
    if (stopping_) return;
    stopping_ = true;
    asio::error_code ignored;
    acceptor_.close(ignored);
    acceptRetry_.cancel();
    auto sessions = sessions_;
    for (auto& [pointer, session] : sessions)
        session->Stop();
    const auto lingering = lingering_;
    for (const auto& session : lingering)
        session->Stop();
    sessions_.clear();
    lingering_.clear();
    lingeringAt_.clear();
    stats_.sessionsActive = 0;
    stats_.sessionsLingering = 0;
    scanner_.Stop();
    disk_.Stop();
}

void UpdateServer::LogSession(const std::string& line) {
    if (!options_.quiet) log_(line);
}

std::string UpdateServer::SummaryText() const {
    std::ostringstream out;
    out << "sessions " << stats_.sessionsTotal << " (complete " << stats_.sessionsComplete << ", refused "
        << stats_.refusals << ", dropped " << stats_.dropped << ", errors " << stats_.errors << "), files "
        << stats_.filesSent << ", bytes " << stats_.bytesSent;
    return out.str();
}

std::string UpdateServer::MetricsText() const {
    std::ostringstream out;
    Metric(out, "update_server_sessions_active", "gauge", "Client sessions being served now.",
           stats_.sessionsActive);
    Metric(out, "update_server_sessions_total", "counter", "Client connections taken since start.",
           stats_.sessionsTotal);
    Metric(out, "update_server_sessions_complete_total", "counter",
           "Sessions that delivered the whole update.", stats_.sessionsComplete);
    Metric(out, "update_server_refusals_total", "counter", "Sessions refused.", stats_.refusals);
    Metric(out, "update_server_dropped_clients_total", "counter",
           "Clients dropped for a timeout, a protocol fault or a lost connection.", stats_.dropped);
    Metric(out, "update_server_errors_total", "counter", "Sessions ended by a fault on the server's side.",
           stats_.errors);
    Metric(out, "update_server_files_sent_total", "counter", "Files delivered whole.", stats_.filesSent);
    Metric(out, "update_server_bytes_sent_total", "counter",
           "File content bytes handed to the kernel for the clients.", stats_.bytesSent);
    Metric(out, "update_server_sessions_lingering", "gauge",
           "Finished sessions keeping their connection for the client to close first.",
           stats_.sessionsLingering);
    Metric(out, "update_server_turned_away_total", "counter",
           "Connections closed at once because their address had its limit of sessions.", stats_.turnedAway);
    return out.str();
}

ServerHealth UpdateServer::Health() const {
    if (stopping_) return {false, "stopping"};
    if (options_.refuseSessions) return {false, "refusing sessions"};
    if (sessions_.size() >= options_.maxClients) return {false, "at the client limit"};
    return {true, "serving"};
}
