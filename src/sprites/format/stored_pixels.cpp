#include "sprites/format/stored_pixels.h"

#include <algorithm>
#include <cstring>

#include "sprites/format/bgr_rows.h"
#include "sprites/format/sprite_format.h"

namespace {
using sprite_format::kRowEnd;
using sprite_format::kRunHeaderBytes;
using sprite_format::kSpriteEnd;

uint16_t Load16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
void Store16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, 2); }

bool ThreeByte(const StoredPixels& s) { return s.storedBytesPerPixel == 3; }

uint32_t DisplayBytes(PixelLayout layout) { return uint32_t(BytesPerPixel(layout)); }

// One run as the walk found it. Skip, count and the start column are in the stored units:
// pixels for 3-byte data, bytes for 2-byte data.
struct Run {
    uint32_t offset;  // of the run's first byte in the data
    int64_t row;
    uint32_t startColumn;  // where the run's first pixel goes
    uint16_t skip;
    uint8_t flag;
    uint16_t count;
    const uint8_t* pixels;
};

struct WalkEnd {
    PixelFault fault = PixelFault::None;
    uint32_t offset = 0;
    bool clipped = false;
};

// Walks run data as a flat sequence of runs and markers, checking each against the data before
// the visitor sees it. The visitor's RowMark, DrawingEnd and Run are called in data order; the
// walk stops at the sprite end, at a marker that ends the drawing, at the end of the data, at the
// first entry below the last row, or at the first fault.
//
// What lies outside the sprite's rectangle is clipped rather than refused, as the renderers
// would clip it: a run keeps only its pixels inside the row's width (a run wholly past it leaves
// an Rle row empty and is left out of an Rle2 row), and nothing below the last row is kept.
// Unsafe data is still a fault: a run that the data ends inside, or a 2-byte pixel split in two.
//
// Made once for each stored pixel size and row structure, so that the rules are fixed inside
// the loop.
template <bool ThreeByteData, bool OneRunPerRow, class Visitor>
WalkEnd WalkRunsOf(const StoredPixels& s, Visitor& visitor) {
    const uint8_t* data = s.data.data();
    const size_t size = s.data.size();
    constexpr uint32_t kBytesPerUnit = ThreeByteData ? 3 : 1;
    const uint64_t rowUnits = uint64_t(s.width) * (ThreeByteData ? 1 : 2);
    int64_t row = 0;
    uint64_t column = 0;
    size_t pos = 0;
    bool clipped = false;
    auto fail = [&](PixelFault fault) { return WalkEnd{fault, uint32_t(pos), clipped}; };
    auto finish = [&] { return WalkEnd{PixelFault::None, 0, clipped}; };
    for (;;) {
        if (size - pos < 2) return pos == size ? finish() : fail(PixelFault::RunPassesData);
        const uint16_t word = Load16(data + pos);
        if (word == kSpriteEnd) return finish();
        if (row >= s.height) {
            clipped = true;
            return finish();
        }
        if (word & sprite_format::kMarkerBit) {
            // Rle data of 3-byte pixels reads any other marker as an empty row.
            if (word != kRowEnd && !(OneRunPerRow && ThreeByteData)) {
                visitor.DrawingEnd(word);
                return finish();
            }
            visitor.RowMark();
            ++row;
            column = 0;
            pos += 2;
            continue;
        }
        if (size - pos < kRunHeaderBytes) return fail(PixelFault::RunPassesData);
        Run run{
            uint32_t(pos), row, 0, word, data[pos + 2], Load16(data + pos + 3), data + pos + kRunHeaderBytes};
        if (!ThreeByteData && ((run.skip | run.count) & 1)) return fail(PixelFault::SplitsPixel);
        const size_t pixelBytes = size_t(run.count) * kBytesPerUnit;
        if (size - pos - kRunHeaderBytes < pixelBytes) return fail(PixelFault::RunPassesData);
        const uint64_t start = column + run.skip;
        const uint64_t end = start + run.count;
        const uint64_t shownEnd = std::min(end, rowUnits);
        if (shownEnd < end) clipped = true;
        if (start < shownEnd) {
            run.startColumn = uint32_t(start);
            run.count = uint16_t(shownEnd - start);
            visitor.Run(run);
        } else if (OneRunPerRow) {
            visitor.RowMark();
        }
        pos += kRunHeaderBytes + pixelBytes;
        if (OneRunPerRow) {
            ++row;
            column = 0;
        } else {
            column = end;
        }
    }
}

template <class Visitor> WalkEnd WalkRuns(const StoredPixels& s, Visitor& visitor) {
    const bool rle = s.kind == SpriteKind::Rle;
    if (ThreeByte(s)) return rle ? WalkRunsOf<true, true>(s, visitor) : WalkRunsOf<true, false>(s, visitor);
    return rle ? WalkRunsOf<false, true>(s, visitor) : WalkRunsOf<false, false>(s, visitor);
}

