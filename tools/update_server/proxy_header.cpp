#include "proxy_header.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kSignature[kProxySignatureSize] = {0x0D, 0x0A, 0x0D, 0x0A, 0x00, 0x0D,
                                                     0x0A, 0x51, 0x55, 0x49, 0x54, 0x0A};
constexpr uint8_t kVersion2 = 0x2;
constexpr uint8_t kCommandLocal = 0x0;
constexpr uint8_t kCommandProxy = 0x1;
constexpr uint8_t kFamilyUnspecified = 0x0;
constexpr uint8_t kFamilyIpv4 = 0x1;
constexpr uint8_t kFamilyIpv6 = 0x2;
constexpr uint8_t kFamilyUnix = 0x3;
constexpr uint8_t kTransportUnspecified = 0x0;
constexpr uint8_t kTransportStream = 0x1;
constexpr size_t kIpv4Addresses = 12;
constexpr size_t kIpv6Addresses = 36;
constexpr size_t kUnixAddresses = 216;
constexpr size_t kVersionCommandAt = 12;
constexpr size_t kFamilyAt = 13;
constexpr size_t kLengthAt = 14;

ProxyHeaderResult Invalid(std::string why) {
    ProxyHeaderResult result;
    result.status = ProxyHeaderStatus::Invalid;
    result.error = std::move(why);
    return result;
}

}  // namespace

ProxyHeaderResult ParseProxyHeader(const uint8_t* data, size_t length) {
    ProxyHeaderResult result;
    const size_t signatureSeen = std::min(length, kProxySignatureSize);
    if (std::memcmp(data, kSignature, signatureSeen) != 0) return Invalid("no PROXY v2 signature");
    if (length <= kVersionCommandAt) return result;

    const uint8_t version = data[kVersionCommandAt] >> 4;
    const uint8_t command = data[kVersionCommandAt] & 0x0F;
    if (version != kVersion2) return Invalid("PROXY header version " + std::to_string(version));
    if (command != kCommandLocal && command != kCommandProxy)
        return Invalid("PROXY header command " + std::to_string(command));
    if (length <= kFamilyAt) return result;

    const uint8_t family = data[kFamilyAt] >> 4;
    const uint8_t transport = data[kFamilyAt] & 0x0F;
    size_t addresses = 0;
    switch (family) {
    case kFamilyUnspecified:
        break;
    case kFamilyIpv4:
        addresses = kIpv4Addresses;
        break;
    case kFamilyIpv6:
        addresses = kIpv6Addresses;
        break;
    case kFamilyUnix:
        addresses = kUnixAddresses;
        break;
    default:
        return Invalid("PROXY header address family " + std::to_string(family));
    }
    if (transport > 2) return Invalid("PROXY header transport " + std::to_string(transport));
    // A forwarded connection of this server is TCP over IP; the proxy's own connections may say
    // anything, their addresses are not used.
    if (command == kCommandProxy) {
        const bool unspecified = family == kFamilyUnspecified && transport == kTransportUnspecified;
        const bool ipStream =
            (family == kFamilyIpv4 || family == kFamilyIpv6) && transport == kTransportStream;
        if (!unspecified && !ipStream) return Invalid("PROXY header for a connection that is not TCP");
    }
    if (length < kProxyFixedSize) return result;

    const size_t rest = size_t(data[kLengthAt]) << 8 | data[kLengthAt + 1];
    if (rest > kLongestProxyRest)
        return Invalid("PROXY header of " + std::to_string(rest) + " bytes after its first 16");
    if (rest < addresses) return Invalid("PROXY header too short for its addresses");
    if (length < kProxyFixedSize + rest) return result;

    result.consumed = kProxyFixedSize + rest;
    if (command == kCommandLocal) {
        result.status = ProxyHeaderStatus::Local;
        return result;
    }
    result.status = ProxyHeaderStatus::Proxied;
    const uint8_t* at = data + kProxyFixedSize;
    if (family == kFamilyIpv4) {
        result.source.known = true;
        std::memcpy(result.source.address.data(), at, 4);
        result.source.port = uint16_t(at[8] << 8 | at[9]);
    } else if (family == kFamilyIpv6) {
        result.source.known = true;
        result.source.ipv6 = true;
        std::memcpy(result.source.address.data(), at, 16);
        result.source.port = uint16_t(at[32] << 8 | at[33]);
    }
    return result;
}
