// The display device over DirectDraw.
#include <windows.h>

#include <ddraw.h>

#include "display/display.h"
#include "display/present_geometry.h"
#include "platform/win32/display/directdraw.h"
#include "shell/host_globals.h"

namespace {
constexpr uint32_t kLockWait = 1;
constexpr DWORD kPrimaryFlipCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;  // 0x218

IDirectDrawSurface4* CreatePrimary(DDSURFACEDESC2& desc, DWORD retryCaps) {
    IDirectDrawSurface4* surface = nullptr;
    if (SUCCEEDED(gDirectDraw->CreateSurface(&desc, &surface, nullptr))) return surface;
    desc.ddsCaps.dwCaps = retryCaps;
    if (SUCCEEDED(gDirectDraw->CreateSurface(&desc, &surface, nullptr))) return surface;
    return nullptr;
}

DDSURFACEDESC2 FlippingPrimaryDescription() {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = 2;
    desc.ddsCaps.dwCaps = kPrimaryFlipCaps;
    return desc;
}

IDirectDrawSurface4* AttachedBackBuffer(Surface* primary) {
    if (!primary || !primary->platformSurface) return nullptr;
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    IDirectDrawSurface4* back = nullptr;
    if (FAILED(AsDirectDrawSurface(primary->platformSurface)->GetAttachedSurface(&caps, &back)))
        return nullptr;
    return back;
}

// A wrapped surface of screen size around a platform surface obtained elsewhere, its pixel
// address taken once.
void AttachPlatformSurface(Surface* surface, IDirectDrawSurface4* platform) {
    surface->platformSurface = platform;
    surface->width = gDisplayFormat.screenWidth;
    surface->height = gDisplayFormat.screenHeight;
    surface->RefreshPixels(kLockWait);
    surface->Unlock();
}

Surface* NewDrawSurface() {
    Surface* surface = CreateSurface(gDisplayFormat.screenWidth, gDisplayFormat.screenHeight,
                                     surface_caps::OffscreenSystemMemory);
    if (surface) surface->Clear(0);
    return surface;
}

void ShowDebugBoxOwnedByHostWindow(const char* text) {
    MessageBoxA(static_cast<HWND>(host::HostWindow), text, "For Debug", MB_OK);
}

DisplayMessageSink gMessageSink = ShowDebugBoxOwnedByHostWindow;

void ShowDebugBox(const char* text) { gMessageSink(text); }
}  // namespace

void SetDisplayMessageSink(DisplayMessageSink sink) {
    gMessageSink = sink ? sink : ShowDebugBoxOwnedByHostWindow;
}

Display::Display(int32_t requestedWidth, int32_t requestedHeight)
    : SurfaceControl(nullptr, 0, 0, 0, 0, 64), width(requestedWidth), height(requestedHeight) {}

Display::~Display() {
    DestroySurface(backBuffer);
    backBuffer = nullptr;
    DestroySurface(drawSurface);
    drawSurface = nullptr;
    DestroySurface(ownSurface);
    ownSurface = nullptr;
    if (gDirectDraw) {
        gDirectDraw->Release();
        gDirectDraw = nullptr;
        host::DirectDrawObject = nullptr;
    }
    // The clipper stays with DirectDraw, which releases it with the primary it is attached to.
}

void* Display::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