struct Counter {
    explicit Counter(bool threeByte) : threeByte(threeByte) {}
    bool threeByte;
    PixelInspection result;
    void RowMark() { ++result.marks; }
    void DrawingEnd(uint16_t) { ++result.marks; }
    void Run(const ::Run& run) {
        const uint32_t skip = threeByte ? run.skip : run.skip / 2u;
        const uint32_t count = threeByte ? run.count : run.count / 2u;
        ++result.runs;
        result.pixels += count;
        if (skip > result.longestSkip) result.longestSkip = skip;
        if (count > result.longestCount) result.longestCount = count;
    }
};

void Expand565(uint16_t v, uint8_t* bgr) {
    const uint32_t r = v >> 11, g = (v >> 5) & 0x3F, b = v & 0x1F;
    bgr[0] = uint8_t(b << 3 | b >> 2);
    bgr[1] = uint8_t(g << 2 | g >> 4);
    bgr[2] = uint8_t(r << 3 | r >> 2);
}

// 5:6:5 words to any layout. On 24- and 32-bit displays each channel is widened by repeating
// its top bits, so that packing it again gives the stored word back.
template <PixelLayout Layout>
void From565Row(const uint8_t* src, uint8_t* dst, size_t n, const uint8_t*, const uint8_t*) {
    for (size_t i = 0; i < n; ++i, src += 2) {
        const uint16_t v = Load16(src);
        if (Layout == PixelLayout::Rgb555) {
            Store16(dst, Convert565To555(v));
            dst += 2;
        } else if (Layout == PixelLayout::Rgb565) {
            Store16(dst, v);
            dst += 2;
        } else {
            Expand565(v, dst);
            if (Layout == PixelLayout::Rgb32) dst[3] = 0;
            dst += Layout == PixelLayout::Rgb32 ? 4 : 3;
        }
    }
}

// The row conversion of a stored pixel size and a layout.
BgrRowConverter RowConverterFor(bool threeByte, PixelLayout layout) {
    if (threeByte) return BgrRowConverterFor(layout);
    switch (layout) {
    case PixelLayout::Rgb565:
        return From565Row<PixelLayout::Rgb565>;
    case PixelLayout::Rgb555:
        return From565Row<PixelLayout::Rgb555>;
    case PixelLayout::Rgb24:
        return From565Row<PixelLayout::Rgb24>;
    case PixelLayout::Rgb32:
        return From565Row<PixelLayout::Rgb32>;
    case PixelLayout::None:
        break;
    }
    return nullptr;
}

struct RunWriter {
    const StoredPixels& s;
    BgrRowConverter convert;
    uint32_t bytesPerPixel;
    uint8_t* out;
    const uint8_t* outEnd;
    void RowMark() {
        Store16(out, kRowEnd);
        out += 2;
    }
    void DrawingEnd(uint16_t word) {
        Store16(out, word);
        out += 2;
    }
    void Run(const ::Run& run) {
        const bool threeByte = ThreeByte(s);
        const uint32_t count = threeByte ? run.count : run.count / 2u;
        const uint32_t skip = threeByte ? run.skip : run.skip / 2u;
        Store16(out, uint16_t(skip * bytesPerPixel));
        out[2] = run.flag;
        Store16(out + 3, uint16_t(count * bytesPerPixel));
        out += kRunHeaderBytes;
        convert(run.pixels, out, count, s.data.data() + s.data.size(), outEnd);
        out += size_t(count) * bytesPerPixel;
    }
};

// Counts and converts in the same walk.
struct CountingWriter {
    Counter counter;
    RunWriter writer;
    void RowMark() {
        counter.RowMark();
        writer.RowMark();
    }
    void DrawingEnd(uint16_t word) {
        counter.DrawingEnd(word);
        writer.DrawingEnd(word);
    }
    void Run(const ::Run& run) {
        counter.Run(run);
        writer.Run(run);
    }
};

// Turns the 5:6:5 pixels of a copy of 2-byte run data into 5:5:5, leaving its structure alone.
struct InPlace555 {
    uint8_t* copy;
    const uint8_t* data;
    void RowMark() {}
    void DrawingEnd(uint16_t) {}
    void Run(const ::Run& run) {
        uint8_t* p = copy + (run.pixels - data);
        for (uint32_t i = 0; i < run.count; i += 2)
            Store16(p + i, Convert565To555(Load16(p + i)));
    }
};

uint32_t Rgba(const uint8_t* stored, bool threeByte) {
    uint8_t bgr[3];
    if (threeByte) {
        std::memcpy(bgr, stored, 3);
    } else {
        Expand565(Load16(stored), bgr);
    }
    return uint32_t(bgr[2]) | uint32_t(bgr[1]) << 8 | uint32_t(bgr[0]) << 16 | 0xFF000000u;
}

struct RgbaWriter {
    const StoredPixels& s;
    uint32_t* rgba;
    void RowMark() {}
    void DrawingEnd(uint16_t) {}
    void Run(const ::Run& run) {
        const bool threeByte = ThreeByte(s);
        const uint32_t unit = threeByte ? 1 : 2;
        uint32_t* row = rgba + size_t(run.row) * size_t(s.width);
        const uint32_t x = run.startColumn / unit;
        for (uint32_t i = 0; i < run.count / unit; ++i)
            row[x + i] = Rgba(run.pixels + size_t(i) * s.storedBytesPerPixel, threeByte);
    }
};

