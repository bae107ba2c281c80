#pragma once
// The PROXY protocol version 2 header that a load balancer (HAProxy's send-proxy-v2) puts in front
// of each connection it forwards, so the server sees the player's address instead of the proxy's.
//
//   12 bytes  signature 0D 0A 0D 0A 00 0D 0A 51 55 49 54 0A
//   1 byte    version (high 4 bits, must be 2) and command (low 4 bits: 0 LOCAL, 1 PROXY)
//   1 byte    address family (high 4 bits: 0 unspecified, 1 IPv4, 2 IPv6, 3 Unix) and transport
//             (low 4 bits: 0 unspecified, 1 stream, 2 datagram)
//   2 bytes   length of the rest, big-endian
//   then      source address, destination address, source port, destination port (IPv4: 12 bytes,
//             IPv6: 36), and type-length-value extensions, which are skipped.
//
// The parser is strict: the bytes come from whoever can reach the port, so each field is judged
// as soon as it arrives and the length is bounded before anything waits for it. LOCAL is the
// proxy's own connection (a health check): it carries no player.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

enum class ProxyHeaderStatus {
    Incomplete,  // nothing wrong so far; more bytes are needed
    Proxied,     // a forwarded connection; source holds the player's address when known
    Local,       // the proxy's own connection
    Invalid,     // error says why
};

struct ProxySource {
    bool known = false;  // false: the proxy did not say (unspecified family); use the socket's peer
    bool ipv6 = false;
    std::array<uint8_t, 16> address{};  // IPv4 in the first 4 bytes
    uint16_t port = 0;
};

struct ProxyHeaderResult {
    ProxyHeaderStatus status = ProxyHeaderStatus::Incomplete;
    size_t consumed = 0;  // the header's whole size once it is complete
    ProxySource source;
    std::string error;
};

inline constexpr size_t kProxySignatureSize = 12;
inline constexpr size_t kProxyFixedSize = 16;
// Addresses (at most 216 bytes, for Unix sockets) and room for the usual extensions; a longer
// header is refused rather than collected.
inline constexpr size_t kLongestProxyRest = 1024;
inline constexpr size_t kLongestProxyHeader = kProxyFixedSize + kLongestProxyRest;

// Judges the bytes received so far (the start of the connection).
ProxyHeaderResult ParseProxyHeader(const uint8_t* data, size_t length);
