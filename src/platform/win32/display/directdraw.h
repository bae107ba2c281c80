#pragma once
// The process's DirectDraw object and the surface backend over DirectDraw surfaces.
#include <windows.h>

#include <ddraw.h>

#include "display/surface_platform.h"

// The IDirectDraw4 interface of the display; null before the display is created and after it
// is destroyed.
extern IDirectDraw4* gDirectDraw;

class DirectDrawSurfacePlatform final : public SurfacePlatform {
  public:
    int32_t Create(int32_t width, int32_t height, uint32_t capabilities, PlatformSurface* out) override;
    int32_t Lock(PlatformSurface surface, uint32_t flags, uint8_t** pixels, int32_t* pitch) override;
    void Unlock(PlatformSurface surface) override;
    int32_t ColorFill(PlatformSurface surface, const Rect* rect, uint32_t colour) override;
    int32_t Copy(PlatformSurface destination, const Rect& destinationRect, PlatformSurface source,
                 const Rect& sourceRect, uint32_t options) override;
    int32_t IsLost(PlatformSurface surface) override;
    int32_t Restore(PlatformSurface surface) override;
    void Release(PlatformSurface surface) override;

    static DirectDrawSurfacePlatform& Instance();
};

inline IDirectDrawSurface4* AsDirectDrawSurface(PlatformSurface s) {
    return static_cast<IDirectDrawSurface4*>(s);
}
