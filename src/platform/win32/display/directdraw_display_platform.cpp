#include "platform/win32/display/directdraw_display_platform.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/win32/display/directdraw.h"
#include "platform/win32/display/game_mode_directdraw.h"

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

constexpr DWORD kRed565 = 0xF800;
constexpr DWORD kGameBits = 16;

struct BitfieldsInfo {
    BITMAPINFOHEADER header;
    DWORD masks[3];
};

// A surface's pixels, locked for the length of one step.
class LockedPixels {
  public:
    explicit LockedPixels(IDirectDrawSurface4* surface) : surface_(surface) {
        desc_.dwSize = sizeof desc_;
        if (FAILED(surface_->Lock(nullptr, &desc_, DDLOCK_WAIT, nullptr))) desc_.lpSurface = nullptr;
    }
    ~LockedPixels() {
        if (desc_.lpSurface) surface_->Unlock(nullptr);
    }
    LockedPixels(const LockedPixels&) = delete;
    LockedPixels& operator=(const LockedPixels&) = delete;

    uint8_t* Row(DWORD y) const { return static_cast<uint8_t*>(desc_.lpSurface) + y * desc_.lPitch; }
    const DDSURFACEDESC2& Description() const { return desc_; }
    bool Held() const { return desc_.lpSurface != nullptr; }

  private:
    IDirectDrawSurface4* surface_;
    DDSURFACEDESC2 desc_{};
};

void PaintBars(HDC dc, HWND window, const Rect& picture) {
    RECT client{};
    GetClientRect(window, &client);
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    const RECT bars[] = {
        {client.left, client.top, client.right, picture.top},
        {client.left, picture.bottom, client.right, client.bottom},
        {client.left, picture.top, picture.left, picture.bottom},
        {picture.right, picture.top, client.right, picture.bottom},
    };
    for (const RECT& bar : bars)
        if (bar.right > bar.left && bar.bottom > bar.top) FillRect(dc, &bar, black);
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
    // A window form shares the desktop: the full-screen level the display asks for becomes the
    // normal one, and the desktop gets its own mode back.
    DWORD level = flags;
    if (windowForm_ && !(flags & DDSCL_NORMAL)) level = DDSCL_NORMAL;
    if (first_) return first_->SetCooperativeLevel(AsWindow(window), level);
    if (!engine_) return DDERR_NOTINITIALIZED;
    IDirectDraw4* platform = engine_->Platform();
    if (level & DDSCL_NORMAL) platform->RestoreDisplayMode();
    return platform->SetCooperativeLevel(AsWindow(window), level);
}

int32_t DirectDrawDisplayPlatform::OpenEngineInterface() {
    if (!first_) return DDERR_NOTINITIALIZED;
    IDirectDraw4* platform = nullptr;
    HRESULT hr = first_->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&platform));
    first_->Release();
    first_ = nullptr;
    if (FAILED(hr)) return hr;
    engine_ = new (std::nothrow) GameModeDirectDraw(platform);
    if (!engine_) {
        platform->Release();
        return DDERR_OUTOFMEMORY;
    }
    engine_->SetWindowForm(windowForm_);
    gDirectDraw = engine_;
    return hr;
}

void* DirectDrawDisplayPlatform::EngineInterface() { return gDirectDraw; }

bool DirectDrawDisplayPlatform::ReleaseDevice() {
    ReleaseScaledPicture();
    standInPrimary_ = standInBack_ = nullptr;
    bool released = false;
    if (first_) {
        first_->Release();
        first_ = nullptr;
        released = true;
    }
    if (gDirectDraw) {
        gDirectDraw->Release();
        gDirectDraw = nullptr;
        engine_ = nullptr;
        released = true;
    }
    return released;
}

int32_t DirectDrawDisplayPlatform::SetDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) {
    if (!gDirectDraw) return DDERR_NOTINITIALIZED;
    return gDirectDraw->SetDisplayMode(DWORD(width), DWORD(height), DWORD(bitsPerPixel), 0, 0);
}

