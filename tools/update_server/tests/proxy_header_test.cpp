// The PROXY v2 header parser on byte strings: judged field by field as the bytes arrive.
#include <gtest/gtest.h>

#include <vector>

#include "proxy_header.h"

namespace {

const std::vector<uint8_t> kSignature = {0x0D, 0x0A, 0x0D, 0x0A, 0x00, 0x0D,
                                         0x0A, 0x51, 0x55, 0x49, 0x54, 0x0A};

std::vector<uint8_t> Header(uint8_t command, uint8_t family, std::vector<uint8_t> rest, int declared = -1) {
    std::vector<uint8_t> bytes = kSignature;
    const size_t length = declared < 0 ? rest.size() : size_t(declared);
    bytes.insert(bytes.end(), {command, family, uint8_t(length >> 8), uint8_t(length)});
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    return bytes;
}

// 192.0.2.10:54321 to 127.0.0.1:8100, then a 4-byte extension (type 0x04, length 1, one byte).
const std::vector<uint8_t> kIpv4Rest = {192,  0,    2,    10,   127,  0,    0,    1,
                                        0xD4, 0x31, 0x1F, 0xA4, 0x04, 0x00, 0x01, 0x00};

TEST(ProxyHeader, EveryPrefixOfASoundHeaderWaitsAndTheWholeNamesTheSource) {
    std::vector<uint8_t> stream = Header(0x21, 0x11, kIpv4Rest);
    const size_t headerSize = stream.size();
    const std::vector<uint8_t> hello = {0x04, 0x03, 0x02, 0x01};  // what the client sends next
    stream.insert(stream.end(), hello.begin(), hello.end());
    for (size_t length = 0; length < headerSize; ++length)
        EXPECT_EQ(ParseProxyHeader(stream.data(), length).status, ProxyHeaderStatus::Incomplete) << length;
    for (size_t length : {headerSize, stream.size()}) {
        const ProxyHeaderResult result = ParseProxyHeader(stream.data(), length);
        ASSERT_EQ(result.status, ProxyHeaderStatus::Proxied) << result.error;
        EXPECT_EQ(result.consumed, headerSize);
        EXPECT_TRUE(result.source.known);
        EXPECT_FALSE(result.source.ipv6);
        EXPECT_EQ(std::vector<uint8_t>(result.source.address.begin(), result.source.address.begin() + 4),
                  (std::vector<uint8_t>{192, 0, 2, 10}));
        EXPECT_EQ(result.source.port, 54321);
    }

    std::vector<uint8_t> ipv6Rest(36);
    ipv6Rest[0] = 0x20;
    ipv6Rest[15] = 0x07;
    ipv6Rest[32] = 0x01;
    ipv6Rest[33] = 0x02;
    const auto ipv6 = Header(0x21, 0x21, ipv6Rest);
    const ProxyHeaderResult v6 = ParseProxyHeader(ipv6.data(), ipv6.size());
    ASSERT_EQ(v6.status, ProxyHeaderStatus::Proxied);
    EXPECT_TRUE(v6.source.ipv6);
    EXPECT_EQ(v6.source.address[0], 0x20);
    EXPECT_EQ(v6.source.address[15], 0x07);
    EXPECT_EQ(v6.source.port, 0x0102);
}

TEST(ProxyHeader, LocalAndUnspecifiedHeadersCarryNoPlayer) {
    struct Case {
        std::vector<uint8_t> bytes;
        ProxyHeaderStatus status;
    };
    const Case cases[] = {
        {Header(0x20, 0x00, {}), ProxyHeaderStatus::Local},
        {Header(0x20, 0x11, kIpv4Rest), ProxyHeaderStatus::Local},  // a check may name its addresses
        {Header(0x20, 0x31, std::vector<uint8_t>(216)), ProxyHeaderStatus::Local},
        {Header(0x21, 0x00, {}), ProxyHeaderStatus::Proxied},
        {Header(0x21, 0x00, {1, 2, 3}), ProxyHeaderStatus::Proxied},  // extensions only
    };
    for (const Case& c : cases) {
        const ProxyHeaderResult result = ParseProxyHeader(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(result.status, c.status) << result.error;
        EXPECT_EQ(result.consumed, c.bytes.size());
        EXPECT_FALSE(result.source.known);
    }
}

TEST(ProxyHeader, FaultsAreRefusedAsSoonAsTheFieldArrives) {
    std::vector<uint8_t> v1Text = {'P', 'R', 'O', 'X', 'Y', ' ', 'T', 'C', 'P', '4', ' '};
    struct Case {
        std::vector<uint8_t> bytes;
        size_t judgedAfter;  // the bytes needed to see the fault
        const char* error;
    };
    const Case cases[] = {
        {{0x04, 0x03, 0x02, 0x01}, 1, "no PROXY v2 signature"},  // a client's hello, not a header
        {v1Text, 1, "no PROXY v2 signature"},
        {Header(0x11, 0x11, kIpv4Rest), 13, "PROXY header version 1"},
        {Header(0x22, 0x11, kIpv4Rest), 13, "PROXY header command 2"},
        {Header(0x21, 0x41, kIpv4Rest), 14, "PROXY header address family 4"},
        {Header(0x21, 0x13, kIpv4Rest), 14, "PROXY header transport 3"},
        {Header(0x21, 0x12, kIpv4Rest), 14, "PROXY header for a connection that is not TCP"},
        {Header(0x21, 0x31, std::vector<uint8_t>(216)), 14, "PROXY header for a connection that is not TCP"},
        {Header(0x21, 0x10, kIpv4Rest), 14, "PROXY header for a connection that is not TCP"},
        {Header(0x21, 0x11, {}, 1025), 16, "PROXY header of 1025 bytes after its first 16"},
        {Header(0x21, 0x11, {}, 0xFFFF), 16, "PROXY header of 65535 bytes after its first 16"},
        {Header(0x21, 0x11, std::vector<uint8_t>(11)), 16, "PROXY header too short for its addresses"},
        {Header(0x21, 0x21, std::vector<uint8_t>(12)), 16, "PROXY header too short for its addresses"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        EXPECT_EQ(ParseProxyHeader(c.bytes.data(), c.judgedAfter - 1).status, ProxyHeaderStatus::Incomplete);
        const ProxyHeaderResult result = ParseProxyHeader(c.bytes.data(), c.judgedAfter);
        EXPECT_EQ(result.status, ProxyHeaderStatus::Invalid);
        EXPECT_EQ(result.error, c.error);
        EXPECT_EQ(ParseProxyHeader(c.bytes.data(), c.bytes.size()).status, ProxyHeaderStatus::Invalid);
    }
    const auto longest = Header(0x21, 0x11, std::vector<uint8_t>(kLongestProxyRest));
    EXPECT_EQ(ParseProxyHeader(longest.data(), longest.size()).status, ProxyHeaderStatus::Proxied);
}

}  // namespace