uint64_t RectanglePixels(const StoredPixels& s) { return uint64_t(s.width) * uint64_t(s.height); }
}  // namespace

PixelInspection InspectStoredPixels(const StoredPixels& s) {
    if (s.kind == SpriteKind::Raw) {
        PixelInspection result;
        result.pixels = RectanglePixels(s);
        if (s.data.size() < result.pixels * uint64_t(s.storedBytesPerPixel)) {
            result.fault = PixelFault::DataTooShort;
            result.faultOffset = uint32_t(s.data.size());
        }
        return result;
    }
    Counter counter(ThreeByte(s));
    const WalkEnd end = WalkRuns(s, counter);
    counter.result.fault = end.fault;
    counter.result.faultOffset = end.offset;
    counter.result.clipped = end.clipped;
    return counter.result;
}

bool ConvertsInOneWalk(const StoredPixels& s, PixelLayout layout) {
    return s.kind != SpriteKind::Raw && (ThreeByte(s) || DisplayBytes(layout) != 2) &&
           DisplayBytes(layout) != 0;
}

size_t OneWalkScratchBytes(const StoredPixels& s) { return 2 * s.data.size() + 2 + kScratchSlack; }

PixelInspection InspectAndConvert(const StoredPixels& s, PixelLayout layout, uint8_t* scratch,
                                  size_t* converted) {
    const uint32_t b = DisplayBytes(layout);
    CountingWriter visitor{Counter(ThreeByte(s)), RunWriter{s, RowConverterFor(ThreeByte(s), layout), b,
                                                            scratch, scratch + OneWalkScratchBytes(s)}};
    const WalkEnd end = WalkRuns(s, visitor);
    visitor.counter.result.fault = end.fault;
    visitor.counter.result.faultOffset = end.offset;
    visitor.counter.result.clipped = end.clipped;
    Store16(visitor.writer.out, kSpriteEnd);
    *converted = size_t(visitor.writer.out + 2 - scratch);
    return visitor.counter.result;
}

bool ConvertedSize(const StoredPixels& s, const PixelInspection& inspection, PixelLayout layout,
                   size_t* bytes) {
    const uint64_t b = uint64_t(DisplayBytes(layout));
    if (b == 0 || !inspection.ok()) return false;
    if (KeepsStoredForm(s, inspection, layout)) {
        *bytes = s.data.size();
        return true;
    }
    if (s.kind == SpriteKind::Raw) {
        *bytes = size_t(RectanglePixels(s) * b + 2);
        return true;
    }
    // A skip counted in bytes must stay below the marker bit, a count must fit 16 bits.
    if (inspection.longestSkip * b >= sprite_format::kMarkerBit || inspection.longestCount * b > 0xFFFF)
        return false;
    *bytes = size_t(uint64_t(inspection.marks) * 2 + uint64_t(inspection.runs) * kRunHeaderBytes +
                    inspection.pixels * b + 2);
    return true;
}

bool KeepsStoredForm(const StoredPixels& s, const PixelInspection& inspection, PixelLayout layout) {
    return !ThreeByte(s) && DisplayBytes(layout) == 2 && !inspection.clipped;
}

void ConvertStoredPixels(const StoredPixels& s, const PixelInspection& inspection, PixelLayout layout,
                         uint8_t* out, size_t outBytes) {
    const bool threeByte = ThreeByte(s);
    const uint32_t b = DisplayBytes(layout);
    if (KeepsStoredForm(s, inspection, layout)) {
        if (!s.data.empty()) std::memcpy(out, s.data.data(), s.data.size());
        if (layout != PixelLayout::Rgb555) return;
        if (s.kind == SpriteKind::Raw) {
            for (uint64_t i = 0; i < RectanglePixels(s); ++i)
                Store16(out + 2 * i, Convert565To555(Load16(out + 2 * i)));
            return;
        }
        InPlace555 visitor{out, s.data.data()};
        WalkRuns(s, visitor);
        return;
    }
    const uint8_t* limit = s.data.data() + s.data.size();
    if (s.kind == SpriteKind::Raw) {
        const size_t pixels = size_t(RectanglePixels(s));
        RowConverterFor(threeByte, layout)(s.data.data(), out, pixels, limit, out + outBytes);
        Store16(out + pixels * b, kSpriteEnd);
        return;
    }
    RunWriter writer{s, RowConverterFor(threeByte, layout), b, out, out + outBytes};
    WalkRuns(s, writer);
    Store16(writer.out, kSpriteEnd);
}

void DecodeStoredPixels(const StoredPixels& s, uint32_t* rgba) {
    const size_t pixels = size_t(RectanglePixels(s));
    const bool threeByte = ThreeByte(s);
    if (s.kind == SpriteKind::Raw) {
        for (size_t i = 0; i < pixels; ++i)
            rgba[i] = Rgba(s.data.data() + i * s.storedBytesPerPixel, threeByte);
        return;
    }
    std::fill(rgba, rgba + pixels, 0u);
    RgbaWriter writer{s, rgba};
    WalkRuns(s, writer);
}
