#pragma once
// A minimal HTTP endpoint for Prometheus: every GET of /metrics is answered with the server's
// figures in the text exposition format, anything else with 404; one request per connection.
// Requests are read up to a small bound and within a few seconds, like any other untrusted input.
#include <asio.hpp>
#include <functional>
#include <string>

class MetricsEndpoint {
  public:
    using Render = std::function<std::string()>;

    MetricsEndpoint(asio::io_context& io, Render render);
    bool Start(const std::string& address, uint16_t port, std::string& error);
    void Stop();
    asio::ip::tcp::endpoint Endpoint() const;

  private:
    void Accept();

    asio::ip::tcp::acceptor acceptor_;
    Render render_;
};
