#pragma once
// The update server on one event loop: it accepts clients up to the limit (further clients wait in
// the listen queue until a session ends), runs a ClientSession for each, counts what they do and
// writes one log line per session. Finished sessions that keep their socket for the client are
// counted apart from the served ones and capped (the oldest is closed to make room), and each
// client address has a limit of its own so that one address cannot take every slot.
#include <asio.hpp>
#include <functional>
#include <list>
#include <memory>
#include <ostream>
#include <string>
#include <unordered_map>

#include "buffer_pool.h"
#include "client_session.h"
#include "disk_workers.h"
#include "release_file_system.h"
#include "release_scanner.h"
#include "server_health.h"
#include "server_options.h"
#include "server_stats.h"

class UpdateServer : public SessionHost {
  public:
    using LogSink = std::function<void(const std::string&)>;

    UpdateServer(asio::io_context& io, ServerOptions options, LogSink log);
    // Reading the release through another file system (a slow one, in tests).
    UpdateServer(asio::io_context& io, ServerOptions options, LogSink log,
                 std::shared_ptr<ReleaseFileSystem> files);
    ~UpdateServer() override;

    // Reads the release folder and starts listening; false with the reason in error otherwise.
    bool Start(std::string& error);
    // Stops accepting and ends every session at once.
    void Stop();

    asio::ip::tcp::endpoint Endpoint() const;
    std::string SummaryText() const;
    std::string MetricsText() const;
    // Whether a new client would be served now, for the health check of a load balancer.
    ServerHealth Health() const;

    const ServerOptions& Options() const override { return options_; }
    ReleaseScanner& Releases() override { return scanner_; }
    DiskWorkers& Disk() override { return disk_; }
    ServerStats& Stats() override { return stats_; }
    const ServerStats& Stats() const { return stats_; }
    void LogSession(const std::string& line) override;
    void Released(ClientSession& session) override;
    void Finished(ClientSession& session) override;
    bool Admit(const std::string& address) override;
    void Leave(const std::string& address) override;
    BufferPool& ReadBuffers() override { return readBuffers_; }
    BufferPool& OutputBuffers() override { return outputBuffers_; }

  private:
    void Accept();

    ServerOptions options_;
    LogSink log_;
    std::shared_ptr<ReleaseFileSystem> files_;
    ReleaseScanner scanner_;
    DiskWorkers disk_;
    ServerStats stats_;
    asio::ip::tcp::acceptor acceptor_;
    asio::steady_timer acceptRetry_;
    bool accepting_ = false;
    bool stopping_ = false;
    std::unordered_map<ClientSession*, std::shared_ptr<ClientSession>> sessions_;  // being served
    // Finished sessions, oldest first.
    std::list<std::shared_ptr<ClientSession>> lingering_;
    std::unordered_map<ClientSession*, std::list<std::shared_ptr<ClientSession>>::iterator> lingeringAt_;
    std::unordered_map<std::string, uint32_t> servedPerAddress_;
    // At most one buffer of each kind per serving slot: what the sessions served at once need.
    BufferPool readBuffers_;
    BufferPool outputBuffers_;
};
