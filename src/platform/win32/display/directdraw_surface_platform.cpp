#include <cstring>

#include "platform/win32/display/directdraw.h"

IDirectDraw4* gDirectDraw = nullptr;

namespace {
RECT ToRect(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// DirectDraw clips nothing for a surface without a clipper: a rectangle outside the surface is
// refused with an error, which is the behaviour drawing relies on. Checking here as well keeps
// the refusal independent of the driver.
bool Inside(IDirectDrawSurface4* s, const Rect& r) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    if (FAILED(s->GetSurfaceDesc(&desc))) return false;
    return !r.IsEmpty() && r.left >= 0 && r.top >= 0 && r.right <= LONG(desc.dwWidth) &&
           r.bottom <= LONG(desc.dwHeight);
}
}  // namespace

DirectDrawSurfacePlatform& DirectDrawSurfacePlatform::Instance() {
    static DirectDrawSurfacePlatform backend;
    return backend;
}

int32_t DirectDrawSurfacePlatform::Create(int32_t width, int32_t height, uint32_t capabilities,
                                         PlatformSurface* out) {
    if (!gDirectDraw) return DDERR_NOTINITIALIZED;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = DWORD(width);
    desc.dwHeight = DWORD(height);
    desc.ddsCaps.dwCaps = capabilities;
    IDirectDrawSurface4* surface = nullptr;
    HRESULT hr = gDirectDraw->CreateSurface(&desc, &surface, nullptr);
    if (FAILED(hr)) return hr;
    *out = surface;
    return DD_OK;
}

int32_t DirectDrawSurfacePlatform::Lock(PlatformSurface surface, uint32_t flags, uint8_t** pixels,
                                       int32_t* pitch) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    HRESULT hr = AsDirectDrawSurface(surface)->Lock(nullptr, &desc, flags, nullptr);
    if (FAILED(hr)) return hr;
    *pixels = static_cast<uint8_t*>(desc.lpSurface);
    *pitch = desc.lPitch;
    return hr;
}

void DirectDrawSurfacePlatform::Unlock(PlatformSurface surface) {
    AsDirectDrawSurface(surface)->Unlock(nullptr);
}

int32_t DirectDrawSurfacePlatform::ColorFill(PlatformSurface surface, const Rect* rect, uint32_t colour) {
    IDirectDrawSurface4* s = AsDirectDrawSurface(surface);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = colour;
    if (!rect) return s->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    if (!Inside(s, *rect)) return DDERR_INVALIDRECT;
    RECT r = ToRect(*rect);
    return s->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

int32_t DirectDrawSurfacePlatform::Copy(PlatformSurface destination, const Rect& destinationRect,
                                       PlatformSurface source, const Rect& sourceRect, uint32_t options) {
    IDirectDrawSurface4* d = AsDirectDrawSurface(destination);
    IDirectDrawSurface4* s = AsDirectDrawSurface(source);
    if (!d || !s) return DDERR_INVALIDPARAMS;
    if (!Inside(d, destinationRect) || !Inside(s, sourceRect)) return DDERR_INVALIDRECT;
    RECT dr = ToRect(destinationRect), sr = ToRect(sourceRect);
    return d->Blt(&dr, s, &sr, options, nullptr);
}

int32_t DirectDrawSurfacePlatform::IsLost(PlatformSurface surface) {
    return AsDirectDrawSurface(surface)->IsLost();
}

int32_t DirectDrawSurfacePlatform::Restore(PlatformSurface surface) {
    return AsDirectDrawSurface(surface)->Restore();
}

void DirectDrawSurfacePlatform::Release(PlatformSurface surface) { AsDirectDrawSurface(surface)->Release(); }
