#pragma once
// What the host's processor must have. The whole program is built for SSE2 (the pixel paths and
// the compiler's own floating point), and surfaces need MMX. A processor without either is
// refused with a message before any code built for them runs; an illegal instruction would end
// the process without a word.
#include <cstdint>

#include "display/display_format.h"

// CPUID leaf 1, EDX.
inline constexpr uint32_t kSse2FeatureBit = 1u << 26;
inline constexpr uint32_t kRequiredFeatureBits = kMmxFeatureBit | kSse2FeatureBit;

inline constexpr char kProcessorRefusalCaption[] = "Initialize Failed";
inline constexpr char kProcessorRefusalText[] = "This program needs a processor with MMX and SSE2.";

// Whether a processor with this feature word (CPUID leaf 1, EDX) can run the host. Kept inline
// so that the check is compiled into the code that runs before everything else, with its flags.
constexpr bool ProcessorCanRunHost(uint32_t featureWord) {
    return (featureWord & kRequiredFeatureBits) == kRequiredFeatureBits;
}
