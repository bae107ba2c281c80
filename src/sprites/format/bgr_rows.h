#pragma once
// Rows of stored 24-bit pixels (blue, green, red bytes) turned into display pixels: the inner
// loop of every sprite load. A plain loop serves every processor; where the processor has
// SSSE3, sixteen pixels at a time are gathered with byte shuffles, chosen once per process.
#include <cstddef>
#include <cstdint>

#include "common/pixel_layout.h"

// Converts n pixels at src to a layout at dst. limit is the end of the stored data: on a 32-bit
// display the fourth byte of a pixel is the stored byte after it, or 0 past the end. dstLimit
// is the end of the destination buffer: the conversion may write display pixels past the n
// asked for, up to it, for the caller to write over.
using BgrRowConverter = void (*)(const uint8_t* src, uint8_t* dst, size_t n, const uint8_t* limit,
                                 const uint8_t* dstLimit);

// The instruction sets that the converters use, from the plain loop up.
enum class RowInstructions { Plain, Ssse3, Avx2 };

// The converter for a layout (null for none), using the best instructions that the processor
// has, up to the given ones.
BgrRowConverter BgrRowConverterFor(PixelLayout layout, RowInstructions upTo = RowInstructions::Avx2);
// The plain loop alone, for checking the fast ones against.
BgrRowConverter PlainRowConverterFor(PixelLayout layout);
