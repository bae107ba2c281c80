#pragma once
// The four pixel layouts as types: bytes per pixel, where each channel sits, and how a pixel is
// read and written. A pixel is the little-endian value of its bytes and its channels are bit
// fields of that value.
//
// On the 16-bit layouts the channels are red, green and blue; bit 15 of 5:5:5 belongs to no
// channel, so arithmetic that builds a pixel from its channels leaves it clear (a copy keeps
// it). On the 24- and 32-bit layouts every byte is a channel of its own, the fourth byte of a
// 32-bit pixel included: blending treats a row as a run of bytes.
//
// Weights: 16-bit layouts blend with weights 0..32 (products divided by 32), the others with
// weights 0..256 (divided by 256).
#include <cstdint>
#include <cstring>

#include "display/display_format.h"

struct ChannelField {
    int shift;
    int bits;
    int productAddShift;  // q of the product-add effect (16-bit layouts only)
};

template <class Derived, int Bytes> struct PixelAccess {
    static constexpr int kBytes = Bytes;
    static uint32_t Load(const uint8_t* p) {
        uint32_t v = 0;
        std::memcpy(&v, p, Bytes);  // little-endian hosts only, like the product
        return v;
    }
    static void Store(uint8_t* p, uint32_t v) { std::memcpy(p, &v, Bytes); }
};

struct Rgb565Traits : PixelAccess<Rgb565Traits, 2> {
    static constexpr PixelLayout kLayout = PixelLayout::Rgb565;
    static constexpr int kChannelCount = 3;
    static constexpr ChannelField kChannels[3] = {{11, 5, 2}, {5, 6, 4}, {0, 5, 3}};
    static constexpr int kWeightBits = 5;
    static constexpr uint32_t kRed = 0xF800, kGreen = 0x07E0, kBlue = 0x001F;
};

struct Rgb555Traits : PixelAccess<Rgb555Traits, 2> {
    static constexpr PixelLayout kLayout = PixelLayout::Rgb555;
    static constexpr int kChannelCount = 3;
    static constexpr ChannelField kChannels[3] = {{10, 5, 3}, {5, 5, 3}, {0, 5, 3}};
    static constexpr int kWeightBits = 5;
    static constexpr uint32_t kRed = 0x7C00, kGreen = 0x03E0, kBlue = 0x001F;
};

struct Rgb24Traits : PixelAccess<Rgb24Traits, 3> {
    static constexpr PixelLayout kLayout = PixelLayout::Rgb24;
    static constexpr int kChannelCount = 3;
    static constexpr ChannelField kChannels[3] = {{0, 8, 0}, {8, 8, 0}, {16, 8, 0}};
    static constexpr int kWeightBits = 8;
};

struct Rgb32Traits : PixelAccess<Rgb32Traits, 4> {
    static constexpr PixelLayout kLayout = PixelLayout::Rgb32;
    static constexpr int kChannelCount = 4;
    static constexpr ChannelField kChannels[4] = {{0, 8, 0}, {8, 8, 0}, {16, 8, 0}, {24, 8, 0}};
    static constexpr int kWeightBits = 8;
};

template <class L> inline constexpr uint32_t kWeightOne = 1u << L::kWeightBits;

template <class L> constexpr uint32_t ChannelMax(int c) { return (1u << L::kChannels[c].bits) - 1; }

template <class L> constexpr uint32_t ChannelOf(uint32_t pixel, int c) {
    return (pixel >> L::kChannels[c].shift) & ChannelMax<L>(c);
}

template <class L> constexpr uint32_t AtChannel(uint32_t value, int c) {
    return value << L::kChannels[c].shift;
}
