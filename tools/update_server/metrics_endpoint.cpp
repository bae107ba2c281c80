#include "metrics_endpoint.h"

#include <chrono>

namespace {

constexpr size_t kLongestRequest = 8192;
constexpr std::chrono::seconds kRequestTimeout{5};

bool Requests(const std::string& request, const std::string& path) {
    const std::string line = "GET " + path;
    if (request.compare(0, line.size(), line) != 0 || request.size() == line.size()) return false;
    const char next = request[line.size()];
    return next == ' ' || next == '?' || next == '\r';
}

std::string HttpResponse(const char* status, const std::string& body) {
    return std::string("HTTP/1.0 ") + status +
           "\r\nContent-Type: text/plain; version=0.0.4; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

}  // namespace

class MetricsEndpoint::Connection : public std::enable_shared_from_this<Connection> {
  public:
    Connection(asio::ip::tcp::socket socket, MetricsEndpoint& endpoint)
        : socket_(std::move(socket)), timer_(socket_.get_executor()), endpoint_(endpoint) {}

    void Start() {
        timer_.expires_after(kRequestTimeout);
        timer_.async_wait([self = shared_from_this()](const asio::error_code& error) {
            if (!error) self->Close();
        });
        asio::async_read_until(socket_, asio::dynamic_buffer(request_, kLongestRequest), "\r\n\r\n",
                               [self = shared_from_this()](const asio::error_code& error, size_t) {
                                   if (error || self->closed_) return self->Close();
                                   self->response_ = self->endpoint_.Response(self->request_);
                                   asio::async_write(
                                       self->socket_, asio::buffer(self->response_),
                                       [self](const asio::error_code&, size_t) { self->Close(); });
                               });
    }

    void Close() {
        if (closed_) return;
        closed_ = true;
        asio::error_code ignored;
        timer_.cancel();
        socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
        socket_.close(ignored);
        endpoint_.Closed(*this);
    }

  private:
    asio::ip::tcp::socket socket_;
    asio::steady_timer timer_;
    MetricsEndpoint& endpoint_;
    std::string request_;
    std::string response_;
    bool closed_ = false;
};

MetricsEndpoint::MetricsEndpoint(asio::io_context& io, Render render, Health health)
    : acceptor_(io), acceptRetry_(io), render_(std::move(render)), health_(std::move(health)) {}

MetricsEndpoint::~MetricsEndpoint() { Stop(); }

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
    acceptRetry_.cancel();
    auto open = open_;
    for (auto& [pointer, connection] : open)
        connection->Close();
}

asio::ip::tcp::endpoint MetricsEndpoint::Endpoint() const {
    asio::error_code ignored;
    return acceptor_.local_endpoint(ignored);
}

void MetricsEndpoint::Accept() {
    acceptor_.async_accept([this](const asio::error_code& error, asio::ip::tcp::socket socket) {
        if (error == asio::error::operation_aborted || !acceptor_.is_open()) return;
        if (error) {
            acceptRetry_.expires_after(backoff_.NextDelay());
            acceptRetry_.async_wait([this](const asio::error_code& waited) {
                if (!waited) Accept();
            });
            return;
        }
        backoff_.Succeeded();
        if (open_.size() >= kMostConnections) {
            asio::error_code ignored;
            socket.close(ignored);
        } else {
            auto connection = std::make_shared<Connection>(std::move(socket), *this);
            open_.emplace(connection.get(), connection);
            connection->Start();
        }
        Accept();
    });
}

void MetricsEndpoint::Closed(Connection& connection) { open_.erase(&connection); }

std::string MetricsEndpoint::Response(const std::string& request) const {
    if (Requests(request, "/metrics")) return HttpResponse("200 OK", render_());
    if (Requests(request, "/health")) {
        const ServerHealth health = health_();
        return HttpResponse(health.serving ? "200 OK" : "503 Service Unavailable", health.state + "\n");
    }
    return HttpResponse("404 Not Found", "not found\n");
}
