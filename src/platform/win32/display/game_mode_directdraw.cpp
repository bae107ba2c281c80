#include "platform/win32/display/game_mode_directdraw.h"

namespace {
constexpr DWORD kGameBits = 16;
constexpr DWORD kRed565 = 0xF800;
constexpr DWORD kGreen565 = 0x07E0;
constexpr DWORD kBlue565 = 0x001F;
constexpr DWORD kBytesPerGamePixel = 2;
}  // namespace

DDPIXELFORMAT GamePixelFormat() {
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    format.dwFlags = DDPF_RGB;
    format.dwRGBBitCount = kGameBits;
    format.dwRBitMask = kRed565;
    format.dwGBitMask = kGreen565;
    format.dwBBitMask = kBlue565;
    return format;
}

bool GameModeDirectDraw::DesktopDiffersFromGame() {
    if (bits_ != kGameBits) return false;
    DDSURFACEDESC2 mode{};
    mode.dwSize = sizeof mode;
    if (FAILED(platform_->GetDisplayMode(&mode))) return false;
    return mode.ddpfPixelFormat.dwRGBBitCount != kGameBits;
}

HRESULT GameModeDirectDraw::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualGUID(riid, IID_IDirectDraw4) || IsEqualGUID(riid, IID_IUnknown)) {
        AddRef();
        *object = static_cast<IDirectDraw4*>(this);
        return S_OK;
    }
    return platform_->QueryInterface(riid, object);
}

ULONG GameModeDirectDraw::AddRef() { return ULONG(InterlockedIncrement(&references_)); }

ULONG GameModeDirectDraw::Release() {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
        platform_->Release();
        delete this;
    }
    return ULONG(left);
}

HRESULT GameModeDirectDraw::Compact() { return platform_->Compact(); }

HRESULT GameModeDirectDraw::CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* clipper, IUnknown* outer) {
    return platform_->CreateClipper(flags, clipper, outer);
}

HRESULT GameModeDirectDraw::CreatePalette(DWORD flags, LPPALETTEENTRY colours, LPDIRECTDRAWPALETTE* palette,
                                          IUnknown* outer) {
    return platform_->CreatePalette(flags, colours, palette, outer);
}

HRESULT GameModeDirectDraw::CreateSurface(LPDDSURFACEDESC2 description, LPDIRECTDRAWSURFACE4* surface,
                                          IUnknown* outer) {
    // A surface of the game's layout where the desktop's would be taken: every surface but the
    // screen's own, when no format is given.
    if (description && !(description->dwFlags & DDSD_PIXELFORMAT) &&
        !(description->ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE) && DesktopDiffersFromGame()) {
        DDSURFACEDESC2 game = *description;
        game.dwFlags |= DDSD_PIXELFORMAT;
        game.ddpfPixelFormat = GamePixelFormat();
        return platform_->CreateSurface(&game, surface, outer);
    }
    return platform_->CreateSurface(description, surface, outer);
}

HRESULT GameModeDirectDraw::DuplicateSurface(LPDIRECTDRAWSURFACE4 surface, LPDIRECTDRAWSURFACE4* duplicate) {
    return platform_->DuplicateSurface(surface, duplicate);
}

HRESULT GameModeDirectDraw::EnumDisplayModes(DWORD flags, LPDDSURFACEDESC2 description, LPVOID context,
                                             LPDDENUMMODESCALLBACK2 callback) {
    return platform_->EnumDisplayModes(flags, description, context, callback);
}

HRESULT GameModeDirectDraw::EnumSurfaces(DWORD flags, LPDDSURFACEDESC2 description, LPVOID context,
                                         LPDDENUMSURFACESCALLBACK2 callback) {
    return platform_->EnumSurfaces(flags, description, context, callback);
}

HRESULT GameModeDirectDraw::FlipToGDISurface() { return platform_->FlipToGDISurface(); }

HRESULT GameModeDirectDraw::GetCaps(LPDDCAPS driver, LPDDCAPS emulation) {
    return platform_->GetCaps(driver, emulation);
}

HRESULT GameModeDirectDraw::GetDisplayMode(LPDDSURFACEDESC2 description) {
    HRESULT hr = platform_->GetDisplayMode(description);
    if (FAILED(hr) || !description || !(windowForm_ || DesktopDiffersFromGame())) return hr;
    description->dwWidth = width_;
    description->dwHeight = height_;
    description->lPitch = LONG(width_ * kBytesPerGamePixel);
    description->ddpfPixelFormat = GamePixelFormat();
    return hr;
}

HRESULT GameModeDirectDraw::GetFourCCCodes(LPDWORD count, LPDWORD codes) {
    return platform_->GetFourCCCodes(count, codes);
}

HRESULT GameModeDirectDraw::GetGDISurface(LPDIRECTDRAWSURFACE4* surface) {
    return platform_->GetGDISurface(surface);
}

HRESULT GameModeDirectDraw::GetMonitorFrequency(LPDWORD frequency) {
    return platform_->GetMonitorFrequency(frequency);
}

HRESULT GameModeDirectDraw::GetScanLine(LPDWORD line) { return platform_->GetScanLine(line); }

HRESULT GameModeDirectDraw::GetVerticalBlankStatus(WINBOOL* inBlank) {
    return platform_->GetVerticalBlankStatus(inBlank);
}

HRESULT GameModeDirectDraw::Initialize(GUID* guid) { return platform_->Initialize(guid); }

HRESULT GameModeDirectDraw::RestoreDisplayMode() {
    if (windowForm_) return DD_OK;
    return platform_->RestoreDisplayMode();
}

HRESULT GameModeDirectDraw::SetCooperativeLevel(HWND window, DWORD flags) {
    // The host set the level the window form needs; the game's own request would take the
    // desktop's mode away.
    if (windowForm_) return DD_OK;
    return platform_->SetCooperativeLevel(window, flags);
}

HRESULT GameModeDirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bits, DWORD refreshRate,
                                           DWORD flags) {
    SetGameMode(width, height, bits);
    if (windowForm_) return DD_OK;
    return platform_->SetDisplayMode(width, height, bits, refreshRate, flags);
}

HRESULT GameModeDirectDraw::WaitForVerticalBlank(DWORD flags, HANDLE event) {
    return platform_->WaitForVerticalBlank(flags, event);
}

HRESULT GameModeDirectDraw::GetAvailableVidMem(LPDDSCAPS2 caps, LPDWORD total, LPDWORD free) {
    return platform_->GetAvailableVidMem(caps, total, free);
}

HRESULT GameModeDirectDraw::GetSurfaceFromDC(HDC dc, LPDIRECTDRAWSURFACE4* surface) {
    return platform_->GetSurfaceFromDC(dc, surface);
}

HRESULT GameModeDirectDraw::RestoreAllSurfaces() { return platform_->RestoreAllSurfaces(); }

HRESULT GameModeDirectDraw::TestCooperativeLevel() { return platform_->TestCooperativeLevel(); }

HRESULT GameModeDirectDraw::GetDeviceIdentifier(LPDDDEVICEIDENTIFIER identifier, DWORD flags) {
    return platform_->GetDeviceIdentifier(identifier, flags);
}
