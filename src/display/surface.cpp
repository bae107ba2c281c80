#include "display/surface.h"

#include <new>

namespace {

constexpr uint32_t kLockWait = 1;

// Locks the whole surface, retrying while the platform is still drawing into it.
int32_t LockWaiting(SurfacePlatform& platform, PlatformSurface surface, uint32_t flags, uint8_t** pixels, int32_t* pitch) {
    int32_t result;
    do {
        result = platform.Lock(surface, flags, pixels, pitch);
    } while (result == surface_result::WasStillDrawing);
    return result;
}

Surface* NewSurfaceOfCurrentLayout() {
    if (!(gDisplayFormat.featureWord & kMmxFeatureBit)) return nullptr;
    switch (CurrentPixelLayout()) {
    case PixelLayout::Rgb565:
        return new (std::nothrow) Surface565;
    case PixelLayout::Rgb555:
        return new (std::nothrow) Surface555;
    case PixelLayout::Rgb24:
        return new (std::nothrow) Surface24;
    case PixelLayout::Rgb32:
        return new (std::nothrow) Surface32;
    default:
        return nullptr;
    }
}
}  // namespace

Surface::~Surface() { Release(); }

void* Surface::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }
void* Surface565::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }
void* Surface555::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }
void* Surface24::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }
void* Surface32::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

uint8_t* Surface::RefreshPixels(uint32_t lockFlags) {
    uint8_t* address = nullptr;
    int32_t rowPitch = 0;
    SurfacePlatform* platform = ActiveSurfacePlatform();
    if (platformSurface && platform && LockWaiting(*platform, platformSurface, lockFlags, &address, &rowPitch) >= 0) {
        pixels = address;
        pitch = rowPitch;
    } else {
        pixels = nullptr;
        pitch = 0;
    }
    return pixels;
}

void Surface::Unlock() {
    if (SurfacePlatform* platform = ActiveSurfacePlatform(); platformSurface && platform)
        platform->Unlock(platformSurface);
}

void Surface::Restore() {
    SurfacePlatform* platform = ActiveSurfacePlatform();
    if (!platformSurface || !platform) return;
    if (platform->IsLost(platformSurface) != surface_result::SurfaceLost) return;
    platform->Restore(platformSurface);
    RefreshPixels(kLockWait);
    Unlock();
}

void Surface::Release() {
    if (SurfacePlatform* platform = ActiveSurfacePlatform(); platformSurface && platform)
        platform->Release(platformSurface);
    platformSurface = nullptr;
}

int32_t Surface::Clear(uint32_t colour) {
    SurfacePlatform* platform = ActiveSurfacePlatform();
    if (!platformSurface || !platform) return surface_result::InvalidParams;
    return platform->ColorFill(platformSurface, nullptr, colour);
}

int32_t Surface::FillRectangle(const Rect& rect, uint32_t colour) {
    SurfacePlatform* platform = ActiveSurfacePlatform();
    if (!platformSurface || !platform) return surface_result::InvalidParams;
    return platform->ColorFill(platformSurface, &rect, colour);
}

Surface* CreateSurface(int32_t width, int32_t height, uint32_t capabilities) {
    Surface* surface = NewSurfaceOfCurrentLayout();
    if (!surface) return nullptr;
    surface->width = width;
    surface->height = height;
    surface->blitOptions = blit_options::Wait;
    SurfacePlatform* platform = ActiveSurfacePlatform();
    if (width == 0 || height == 0 || !platform) return surface;
    PlatformSurface made = nullptr;
    if (platform->Create(width, height, capabilities, &made) < 0) return surface;
    surface->platformSurface = made;
    uint8_t* address = nullptr;
    int32_t rowPitch = 0;
    if (LockWaiting(*platform, made, kLockWait, &address, &rowPitch) >= 0) {
        surface->pixels = address;
        surface->pitch = rowPitch;
        platform->Unlock(made);
    }
    return surface;
}

Surface* WrapSurface() { return NewSurfaceOfCurrentLayout(); }
