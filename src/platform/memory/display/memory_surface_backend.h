#pragma once
// Surfaces in plain heap memory, for builds and tools without DirectDraw and for tests and
// benchmarks. Fills and copies are done in software with the platform's refusal rules; loss can
// be simulated.
#include <cstdint>
#include <memory>
#include <vector>

#include "display/surface_backend.h"

struct MemorySurface {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bytesPerPixel = 0;
    int32_t pitch = 0;
    bool lost = false;
    std::vector<uint8_t> pixels;
};

class MemorySurfaceBackend final : public SurfaceBackend {
  public:
    // Surfaces take the display's current bytes per pixel when they are created. Extra pitch
    // bytes per row exercise code that must use the pitch rather than width x bytes per pixel.
    explicit MemorySurfaceBackend(int32_t extraPitchBytes = 0) : extraPitch_(extraPitchBytes) {}

    int32_t Create(int32_t width, int32_t height, uint32_t capabilities, PlatformSurface* out) override;
    int32_t Lock(PlatformSurface surface, uint32_t flags, uint8_t** pixels, int32_t* pitch) override;
    void Unlock(PlatformSurface surface) override;
    int32_t ColorFill(PlatformSurface surface, const Rect* rect, uint32_t colour) override;
    int32_t Copy(PlatformSurface destination, const Rect& destinationRect, PlatformSurface source,
                 const Rect& sourceRect, uint32_t options) override;
    int32_t IsLost(PlatformSurface surface) override;
    int32_t Restore(PlatformSurface surface) override;
    void Release(PlatformSurface surface) override;

    // Makes the next Create fail, as a platform out of memory would.
    void FailNextCreate() { failNextCreate_ = true; }
    static void MarkLost(PlatformSurface surface) { static_cast<MemorySurface*>(surface)->lost = true; }
    size_t LiveSurfaces() const { return live_; }

  private:
    int32_t extraPitch_;
    bool failNextCreate_ = false;
    size_t live_ = 0;
};

// Sets up the display format and channel masks of a display in the given layout, and makes a
// memory backend the active one, for code that draws without a real display.
class MemoryDisplayScope {
  public:
    MemoryDisplayScope(int32_t bytesPerPixel, uint32_t redMask, int32_t width = 640, int32_t height = 480,
                       int32_t extraPitchBytes = 0);
    ~MemoryDisplayScope();
    MemoryDisplayScope(const MemoryDisplayScope&) = delete;
    MemoryDisplayScope& operator=(const MemoryDisplayScope&) = delete;
    MemorySurfaceBackend& backend() { return *backend_; }

  private:
    std::unique_ptr<MemorySurfaceBackend> backend_;
    SurfaceBackend* previous_;
};