PlatformSurface DirectDrawDisplayPlatform::NewStandIn() {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = engine_->GameWidth();
    desc.dwHeight = engine_->GameHeight();
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    IDirectDrawSurface4* surface = nullptr;
    if (FAILED(engine_->CreateSurface(&desc, &surface, nullptr))) return nullptr;
    return surface;
}

int32_t DirectDrawDisplayPlatform::CreatePrimary(const PrimaryDescription& description,
                                                 PlatformSurface* out) {
    if (!gDirectDraw) return DDERR_NOTINITIALIZED;
    if (windowForm_ && engine_ && (description.capabilities & DDSCAPS_FLIP)) {
        standInPrimary_ = NewStandIn();
        standInBack_ = nullptr;
        changes_.Clear();
        if (!standInPrimary_) return DDERR_OUTOFMEMORY;
        repaint_ = true;
        *out = standInPrimary_;
        return DD_OK;
    }
    standInPrimary_ = standInBack_ = nullptr;
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
    // A screen left in another mode than the game's: the game draws on surfaces of its own layout.
    if (format.dwRGBBitCount != GamePixelFormat().dwRGBBitCount && engine_ &&
        engine_->DesktopDiffersFromGame())
        format = GamePixelFormat();
    *out = PrimaryPixelFormat{(format.dwFlags & DDPF_RGB) != 0, format.dwRBitMask, format.dwGBitMask,
                              format.dwBBitMask};
    return hr;
}

int32_t DirectDrawDisplayPlatform::AttachedBackBuffer(PlatformSurface primary, PlatformSurface* out) {
    if (primary && primary == standInPrimary_) {
        standInBack_ = NewStandIn();
        if (!standInBack_) return DDERR_OUTOFMEMORY;
        *out = standInBack_;
        return DD_OK;
    }
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
    if (!backBuffer || backBuffer != standInBack_) {
        return AsDirectDrawSurface(backBuffer)
            ->BltFast(0, 0, AsDirectDrawSurface(drawSurface), nullptr, DDBLTFAST_WAIT);
    }
    // The back buffer keeps the frame last shown: only rows that differ are copied and noted, and
    // a frame with none is not shown again.
    LockedPixels back(AsDirectDrawSurface(backBuffer));
    LockedPixels draw(AsDirectDrawSurface(drawSurface));
    if (!back.Held() || !draw.Held()) return DDERR_SURFACEBUSY;
    const DDSURFACEDESC2& b = back.Description();
    if (b.ddpfPixelFormat.dwRGBBitCount != kGameBits) return DDERR_INVALIDPIXELFORMAT;
    const int32_t rows = int32_t(std::min(b.dwHeight, draw.Description().dwHeight));
    const int32_t width = int32_t(std::min(b.dwWidth, draw.Description().dwWidth));
    for (int32_t y = 0; y < rows; ++y)
        changes_.CopyRow(y, reinterpret_cast<uint16_t*>(back.Row(DWORD(y))),
                         reinterpret_cast<const uint16_t*>(draw.Row(DWORD(y))), width);
    return DD_OK;
}

bool DirectDrawDisplayPlatform::PrepareScaledPicture(Size game, bool rgb565) {
    const Size picture{presentation_.picture.Width(), presentation_.picture.Height()};
    if (scaledDc_ && scaler_.Source() == game && scaler_.Destination() == picture &&
        scaledFilter_ == presentation_.filter && scaledRgb565_ == rgb565)
        return true;
    ReleaseScaledPicture();
    if (picture.width <= 0 || picture.height <= 0) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = bitmap ? CreateCompatibleDC(nullptr) : nullptr;
    if (!dc) {
        if (bitmap) DeleteObject(bitmap);
        return false;
    }
    SelectObject(dc, bitmap);
    scaledBitmap_ = bitmap;
    scaledDc_ = dc;
    scaledPixels_ = static_cast<uint8_t*>(bits);
    scaledFilter_ = presentation_.filter;
    scaledRgb565_ = rgb565;
    scaler_.Prepare(game, picture, rgb565, presentation_.filter);
    return true;
}