int32_t Display::Create(void* window, void* instance, int32_t requestedWidth, int32_t requestedHeight,
                        int32_t bytesPerPixel, uint32_t cooperativeFlags) {
    HWND hwnd = static_cast<HWND>(window);
    host::HostWindow = window;
    host::CooperativeLevel = cooperativeFlags;
    host::InstanceHandle = instance;
    gDisplayFormat.featureWord = ReadProcessorFeatureWord();
    SetActiveSurfaceBackend(&DirectDrawSurfaceBackend::Instance());

    IDirectDraw* first = nullptr;
    HRESULT hr = DirectDrawCreate(nullptr, &first, nullptr);
    // Every creation failure ends creation with 0, also those with codes other than the usual
    // six (invalid GUID, already created, no hardware, generic, out of memory, invalid
    // parameters), which nothing could handle otherwise.
    if (FAILED(hr)) return 0;
    if (FAILED(first->SetCooperativeLevel(hwnd, cooperativeFlags))) {
        first->Release();
        PostQuitMessage(2);
        return 0;
    }
    IDirectDraw4* dd4 = nullptr;
    hr = first->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd4));
    first->Release();
    if (FAILED(hr)) {
        PostQuitMessage(2);
        return 0;
    }
    gDirectDraw = dd4;
    host::DirectDrawObject = dd4;

    const bool windowed = IsWindowedLevel(cooperativeFlags);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    DWORD retryCaps;
    if (windowed) {
        HDC dc = GetDC(hwnd);
        if (!dc) {
            PostQuitMessage(2);
        } else {
            bytesPerPixel = GetDeviceCaps(dc, BITSPIXEL) / 8;
            ReleaseDC(hwnd, dc);
        }
        SetDisplayGeometry(gDisplayFormat, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                           bytesPerPixel, requestedWidth, requestedHeight);
        desc.dwFlags = DDSD_CAPS;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_VIDEOMEMORY;
        retryCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_SYSTEMMEMORY;
    } else {
        SetDisplayGeometry(gDisplayFormat, requestedWidth, requestedHeight, bytesPerPixel, requestedWidth,
                           requestedHeight);
        gDirectDraw->SetDisplayMode(DWORD(requestedWidth), DWORD(requestedHeight), DWORD(bytesPerPixel * 8),
                                    0, 0);
        desc = FlippingPrimaryDescription();
        retryCaps = kPrimaryFlipCaps;
    }

    Surface* primary = WrapSurface();
    if (!primary) return 0;
    ownSurface = primary;
    IDirectDrawSurface4* platformPrimary = CreatePrimary(desc, retryCaps);
    if (!platformPrimary) return 0;

    bounds = Rect{0, 0, gDisplayFormat.screenWidth, gDisplayFormat.screenHeight};
    fillColour = 0;
    AttachPlatformSurface(primary, platformPrimary);

    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    if (SUCCEEDED(platformPrimary->GetPixelFormat(&format))) {
        DeriveChannelMasks(gChannelMasks, gDisplayFormat.bytesPerPixel, (format.dwFlags & DDPF_RGB) != 0,
                           format.dwRBitMask, format.dwGBitMask, format.dwBBitMask);
    }

    if (!windowed) {
        if (IDirectDrawSurface4* back = AttachedBackBuffer(primary)) {
            backBuffer = WrapSurface();
            if (backBuffer) {
                AttachPlatformSurface(backBuffer, back);
                backBuffer->Clear(0);
            } else {
                back->Release();
            }
        }
        primary->Clear(0);
    } else {
        IDirectDrawClipper* clip = nullptr;
        if (SUCCEEDED(gDirectDraw->CreateClipper(0, &clip, nullptr))) {
            clip->SetHWnd(0, hwnd);
            platformPrimary->SetClipper(clip);
            clipper = clip;
        }
        RECT r{};
        GetWindowRect(hwnd, &r);
        const bool frameless = cooperativeFlags == host::kFrameless;
        windowX = r.left + (frameless ? 0 : 3);
        windowY = r.top + (frameless ? 0 : 21);
        width = requestedWidth;
        height = requestedHeight;
    }

    drawSurface = NewDrawSurface();
    return 1;
}

void Display::RestoreSurfaces() {
    if (ownSurface) ownSurface->Restore();
    if (drawSurface) drawSurface->Restore();
    if (backBuffer) backBuffer->Restore();
}

