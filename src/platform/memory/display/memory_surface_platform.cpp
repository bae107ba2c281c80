#include "platform/memory/display/memory_surface_platform.h"

#include <cstddef>
#include <cstring>

#include "display/display_format.h"

namespace {
MemorySurface* Get(PlatformSurface s) { return static_cast<MemorySurface*>(s); }

bool Inside(const MemorySurface& s, const Rect& r) {
    return !r.IsEmpty() && r.left >= 0 && r.top >= 0 && r.right <= s.width && r.bottom <= s.height;
}

void WritePixel(uint8_t* p, int32_t bytesPerPixel, uint32_t colour) {
    for (int32_t i = 0; i < bytesPerPixel; ++i)
        p[i] = uint8_t(colour >> (8 * i));
}

// Small rectangles ask for all their rows at once, so that the memory waits overlap instead of
// following one another row by row.
constexpr int32_t kPrefetchedRows = 32;

void PrefetchRows(const uint8_t* from, ptrdiff_t fromPitch, uint8_t* to, ptrdiff_t toPitch, int32_t rows) {
    if (rows > kPrefetchedRows || rows < 2) return;  // one row has no other row's wait to overlap with
    for (int32_t row = 0; row < rows; ++row) {
        __builtin_prefetch(from + row * fromPitch);
        __builtin_prefetch(to + row * toPitch, 1);
    }
}

// Copies rows between memory that does not overlap, stepping by the given pitches (negative to
// walk upwards). Rows of a small sprite-sized rectangle are copied in place, in pieces whose last
// one overlaps the one before, instead of paying a library call per row; long rows go to memcpy,
// whose call then costs little beside the copy. The way of copying is chosen once per rectangle.
constexpr size_t kPieceBytes = 16;
constexpr size_t kInlineRowBytes = 256;

template <class CopyRow>
inline __attribute__((always_inline)) void EachRow(uint8_t* to, ptrdiff_t toStep, const uint8_t* from,
                                                   ptrdiff_t fromStep, int32_t rows, CopyRow copyRow) {
    for (int32_t row = 0; row < rows; ++row, to += toStep, from += fromStep)
        copyRow(to, from);
}

// Rows of N to 2N bytes: a head piece and a tail piece, overlapping where the row is shorter.
template <size_t N>
void CopyShortRows(uint8_t* to, ptrdiff_t toStep, const uint8_t* from, ptrdiff_t fromStep, int32_t rows,
                   size_t n) {
    EachRow(to, toStep, from, fromStep, rows, [n](uint8_t* t, const uint8_t* f) {
        uint8_t head[N], tail[N];
        std::memcpy(head, f, N);
        std::memcpy(tail, f + n - N, N);
        std::memcpy(t, head, N);
        std::memcpy(t + n - N, tail, N);
    });
}

void CopySeparateRows(uint8_t* to, ptrdiff_t toStep, const uint8_t* from, ptrdiff_t fromStep, int32_t rows,
                      size_t n) {
    if (n > kInlineRowBytes) {
        EachRow(to, toStep, from, fromStep, rows,
                [n](uint8_t* t, const uint8_t* f) { std::memcpy(t, f, n); });
    } else if (n > 2 * kPieceBytes) {
        EachRow(to, toStep, from, fromStep, rows, [n](uint8_t* t, const uint8_t* f) {
            uint8_t tail[kPieceBytes];
            std::memcpy(tail, f + n - kPieceBytes, kPieceBytes);
            for (size_t i = 0; i + kPieceBytes < n; i += kPieceBytes)
                std::memcpy(t + i, f + i, kPieceBytes);
            std::memcpy(t + n - kPieceBytes, tail, kPieceBytes);
        });
    } else if (n >= kPieceBytes) {
        CopyShortRows<kPieceBytes>(to, toStep, from, fromStep, rows, n);
    } else if (n >= 8) {
        CopyShortRows<8>(to, toStep, from, fromStep, rows, n);
    } else if (n >= 4) {
        CopyShortRows<4>(to, toStep, from, fromStep, rows, n);
    } else if (n >= 2) {
        CopyShortRows<2>(to, toStep, from, fromStep, rows, n);
    } else {
        EachRow(to, toStep, from, fromStep, rows, [](uint8_t* t, const uint8_t* f) { *t = *f; });
    }
}
}  // namespace

int32_t MemorySurfacePlatform::Create(int32_t width, int32_t height, uint32_t, PlatformSurface* out) {
    int32_t bytesPerPixel = BytesPerPixel(CurrentPixelLayout());
    if (failNextCreate_ || width <= 0 || height <= 0 || bytesPerPixel == 0) {
        failNextCreate_ = false;
        return surface_result::OutOfMemory;
    }
    auto* s = new MemorySurface;
    s->width = width;
    s->height = height;
    s->bytesPerPixel = bytesPerPixel;
    s->pitch = width * bytesPerPixel + extraPitch_;
    s->pixels.assign(size_t(s->pitch) * size_t(height), 0);
    *out = s;
    ++live_;
    return surface_result::Ok;
}

