#include "net/checksum.h"

#include <gtest/gtest.h>

#include <random>

#include "wire_reference.h"

namespace {

std::vector<uint8_t> RandomBytes(size_t length, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(length);
    for (auto& byte : bytes)
        byte = uint8_t(random());
    return bytes;
}

// The fast sum must equal the plain definition for every length (the block, the 128-block lane
// flush and the tail all meet at some length) and for the extreme byte values.
TEST(PositionWeightedSum, EqualsThePlainDefinition) {
    const std::vector<size_t> lengths = {
        0,   1,    15,   16,   17,       31,           32,      255,
        256, 2047, 2048, 2049, 2064 + 5, 16 * 300 + 7, 1 << 20, (1 << 20) + 13};
    for (uint8_t fill : {uint8_t(0x00), uint8_t(0x7F), uint8_t(0x80), uint8_t(0xFF)}) {
        for (size_t length : lengths) {
            const std::vector<uint8_t> bytes(length, fill);
            ASSERT_EQ(PositionWeightedSum(bytes.data(), length),
                      reference::WeightedSum(bytes.data(), length, 0, 1))
                << "fill " << int(fill) << " length " << length;
        }
    }
    for (size_t length : lengths) {
        const auto bytes = RandomBytes(length, uint32_t(length));
        ASSERT_EQ(PositionWeightedSum(bytes.data(), length),
                  reference::WeightedSum(bytes.data(), length, 0, 1))
            << "random, length " << length;
    }
}

TEST(PositionWeightedSum, UnalignedStart) {
    const auto bytes = RandomBytes(5000, 7);
    for (size_t offset = 1; offset < 16; ++offset)
        ASSERT_EQ(PositionWeightedSum(bytes.data() + offset, 4000),
                  reference::WeightedSum(bytes.data() + offset, 4000, 0, 1));
}

TEST(ChecksumSum, BothDirectionsEqualTheirFormulas) {
    for (size_t length : {size_t(0), size_t(1), size_t(216), size_t(70000)}) {
        auto message = RandomBytes(20 + length, uint32_t(length) + 100);
        EXPECT_EQ(ChecksumSum(kSendWeights, message.data(), message.data() + 20, uint32_t(length)),
                  reference::SendSum(message.data(), uint32_t(length)));
        EXPECT_EQ(ChecksumSum(kReceiveWeights, message.data(), message.data() + 20, uint32_t(length)),
                  reference::ReceiveSum(message.data(), uint32_t(length)));
    }
}

TEST(ChecksumSum, KnownValueOfAnEmptyMessage) {
    // Header 04 03 02 01 | 0E 03 02 80 | 0 | 0 | 0, send formula: sum over i of (h[i] + 13) * i * 11.
    // Bytes at i = 1..7 are 3, 2, 1, 14, 3, 2, -128; every later byte is 0.
    const uint8_t header[20] = {4, 3, 2, 1, 0x0E, 3, 2, 0x80};
    uint32_t expected = 0;
    const int32_t values[20] = {4, 3, 2, 1, 14, 3, 2, -128};
    for (int i = 0; i < 20; ++i)
        expected += uint32_t((values[i] + 13) * i * 11);
    EXPECT_EQ(ChecksumSum(kSendWeights, header, nullptr, 0), expected);
    EXPECT_EQ(expected, 18337u);
}

}  // namespace