void Display::Present() {
    ++presentCount;
    Surface* primary = ownSurface;
    if (PresentChecksPrimary(presentCount)) {
        bool lost = !primary || !primary->platformSurface ||
                    AsDirectDrawSurface(primary->platformSurface)->IsLost() != DD_OK || !primary->pixels;
        if (lost) {
            RestoreSurfaces();
            return;
        }
    }
    if (!drawSurface || !drawSurface->platformSurface || !primary || !primary->platformSurface) return;
    auto* draw = AsDirectDrawSurface(drawSurface->platformSurface);
    if (backBuffer && backBuffer->platformSurface) {
        AsDirectDrawSurface(backBuffer->platformSurface)->BltFast(0, 0, draw, nullptr, DDBLTFAST_WAIT);
        AsDirectDrawSurface(primary->platformSurface)->Flip(nullptr, DDFLIP_DONOTWAIT);
        return;
    }
    if (draw->IsLost() != DD_OK || !drawSurface->pixels) {
        drawSurface->Restore();
        return;
    }
    PresentRects r = WindowedPresentRects(windowX, windowY, width, height, gDisplayFormat.screenWidth,
                                          gDisplayFormat.screenHeight);
    if (r.source.IsEmpty()) return;  // the window is wholly off the desktop
    RECT src{r.source.left, r.source.top, r.source.right, r.source.bottom};
    RECT dst{r.destination.left, r.destination.top, r.destination.right, r.destination.bottom};
    AsDirectDrawSurface(primary->platformSurface)->Blt(&dst, draw, &src, DDBLT_WAIT, nullptr);
}

void Display::ResizeDisplay(int32_t newWidth, int32_t newHeight) {
    HWND hwnd = static_cast<HWND>(host::HostWindow);
    SetFocus(hwnd);
    bounds.right = bounds.left + newWidth;
    bounds.bottom = bounds.top + newHeight;
    width = newWidth;
    height = newHeight;
    if (IsWindowedLevel(host::CooperativeLevel)) return;

    // The back buffer belongs to the primary's flipping chain: its reference goes first, since
    // releasing the primary frees the whole chain.
    Surface* primary = ownSurface;
    if (backBuffer) backBuffer->Release();
    if (primary) primary->Release();
    SetDisplayGeometry(gDisplayFormat, newWidth, newHeight, gDisplayFormat.bytesPerPixel, newWidth,
                       newHeight);
    if (!gDirectDraw) return;
    if (FAILED(gDirectDraw->SetDisplayMode(DWORD(newWidth), DWORD(newHeight),
                                           DWORD(gDisplayFormat.bytesPerPixel * 8), 0, 0)))
        ShowDebugBox("Fail to make Set Display Mode");

    DDSURFACEDESC2 desc = FlippingPrimaryDescription();
    IDirectDrawSurface4* platformPrimary =
        CreatePrimary(desc, DDSCAPS_PRIMARYSURFACE | DDSCAPS_SYSTEMMEMORY | DDSCAPS_FLIP | DDSCAPS_COMPLEX);
    if (!platformPrimary) ShowDebugBox("Fail to make Primary surface");
    if (primary) {
        primary->pixels = nullptr;
        if (platformPrimary) AttachPlatformSurface(primary, platformPrimary);
    } else if (platformPrimary) {
        platformPrimary->Release();
    }

    IDirectDrawSurface4* back = AttachedBackBuffer(primary);
    if (back) {
        if (!backBuffer) backBuffer = WrapSurface();
        if (backBuffer) {
            AttachPlatformSurface(backBuffer, back);
            backBuffer->Clear(0);
        } else {
            back->Release();
        }
    } else if (backBuffer) {
        DestroySurface(backBuffer);
        backBuffer = nullptr;
    }

    DestroySurface(drawSurface);
    drawSurface = NewDrawSurface();
    if (host::RootControl) {
        host::RootControl->ownSurface = drawSurface;
        host::RootControl->bounds = Rect{0, 0, gDisplayFormat.screenWidth, gDisplayFormat.screenHeight};
    }
}
