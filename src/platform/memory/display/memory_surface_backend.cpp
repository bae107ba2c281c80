#include "platform/memory/display/memory_surface_backend.h"

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
}  // namespace

int32_t MemorySurfaceBackend::Create(int32_t width, int32_t height, uint32_t, PlatformSurface* out) {
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

int32_t MemorySurfaceBackend::Lock(PlatformSurface surface, uint32_t, uint8_t** pixels, int32_t* pitch) {
    MemorySurface* s = Get(surface);
    if (s->lost) return surface_result::SurfaceLost;
    *pixels = s->pixels.data();
    *pitch = s->pitch;
    return surface_result::Ok;
}

void MemorySurfaceBackend::Unlock(PlatformSurface) {}

int32_t MemorySurfaceBackend::ColorFill(PlatformSurface surface, const Rect* rect, uint32_t colour) {
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

int32_t MemorySurfaceBackend::Copy(PlatformSurface destination, const Rect& dr, PlatformSurface source,
                                   const Rect& sr, uint32_t) {
    MemorySurface* d = Get(destination);
    MemorySurface* s = Get(source);
    if (!d || !s) return surface_result::InvalidParams;
    if (d->lost || s->lost) return surface_result::SurfaceLost;
    if (!Inside(*d, dr) || !Inside(*s, sr) || dr.Width() != sr.Width() || dr.Height() != sr.Height() ||
        d->bytesPerPixel != s->bytesPerPixel)
        return surface_result::InvalidRect;
    size_t rowBytes = size_t(sr.Width()) * size_t(s->bytesPerPixel);
    for (int32_t row = 0; row < sr.Height(); ++row) {
        const uint8_t* from = s->pixels.data() + size_t(sr.top + row) * size_t(s->pitch) +
                              size_t(sr.left) * size_t(s->bytesPerPixel);
        uint8_t* to = d->pixels.data() + size_t(dr.top + row) * size_t(d->pitch) +
                      size_t(dr.left) * size_t(d->bytesPerPixel);
        std::memmove(to, from, rowBytes);
    }
    return surface_result::Ok;
}

int32_t MemorySurfaceBackend::IsLost(PlatformSurface surface) {
    return Get(surface)->lost ? surface_result::SurfaceLost : surface_result::Ok;
}

int32_t MemorySurfaceBackend::Restore(PlatformSurface surface) {
    Get(surface)->lost = false;
    return surface_result::Ok;
}

void MemorySurfaceBackend::Release(PlatformSurface surface) {
    delete Get(surface);
    --live_;
}

MemoryDisplayScope::MemoryDisplayScope(int32_t bytesPerPixel, uint32_t redMask, int32_t width, int32_t height,
                                       int32_t extraPitchBytes)
    : backend_(std::make_unique<MemorySurfaceBackend>(extraPitchBytes)), previous_(ActiveSurfaceBackend()) {
    gDisplayFormat = DisplayFormat{};
    gChannelMasks = ChannelMasks{};
    gDisplayFormat.featureWord = ReadProcessorFeatureWord();
    SetDisplayGeometry(gDisplayFormat, width, height, bytesPerPixel, width, height);
    uint32_t green = redMask == 0xF800 ? 0x07E0 : 0x03E0;
    DeriveChannelMasks(gChannelMasks, bytesPerPixel, true, redMask, green, 0x001F);
    SetActiveSurfaceBackend(backend_.get());
}

MemoryDisplayScope::~MemoryDisplayScope() { SetActiveSurfaceBackend(previous_); }
