#pragma once
// A rectangle of pixels in the display's layout, backed by a platform surface.
//
// The record and the slot order are shared with the game module:
//   offset 0 virtual table, 4 platform surface, 8 pixels, 12 pitch, 16 blit options,
//   20 width, 24 height.
//   slots: 0 deleting destructor, 1 GetPixel, 2 PutPixel, 3 nothing, 4 DrawHLine, 5 DrawVLine,
//          6 FillRect, 7 nothing, 8 BlitTo.
#include <cstdint>
#include <memory>

#include "common/deleting_destructor.h"
#include "common/geometry.h"
#include "common/layout_check.h"
#include "display/display_format.h"
#include "display/surface_platform.h"

class Surface {
  public:
    Surface() = default;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    virtual void* DeletingDestructor(uint32_t flags);
    virtual uint32_t GetPixel(int32_t px, int32_t py);
    virtual void PutPixel(int32_t px, int32_t py, uint32_t colour, int32_t level, int32_t reserved);
    virtual void Reserved3(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);
    virtual void DrawHLine(int32_t x1, int32_t x2, int32_t py, uint32_t colour, int32_t level,
                           int32_t reserved);
    virtual void DrawVLine(int32_t px, int32_t y1, int32_t y2, uint32_t colour, int32_t level,
                           int32_t reserved);
    virtual void FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t level,
                          int32_t effect);
    virtual void Reserved7(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);
    virtual void BlitTo(Surface* destination, int32_t dx, int32_t dy, Rect source, int32_t level,
                        int32_t effect);

    // Platform operations (not virtual).
    uint8_t* RefreshPixels(uint32_t lockFlags);
    void Unlock();
    void Restore();
    void Release();
    int32_t Clear(uint32_t colour);
    int32_t FillRectangle(const Rect& rect, uint32_t colour);

    bool HasPixels() const { return platformSurface != nullptr && pixels != nullptr; }
    uint8_t* Row(int32_t row) const { return pixels + int64_t(row) * pitch; }
    // Whether (px, py) is a pixel of the surface's memory.
    bool HasPixelAt(int32_t px, int32_t py) const {
        return HasPixels() && px >= 0 && py >= 0 && px < width && py < height;
    }

    PlatformSurface platformSurface = nullptr;
    uint8_t* pixels = nullptr;
    int32_t pitch = 0;
    uint32_t blitOptions = 0;
    int32_t width = 0;
    int32_t height = 0;

    // Not virtual on purpose: slot 0 is the way to destroy through a base pointer.
    ~Surface();
};

// The four layout classes. They differ only in the drawing operations.
class Surface565 : public Surface {
  public:
    void* DeletingDestructor(uint32_t flags) override;
    void DrawHLine(int32_t x1, int32_t x2, int32_t py, uint32_t colour, int32_t level,
                   int32_t reserved) override;
    void DrawVLine(int32_t px, int32_t y1, int32_t y2, uint32_t colour, int32_t level,
                   int32_t reserved) override;
    void FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t level,
                  int32_t effect) override;
    void BlitTo(Surface* destination, int32_t dx, int32_t dy, Rect source, int32_t level,
                int32_t effect) override;
};

class Surface555 : public Surface565 {
  public:
    void* DeletingDestructor(uint32_t flags) override;
    void FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t level,
                  int32_t effect) override;
    void BlitTo(Surface* destination, int32_t dx, int32_t dy, Rect source, int32_t level,
                int32_t effect) override;
};

class Surface24 : public Surface {
  public:
    void* DeletingDestructor(uint32_t flags) override;
    uint32_t GetPixel(int32_t px, int32_t py) override;
    void PutPixel(int32_t px, int32_t py, uint32_t colour, int32_t level, int32_t reserved) override;
    void DrawHLine(int32_t x1, int32_t x2, int32_t py, uint32_t colour, int32_t level,
                   int32_t reserved) override;
    void DrawVLine(int32_t px, int32_t y1, int32_t y2, uint32_t colour, int32_t level,
                   int32_t reserved) override;
    void FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t level,
                  int32_t effect) override;
    void BlitTo(Surface* destination, int32_t dx, int32_t dy, Rect source, int32_t level,
                int32_t effect) override;
};

class Surface32 : public Surface24 {
  public:
    void* DeletingDestructor(uint32_t flags) override;
    uint32_t GetPixel(int32_t px, int32_t py) override;
    void PutPixel(int32_t px, int32_t py, uint32_t colour, int32_t level, int32_t reserved) override;
    void FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t level,
                  int32_t effect) override;
    void BlitTo(Surface* destination, int32_t dx, int32_t dy, Rect source, int32_t level,
                int32_t effect) override;
};

// Factories. Both refuse (null) without the MMX flag in the feature word or when the display's
// layout is not one of the four.
Surface* CreateSurface(int32_t width, int32_t height, uint32_t capabilities);
Surface* WrapSurface();

inline void DestroySurface(Surface* surface) {
    if (surface) surface->DeletingDestructor(1);
}

// Sole ownership of a surface, destroyed through slot 0.
struct SurfaceDeleter {
    void operator()(Surface* s) const { DestroySurface(s); }
};
using SurfacePtr = std::unique_ptr<Surface, SurfaceDeleter>;

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_SIZE(Surface, 28);
TIDEMARCH_CHECK_OFFSET(Surface, platformSurface, 4);
TIDEMARCH_CHECK_OFFSET(Surface, pixels, 8);
TIDEMARCH_CHECK_OFFSET(Surface, pitch, 12);
TIDEMARCH_CHECK_OFFSET(Surface, blitOptions, 16);
TIDEMARCH_CHECK_OFFSET(Surface, width, 20);
TIDEMARCH_CHECK_OFFSET(Surface, height, 24);
TIDEMARCH_LAYOUT_CHECKS_END
#endif
