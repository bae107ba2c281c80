#pragma once
// The wire format written out plainly from its definition, byte by byte, for the tests to compare
// the connection's optimised code against.
#include <cstdint>
#include <cstring>
#include <vector>

namespace reference {

inline constexpr uint32_t kSendMask = 0x5A3C9E71;
inline constexpr uint32_t kReceiveMask = 0xC4D2B86F;

// Sum over i of (byte[i] + add) * i * factor, bytes signed, 32-bit wrapping.
inline uint32_t WeightedSum(const uint8_t* bytes, size_t length, int32_t add, uint32_t factor) {
    uint32_t sum = 0;
    for (size_t i = 0; i < length; ++i)
        sum += uint32_t(int32_t(int8_t(bytes[i])) + add) * uint32_t(i) * factor;
    return sum;
}

// The checksum sum of what the client sends (header of 20 bytes, then the body).
inline uint32_t SendSum(const uint8_t* message, uint32_t bodyLength) {
    return WeightedSum(message, 20, 13, 11) + WeightedSum(message + 20, bodyLength, 29, 7);
}

// The checksum sum of what the server sends.
inline uint32_t ReceiveSum(const uint8_t* message, uint32_t bodyLength) {
    return WeightedSum(message, 20, 7, 29) + WeightedSum(message + 20, bodyLength, 11, 13);
}

inline void PutWord(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(uint8_t(value >> shift));
}

inline uint32_t WordAt(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

inline std::vector<uint8_t> Frame(uint32_t id, uint32_t a, uint32_t b, const std::vector<uint8_t>& body,
                                  uint32_t magic = 0x01020304) {
    std::vector<uint8_t> out;
    PutWord(out, magic);
    PutWord(out, id);
    PutWord(out, a);
    PutWord(out, b);
    PutWord(out, uint32_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// A message as a server sends it to a connection in checksum mode with the fixed mask.
inline std::vector<uint8_t> ServerFrame(uint32_t id, uint32_t a, uint32_t b,
                                        const std::vector<uint8_t>& body) {
    std::vector<uint8_t> out = Frame(id, a, b, body);
    PutWord(out, ReceiveSum(out.data(), uint32_t(body.size())) ^ kReceiveMask);
    return out;
}

// The runtime generator and the session table, from their definitions.
inline std::vector<uint32_t> Draws(uint32_t seed, size_t count) {
    std::vector<uint32_t> out;
    uint32_t state = seed;
    for (size_t i = 0; i < count; ++i) {
        state = state * 214013u + 2531011u;
        out.push_back((state >> 16) & 0x7FFF);
    }
    return out;
}

inline std::vector<uint32_t> SessionTable(uint32_t seed, size_t count) {
    const std::vector<uint32_t> d = Draws(seed, count * 4);
    std::vector<uint32_t> table;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t t = (d[4 * i] * d[4 * i + 1] * d[4 * i + 2] * d[4 * i + 3]) ^ kSendMask;
        table.push_back(t + (t ? kReceiveMask / t : 0) * 481u);
    }
    return table;
}

inline uint32_t SessionSeed(uint32_t a, uint32_t b) { return (a ^ kSendMask) + (b ^ kReceiveMask) * 17u; }

}  // namespace reference
