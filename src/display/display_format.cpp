#include "display/display_format.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

DisplayFormat gDisplayFormat{};
ChannelMasks gChannelMasks{};

uint32_t ReadProcessorFeatureWord() {
#if defined(__i386__) || defined(__x86_64__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return edx;
    return 0;
#else
    return kMmxFeatureBit;  // no such processor flag elsewhere; the software paths need none
#endif
}

void SetDisplayGeometry(DisplayFormat& format, int32_t screenWidth, int32_t screenHeight,
                        int32_t bytesPerPixel, int32_t requestedWidth, int32_t requestedHeight) {
    format.screenWidth = screenWidth;
    format.screenHeight = screenHeight;
    format.bytesPerPixel = bytesPerPixel;
    format.rowBytes = bytesPerPixel * requestedWidth;
    format.frameBytes = format.rowBytes * requestedHeight;
}

namespace {
uint64_t FourLanes(uint32_t lane) {
    uint64_t v = lane & 0xFFFFu;
    return v | v << 16 | v << 32 | v << 48;
}
uint64_t AlternateLanes(uint32_t low, uint32_t high) {
    uint64_t pair = (uint64_t(low) & 0xFFFF) | (uint64_t(high) & 0xFFFF) << 16;
    return pair | pair << 32;
}
}  // namespace

void DeriveChannelMasks(ChannelMasks& masks, int32_t bytesPerPixel, bool hasRgbMasks, uint32_t red,
                        uint32_t green, uint32_t blue) {
    switch (bytesPerPixel) {
    case 2:
        if (!hasRgbMasks) return;
        masks.redLanes = FourLanes(red);
        masks.greenLanes = FourLanes(green);
        masks.blueLanes = FourLanes(blue);
        masks.pairMaskA = AlternateLanes(green, red | blue);
        masks.pairMaskB = AlternateLanes(red | blue, green);
        masks.redBlueLanes = FourLanes(red | blue);
        masks.greenLanes2 = FourLanes(green);
        return;
    case 3:
        masks.redLanes = 0xFF000000FF000000ull;
        masks.greenLanes = 0x00FF000000FF0000ull;
        masks.blueLanes = 0x0000FF000000FF00ull;
        masks.pairMaskA = 0xFF00FF00FF00FF00ull;
        masks.pairMaskB = 0x00FF00FF00FF00FFull;
        return;
    case 4:
        masks.redLanes = 0x00FF000000FF0000ull;
        masks.greenLanes = 0x0000FF000000FF00ull;
        masks.blueLanes = 0x000000FF000000FFull;
        masks.pairMaskA = 0xFF00FF00FF00FF00ull;
        masks.pairMaskB = 0x00FF00FF00FF00FFull;
        return;
    default:
        return;
    }
}

PixelLayout LayoutOf(const DisplayFormat& format, const ChannelMasks& masks) {
    switch (format.bytesPerPixel) {
    case 2:
        return (masks.redLanes & 0x8000u) ? PixelLayout::Rgb565 : PixelLayout::Rgb555;
    case 3:
        return PixelLayout::Rgb24;
    default:
        return format.bytesPerPixel >= 4 ? PixelLayout::Rgb32 : PixelLayout::None;
    }
}