void DirectDrawDisplayPlatform::ReleaseScaledPicture() {
    if (scaledDc_) DeleteDC(static_cast<HDC>(scaledDc_));
    if (scaledBitmap_) DeleteObject(static_cast<HBITMAP>(scaledBitmap_));
    scaledDc_ = scaledBitmap_ = nullptr;
    scaledPixels_ = nullptr;
    scaler_.Prepare(Size{0, 0}, Size{0, 0}, true, ScaleFilter::Nearest);
}

void DirectDrawDisplayPlatform::ShowBackBufferInWindow() {
    if ((changes_.Empty() && !repaint_) || !standInBack_) return;
    HWND window = AsWindow(presentation_.window);
    HDC dc = GetDC(window);
    if (!dc) return;
    LockedPixels back(AsDirectDrawSurface(standInBack_));
    if (back.Held()) {
        const DDSURFACEDESC2& desc = back.Description();
        const Size game{int32_t(desc.dwWidth), int32_t(desc.dwHeight)};
        const Rect& p = presentation_.picture;
        if (repaint_) {
            PaintBars(dc, window, p);
            changes_.Everything(game.width, game.height);
        }
        if (p.Width() == game.width && p.Height() == game.height) {
            // The picture at its own size: GDI takes the 16-bit rows as they are.
            BitfieldsInfo info{};
            info.header.biSize = sizeof info.header;
            info.header.biWidth = desc.lPitch / 2;
            info.header.biPlanes = 1;
            info.header.biBitCount = WORD(kGameBits);
            info.header.biCompression = BI_BITFIELDS;
            info.masks[0] = desc.ddpfPixelFormat.dwRBitMask;
            info.masks[1] = desc.ddpfPixelFormat.dwGBitMask;
            info.masks[2] = desc.ddpfPixelFormat.dwBBitMask;
            for (const Rect& block : changes_.Blocks()) {
                info.header.biHeight = -block.Height();  // top row first
                SetDIBitsToDevice(dc, p.left + block.left, p.top + block.top, DWORD(block.Width()),
                                  DWORD(block.Height()), block.left, 0, 0, UINT(block.Height()),
                                  back.Row(DWORD(block.top)), reinterpret_cast<const BITMAPINFO*>(&info),
                                  DIB_RGB_COLORS);
            }
        } else if (PrepareScaledPicture(game, desc.ddpfPixelFormat.dwRBitMask == kRed565)) {
            const int32_t pitch = p.Width() * 4;
            for (const Rect& block : changes_.Blocks()) {
                const Rect shown = scaler_.Scale(back.Row(0), desc.lPitch, scaledPixels_, pitch, block);
                if (shown.IsEmpty()) continue;
                GdiFlush();
                BitBlt(dc, p.left + shown.left, p.top + shown.top, shown.Width(), shown.Height(),
                       static_cast<HDC>(scaledDc_), shown.left, shown.top, SRCCOPY);
            }
        }
        changes_.Clear();
        repaint_ = false;
    }
    ReleaseDC(window, dc);
}

int32_t DirectDrawDisplayPlatform::Flip(PlatformSurface primary) {
    if (primary && primary == standInPrimary_) {
        ShowBackBufferInWindow();
        return DD_OK;
    }
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

void DirectDrawDisplayPlatform::ShowInWindow(const WindowPresentation& presentation) {
    windowForm_ = true;
    presentation_ = presentation;
    repaint_ = true;
    if (engine_) engine_->SetWindowForm(true);
}

void DirectDrawDisplayPlatform::ShowFullScreen() {
    windowForm_ = false;
    changes_.Clear();
    ReleaseScaledPicture();
    if (engine_) engine_->SetWindowForm(false);
}

bool DirectDrawDisplayPlatform::WindowCanShowScaled(PlatformWindow window) {
    HDC dc = GetDC(AsWindow(window));
    if (!dc) return false;
    const int caps = GetDeviceCaps(dc, RASTERCAPS);
    ReleaseDC(AsWindow(window), dc);
    return (caps & RC_STRETCHDIB) && (caps & RC_DIBTODEV);
}
