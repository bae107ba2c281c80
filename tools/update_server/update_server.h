#pragma once
// The update server on one event loop: it accepts clients up to the limit (further clients wait in
// the listen queue until a session ends), runs a ClientSession for each, counts what they do and
// writes one log line per session.
#include <asio.hpp>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <unordered_map>

#include "client_session.h"
#include "disk_workers.h"
#include "release_file_system.h"
#include "release_scanner.h"
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

    const ServerOptions& Options() const override { return options_; }
    ReleaseScanner& Releases() override { return scanner_; }
    DiskWorkers& Disk() override { return disk_; }
    ServerStats& Stats() override { return stats_; }
    const ServerStats& Stats() const { return stats_; }
    void LogSession(const std::string& line) override;
    void Released(ClientSession& session) override;

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
    std::unordered_map<ClientSession*, std::shared_ptr<ClientSession>> sessions_;
};
