#pragma once
// What a surface needs of its platform: create a surface in system memory, lock it for its pixel
// address and pitch, fill a rectangle with one colour, copy a rectangle, and report and restore
// loss. On Windows this is DirectDraw; elsewhere (tests, tools, benchmarks) plain memory.
//
// Results follow the platform's convention: 0 or positive is success, negative is failure.
#include <cstdint>

#include "common/geometry.h"
#include "common/platform_slot.h"

using PlatformSurface = void*;

namespace surface_result {
inline constexpr int32_t Ok = 0;
inline constexpr int32_t Generic = int32_t(0x80004005u);
inline constexpr int32_t OutOfMemory = int32_t(0x8007000Eu);
inline constexpr int32_t InvalidParams = int32_t(0x80070057u);
inline constexpr int32_t InvalidRect = int32_t(0x88760096u);
inline constexpr int32_t SurfaceLost = int32_t(0x887601C2u);
inline constexpr int32_t WasStillDrawing = int32_t(0x8876021Cu);
}  // namespace surface_result

namespace surface_caps {
inline constexpr uint32_t OffscreenSystemMemory = 0x840;  // off-screen plain, system memory
}

namespace blit_options {
inline constexpr uint32_t Wait = 0x01000000;  // wait until the copy can be done
}

class SurfacePlatform {
  public:
    virtual int32_t Create(int32_t width, int32_t height, uint32_t capabilities, PlatformSurface* out) = 0;
    virtual int32_t Lock(PlatformSurface surface, uint32_t flags, uint8_t** pixels, int32_t* pitch) = 0;
    virtual void Unlock(PlatformSurface surface) = 0;
    // A null rectangle means the whole surface. A rectangle not wholly inside is refused.
    virtual int32_t ColorFill(PlatformSurface surface, const Rect* rect, uint32_t colour) = 0;
    // Rectangles of equal size, both wholly inside their surfaces, or the copy is refused.
    virtual int32_t Copy(PlatformSurface destination, const Rect& destinationRect, PlatformSurface source,
                         const Rect& sourceRect, uint32_t options) = 0;
    virtual int32_t IsLost(PlatformSurface surface) = 0;
    virtual int32_t Restore(PlatformSurface surface) = 0;
    virtual void Release(PlatformSurface surface) = 0;

  protected:
    ~SurfacePlatform() = default;
};

// The implementation surfaces use, installed by whoever chooses it before any surface exists.
// While none is installed, surfaces are made without pixels and refuse every operation.
inline SurfacePlatform* ActiveSurfacePlatform() { return PlatformSlot<SurfacePlatform>::Installed(); }
