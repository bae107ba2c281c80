#pragma once
// A minimal HTTP endpoint for Prometheus and load balancers: GET /metrics is answered with the
// server's figures in the text exposition format, GET /health with 200 while the server takes new
// sessions and 503 otherwise, anything else with 404; one request per connection.
// Requests are read up to a small bound and within a few seconds, like any other untrusted input,
// and only a few connections are served at once: the endpoint must never cost the sessions more
// than a little.
#include <asio.hpp>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "accept_backoff.h"
#include "server_health.h"

class MetricsEndpoint {
  public:
    using Render = std::function<std::string()>;
    using Health = std::function<ServerHealth()>;

    // Connections beyond this many open at once are closed as soon as they are accepted.
    static constexpr size_t kMostConnections = 4;

    MetricsEndpoint(asio::io_context& io, Render render, Health health);
    ~MetricsEndpoint();
    bool Start(const std::string& address, uint16_t port, std::string& error);
    // Stops accepting and closes every open connection.
    void Stop();
    asio::ip::tcp::endpoint Endpoint() const;

  private:
    class Connection;

    void Accept();
    std::string Response(const std::string& request) const;
    void Closed(Connection& connection);

    asio::ip::tcp::acceptor acceptor_;
    asio::steady_timer acceptRetry_;
    AcceptBackoff backoff_;
    Render render_;
    Health health_;
    std::unordered_map<Connection*, std::shared_ptr<Connection>> open_;
};
