#pragma once
// Drawing levels (surface fills and copies) and sprite alphas run from 0, nothing drawn, to
// kOpaque, where the source replaces the destination instead of blending with it.
#include <cstdint>

inline constexpr int32_t kOpaque = 256;