int32_t MemorySurfacePlatform::Lock(PlatformSurface surface, uint32_t, uint8_t** pixels, int32_t* pitch) {
    MemorySurface* s = Get(surface);
    if (s->lost) return surface_result::SurfaceLost;
    *pixels = s->pixels.data();
    *pitch = s->pitch;
    return surface_result::Ok;
}

void MemorySurfacePlatform::Unlock(PlatformSurface) {}

int32_t MemorySurfacePlatform::ColorFill(PlatformSurface surface, const Rect* rect, uint32_t colour) {
    MemorySurface* s = Get(surface);
    if (s->lost) return surface_result::SurfaceLost;
    Rect r = rect ? *rect : Rect{0, 0, s->width, s->height};
    if (!Inside(*s, r)) return surface_result::InvalidRect;
    for (int32_t row = r.top; row < r.bottom; ++row) {
        uint8_t* p =
            s->pixels.data() + size_t(row) * size_t(s->pitch) + size_t(r.left) * size_t(s->bytesPerPixel);
        for (int32_t col = r.left; col < r.right; ++col, p += s->bytesPerPixel)
            WritePixel(p, s->bytesPerPixel, colour);
    }
    return surface_result::Ok;
}

int32_t MemorySurfacePlatform::Copy(PlatformSurface destination, const Rect& dr, PlatformSurface source,
                                    const Rect& sr, uint32_t) {
    MemorySurface* d = Get(destination);
    MemorySurface* s = Get(source);
    if (!d || !s) return surface_result::InvalidParams;
    if (d->lost || s->lost) return surface_result::SurfaceLost;
    if (!Inside(*d, dr) || !Inside(*s, sr) || dr.Width() != sr.Width() || dr.Height() != sr.Height() ||
        d->bytesPerPixel != s->bytesPerPixel)
        return surface_result::InvalidRect;
    const size_t rowBytes = size_t(sr.Width()) * size_t(s->bytesPerPixel);
    const int32_t rows = sr.Height();
    const ptrdiff_t fromPitch = s->pitch, toPitch = d->pitch;
    const uint8_t* from =
        s->pixels.data() + size_t(sr.top) * size_t(fromPitch) + size_t(sr.left) * size_t(s->bytesPerPixel);
    uint8_t* to =
        d->pixels.data() + size_t(dr.top) * size_t(toPitch) + size_t(dr.left) * size_t(d->bytesPerPixel);
    PrefetchRows(from, fromPitch, to, toPitch, rows);
    if (d == s && dr.top == sr.top) {
        // Source and destination share their rows and may overlap within each.
        for (int32_t row = 0; row < rows; ++row, from += fromPitch, to += toPitch)
            std::memmove(to, from, rowBytes);
        return surface_result::Ok;
    }
    // Rows of different surfaces, or different rows of one surface, never overlap. Within one
    // surface, a copy downwards walks the rows from the bottom so that no source row is
    // overwritten before it is read.
    if (d == s && dr.top > sr.top)
        CopySeparateRows(to + ptrdiff_t(rows - 1) * toPitch, -toPitch, from + ptrdiff_t(rows - 1) * fromPitch,
                         -fromPitch, rows, rowBytes);
    else
        CopySeparateRows(to, toPitch, from, fromPitch, rows, rowBytes);
    return surface_result::Ok;
}

int32_t MemorySurfacePlatform::IsLost(PlatformSurface surface) {
    return Get(surface)->lost ? surface_result::SurfaceLost : surface_result::Ok;
}

int32_t MemorySurfacePlatform::Restore(PlatformSurface surface) {
    Get(surface)->lost = false;
    return surface_result::Ok;
}

void MemorySurfacePlatform::Release(PlatformSurface surface) {
    delete Get(surface);
    --live_;
}

MemoryDisplayScope::MemoryDisplayScope(int32_t bytesPerPixel, uint32_t redMask, int32_t width, int32_t height,
                                       int32_t extraPitchBytes)
    : backend_(std::make_unique<MemorySurfacePlatform>(extraPitchBytes)), installation_(*backend_) {
    gDisplayFormat = DisplayFormat{};
    gChannelMasks = ChannelMasks{};
    gDisplayFormat.featureWord = ReadProcessorFeatureWord();
    SetDisplayGeometry(gDisplayFormat, width, height, bytesPerPixel, width, height);
    uint32_t green = redMask == 0xF800 ? 0x07E0 : 0x03E0;
    DeriveChannelMasks(gChannelMasks, bytesPerPixel, true, redMask, green, 0x001F);
}

MemoryDisplayScope::~MemoryDisplayScope() = default;
