#pragma once
// The two channel primitives every blend is built from, on one channel value at a time.
#include <cstdint>

// scale(v, k) = floor(v × k / 2^weightBits): weights 0..32 on 16-bit layouts, 0..256 on others.
constexpr uint32_t ScaleChannel(uint32_t v, uint32_t k, int weightBits) { return (v * k) >> weightBits; }

// brighten(v, k) = v + scale(max − v, k): moves the channel toward its all-ones value.
constexpr uint32_t BrightenChannel(uint32_t v, uint32_t k, uint32_t max, int weightBits) {
    return v + ScaleChannel(max - v, k, weightBits);
}

static_assert(ScaleChannel(31, 16, 5) == 15);
static_assert(ScaleChannel(255, 128, 8) == 127);
static_assert(BrightenChannel(0, 16, 31, 5) == 15);
