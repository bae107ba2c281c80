#include "platform/win32/display/directdraw_display_platform.h"

#include "platform/win32/display/directdraw.h"

namespace {
HWND AsWindow(PlatformWindow window) { return static_cast<HWND>(window); }

using DirectDrawCreateFunction = HRESULT(WINAPI*)(GUID*, IDirectDraw**, IUnknown*);

// DirectDraw is loaded when the first display device is made, not with the program: under Wine its
// Direct3D layer reads its settings as it loads, and the host writes its own setting before the
// display is made (platform/win32/wine). The library stays loaded for the rest of the run.
DirectDrawCreateFunction LoadDirectDrawCreate() {
    static DirectDrawCreateFunction create = [] {
        HMODULE library = LoadLibraryA("ddraw.dll");
        return library ? reinterpret_cast<DirectDrawCreateFunction>(
                             reinterpret_cast<void*>(GetProcAddress(library, "DirectDrawCreate")))
                       : nullptr;
    }();
    return create;
}
}  // namespace

int32_t DirectDrawDisplayPlatform::CreateDevice() {
    if (first_) first_->Release();
    first_ = nullptr;
    DirectDrawCreateFunction create = LoadDirectDrawCreate();
    if (!create) return DDERR_NODIRECTDRAWSUPPORT;
    return create(nullptr, &first_, nullptr);
}

int32_t DirectDrawDisplayPlatform::SetCooperativeLevel(PlatformWindow window, uint32_t flags) {
    if (!first_) return DDERR_NOTINITIALIZED;
    return first_->SetCooperativeLevel(AsWindow(window), flags);
}

int32_t DirectDrawDisplayPlatform::OpenEngineInterface() {
    if (!first_) return DDERR_NOTINITIALIZED;
    IDirectDraw4* engine = nullptr;
    HRESULT hr = first_->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&engine));
    first_->Release();
    first_ = nullptr;
    if (FAILED(hr)) return hr;
    gDirectDraw = engine;
    return hr;
}

void* DirectDrawDisplayPlatform::EngineInterface() { return gDirectDraw; }

bool DirectDrawDisplayPlatform::ReleaseDevice() {
    bool released = false;
    if (first_) {
        first_->Release();
        first_ = nullptr;
        released = true;
    }
    if (gDirectDraw) {
        gDirectDraw->Release();
        gDirectDraw = nullptr;
        released = true;
    }
    return released;
}

int32_t DirectDrawDisplayPlatform::SetDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) {
    if (!gDirectDraw) return DDERR_NOTINITIALIZED;
    return gDirectDraw->SetDisplayMode(DWORD(width), DWORD(height), DWORD(bitsPerPixel), 0, 0);
}

int32_t DirectDrawDisplayPlatform::CreatePrimary(const PrimaryDescription& description,
                                                 PlatformSurface* out) {
    if (!gDirectDraw) return DDERR_NOTINITIALIZED;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = description.flags;
    desc.dwBackBufferCount = description.backBufferCount;
    desc.ddsCaps.dwCaps = description.capabilities;
    IDirectDrawSurface4* surface = nullptr;
    HRESULT hr = gDirectDraw->CreateSurface(&desc, &surface, nullptr);
    if (SUCCEEDED(hr)) *out = surface;
    return hr;
}

int32_t DirectDrawDisplayPlatform::ReadPixelFormat(PlatformSurface primary, PrimaryPixelFormat* out) {
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    HRESULT hr = AsDirectDrawSurface(primary)->GetPixelFormat(&format);
    if (FAILED(hr)) return hr;
    *out = PrimaryPixelFormat{(format.dwFlags & DDPF_RGB) != 0, format.dwRBitMask, format.dwGBitMask,
                              format.dwBBitMask};
    return hr;
}

int32_t DirectDrawDisplayPlatform::AttachedBackBuffer(PlatformSurface primary, PlatformSurface* out) {
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    IDirectDrawSurface4* back = nullptr;
    HRESULT hr = AsDirectDrawSurface(primary)->GetAttachedSurface(&caps, &back);
    if (SUCCEEDED(hr)) *out = back;
    return hr;
}

int32_t DirectDrawDisplayPlatform::CreateWindowClipper(PlatformWindow window, PlatformSurface primary,
                                                       PlatformClipper* out) {
    if (!gDirectDraw) return DDERR_NOTINITIALIZED;
    IDirectDrawClipper* clipper = nullptr;
    HRESULT hr = gDirectDraw->CreateClipper(0, &clipper, nullptr);
    if (FAILED(hr)) return hr;
    clipper->SetHWnd(0, AsWindow(window));
    AsDirectDrawSurface(primary)->SetClipper(clipper);
    *out = clipper;
    return hr;
}

int32_t DirectDrawDisplayPlatform::CopyToBackBuffer(PlatformSurface backBuffer, PlatformSurface drawSurface) {
    return AsDirectDrawSurface(backBuffer)
        ->BltFast(0, 0, AsDirectDrawSurface(drawSurface), nullptr, DDBLTFAST_WAIT);
}

int32_t DirectDrawDisplayPlatform::Flip(PlatformSurface primary) {
    return AsDirectDrawSurface(primary)->Flip(nullptr, DDFLIP_DONOTWAIT);
}

bool DirectDrawDisplayPlatform::ReadDesktopBitsPerPixel(PlatformWindow window, int32_t* bitsPerPixel) {
    HDC dc = GetDC(AsWindow(window));
    if (!dc) return false;
    *bitsPerPixel = GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(AsWindow(window), dc);
    return true;
}

DesktopSize DirectDrawDisplayPlatform::ReadDesktopSize() {
    return DesktopSize{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

Rect DirectDrawDisplayPlatform::ReadWindowRect(PlatformWindow window) {
    RECT r{};
    GetWindowRect(AsWindow(window), &r);
    return Rect{r.left, r.top, r.right, r.bottom};
}

void DirectDrawDisplayPlatform::GiveKeyboardFocus(PlatformWindow window) { SetFocus(AsWindow(window)); }
