#include "metrics_endpoint.h"

#include <chrono>
#include <memory>

namespace {

constexpr size_t kLongestRequest = 8192;
constexpr std::chrono::seconds kRequestTimeout{5};

class MetricsRequest : public std::enable_shared_from_this<MetricsRequest> {
  public:
    MetricsRequest(asio::ip::tcp::socket socket, const MetricsEndpoint::Render& render)
        : socket_(std::move(socket)), timer_(socket_.get_executor()), render_(render) {}

    void Start() {
        timer_.expires_after(kRequestTimeout);
        timer_.async_wait([self = shared_from_this()](const asio::error_code& error) {
            if (!error) self->Close();
        });
        asio::async_read_until(socket_, asio::dynamic_buffer(request_, kLongestRequest), "\r\n\r\n",
                               [self = shared_from_this()](const asio::error_code& error, size_t) {
                                   if (error) return self->Close();
                                   self->Answer();
                               });
    }

  private:
    void Answer() {
        const bool wanted =
            request_.rfind("GET /metrics ", 0) == 0 || request_.rfind("GET /metrics?", 0) == 0;
        const std::string body = wanted ? render_() : "not found\n";
        response_ = std::string(wanted ? "HTTP/1.0 200 OK\r\n" : "HTTP/1.0 404 Not Found\r\n") +
                    "Content-Type: text/plain; version=0.0.4; charset=utf-8\r\nContent-Length: " +
                    std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
        asio::async_write(socket_, asio::buffer(response_),
                          [self = shared_from_this()](const asio::error_code&, size_t) { self->Close(); });
    }

    void Close() {
        asio::error_code ignored;
        timer_.cancel();
        socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
        socket_.close(ignored);
    }

    asio::ip::tcp::socket socket_;
    asio::steady_timer timer_;
    const MetricsEndpoint::Render& render_;
    std::string request_;
    std::string response_;
};

}  // namespace

MetricsEndpoint::MetricsEndpoint(asio::io_context& io, Render render)
    : acceptor_(io), render_(std::move(render)) {}

bool MetricsEndpoint::Start(const std::string& address, uint16_t port, std::string& error) {
    asio::error_code code;
    const asio::ip::tcp::endpoint endpoint(asio::ip::make_address(address, code), port);
    if (!code) acceptor_.open(endpoint.protocol(), code);
    if (!code) acceptor_.set_option(asio::ip::tcp::acceptor::reuse_address(true), code);
    if (!code) acceptor_.bind(endpoint, code);
    if (!code) acceptor_.listen(asio::socket_base::max_listen_connections, code);
    if (code) {
        error = "metrics endpoint on " + address + ":" + std::to_string(port) + ": " + code.message();
        return false;
    }
    Accept();
    return true;
}

void MetricsEndpoint::Stop() {
    asio::error_code ignored;
    acceptor_.close(ignored);
}

asio::ip::tcp::endpoint MetricsEndpoint::Endpoint() const {
    asio::error_code ignored;
    return acceptor_.local_endpoint(ignored);
}

void MetricsEndpoint::Accept() {
    acceptor_.async_accept([this](const asio::error_code& error, asio::ip::tcp::socket socket) {
        if (error == asio::error::operation_aborted) return;
        if (!error) std::make_shared<MetricsRequest>(std::move(socket), render_)->Start();
        Accept();
    });
}
