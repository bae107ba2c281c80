#pragma once
// The message checksums. Both directions add a weighted sum over the 20 header bytes and one over
// the body bytes, every byte read as a signed 8-bit value, in 32-bit wrapping arithmetic:
//
//   send (what this side sends):      sum (h[i] + 13) * i * 11  +  sum (b[j] + 29) * j * 7
//   receive (what the peer sends):    sum (h[i] +  7) * i * 29  +  sum (b[j] + 11) * j * 13
//
// The sum is then masked, with SendMask or ReceiveMask, or with a session table entry chosen by
// the connection's index (see Connection).
#include <cstddef>
#include <cstdint>

// sum over i of i * (int8_t)data[i], wrapping at 32 bits: the only part of the checksums that
// depends on every byte. Computed sixteen bytes at a time.
uint32_t PositionWeightedSum(const uint8_t* data, size_t length);

// (c + k) * i * m summed over the bytes = m * (PositionWeightedSum + k * (0 + 1 + ... + n-1)).
struct ChecksumWeights {
    uint32_t headerAdd;
    uint32_t headerFactor;
    uint32_t bodyAdd;
    uint32_t bodyFactor;
};

inline constexpr ChecksumWeights kSendWeights{13, 11, 29, 7};
inline constexpr ChecksumWeights kReceiveWeights{7, 29, 11, 13};

// The unmasked sum of a message: header is 20 bytes, body length bytes.
uint32_t ChecksumSum(const ChecksumWeights& weights, const uint8_t* header, const uint8_t* body,
                     uint32_t length);
