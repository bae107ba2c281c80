#pragma once
// The display's pixel format, recorded once when the display is created (and again when it is
// resized), and the channel masks derived from it. Every surface has the display's layout.
#include <cstdint>

#include "common/layout_check.h"
#include "common/pixel_layout.h"

struct DisplayFormat {
    uint32_t featureWord;  // CPUID leaf 1, EDX; bit 23 is MMX
    int32_t screenWidth;
    int32_t screenHeight;
    int32_t bytesPerPixel;
    int32_t rowBytes;    // bytes per pixel x requested width
    int32_t frameBytes;  // row bytes x requested height
};

// Seven 64-bit masks that let one operation work on several 16-bit pixels or on the bytes of
// 24/32-bit pixels. Order is part of the contract with the game module.
struct ChannelMasks {
    uint64_t redLanes;
    uint64_t greenLanes;
    uint64_t blueLanes;
    uint64_t pairMaskA;
    uint64_t pairMaskB;
    uint64_t redBlueLanes;
    uint64_t greenLanes2;
};

inline constexpr uint32_t kMmxFeatureBit = 1u << 23;

extern DisplayFormat gDisplayFormat;
extern ChannelMasks gChannelMasks;

// The processor's feature word (CPUID leaf 1, EDX).
uint32_t ReadProcessorFeatureWord();

// Fills the size fields of the record the way display creation and resize do.
void SetDisplayGeometry(DisplayFormat& format, int32_t screenWidth, int32_t screenHeight,
                        int32_t bytesPerPixel, int32_t requestedWidth, int32_t requestedHeight);

// Derives the masks from the primary surface's reported format. For two bytes per pixel the
// masks are taken only when the format carries RGB masks; for three and four bytes the fixed
// byte masks are used; for any other size the masks are left as they are.
void DeriveChannelMasks(ChannelMasks& masks, int32_t bytesPerPixel, bool hasRgbMasks, uint32_t red,
                        uint32_t green, uint32_t blue);

// The layout of the current display: bytes per pixel, and for 16-bit displays bit 15 of the red
// lanes. None when no surface can be made in it.
PixelLayout LayoutOf(const DisplayFormat& format, const ChannelMasks& masks);
inline PixelLayout CurrentPixelLayout() { return LayoutOf(gDisplayFormat, gChannelMasks); }

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_CHECK_SIZE(DisplayFormat, 24);
TIDEMARCH_CHECK_SIZE(ChannelMasks, 56);
#endif
