#pragma once
// Plain HTTP on blocking loopback sockets, bounded in time, for the tests of the metrics endpoint.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <string>

// A connected socket to 127.0.0.1:port whose reads give up after boundMs; -1 when it cannot
// connect.
inline int ConnectLoopback(uint16_t port, int boundMs = 10000) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    timeval bound{boundMs / 1000, (boundMs % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Everything the peer sends until it closes; "(timed out)" appended when the bound passed first,
// "(reset)" when the peer reset the connection.
inline std::string ReadAll(int fd) {
    std::string answer;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        answer.append(buffer, size_t(n));
    if (n < 0) answer += errno == EAGAIN || errno == EWOULDBLOCK ? "(timed out)" : "(reset)";
    return answer;
}

// One HTTP request; the whole answer.
inline std::string HttpGet(uint16_t port, const std::string& path, int boundMs = 10000) {
    const int fd = ConnectLoopback(port, boundMs);
    if (fd < 0) return "(cannot connect)";
    const std::string request = "GET " + path + " HTTP/1.1\r\nHost: localhost\r\n\r\n";
    std::string answer;
    if (::write(fd, request.data(), request.size()) == ssize_t(request.size())) answer = ReadAll(fd);
    ::close(fd);
    return answer;
}
