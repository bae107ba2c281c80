#pragma once
// The DirectDraw object the host and the game module work with. It passes every call on to the
// platform's object, except where the screen is not in the game's display mode: while the game
// is shown in a window form, or when the display mode could not be set. There it keeps the
// game's view of full screen: surfaces made without a pixel format get the game's 5:6:5 layout
// instead of the desktop's, the display mode reported is the game's, and the game's own requests
// for a cooperative level or a display mode are taken without touching the desktop.
#include <windows.h>

#include <ddraw.h>

class GameModeDirectDraw final : public IDirectDraw4 {
  public:
    // Takes over the reference to the platform's object.
    explicit GameModeDirectDraw(IDirectDraw4* platform) : platform_(platform) {}

    IDirectDraw4* Platform() const { return platform_; }
    // The game's display mode, as last asked for; bits 16 makes surfaces 5:6:5 on desktops of
    // another depth.
    void SetGameMode(DWORD width, DWORD height, DWORD bits) {
        width_ = width;
        height_ = height;
        bits_ = bits;
    }
    DWORD GameWidth() const { return width_; }
    DWORD GameHeight() const { return height_; }
    // On while the picture is shown in a window form: the desktop keeps its mode.
    void SetWindowForm(bool on) { windowForm_ = on; }
    bool WindowForm() const { return windowForm_; }

    STDMETHOD_(HRESULT, QueryInterface)(REFIID riid, void** object) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD(Compact)() override;
    STDMETHOD(CreateClipper)(DWORD flags, LPDIRECTDRAWCLIPPER* clipper, IUnknown* outer) override;
    STDMETHOD(CreatePalette)
    (DWORD flags, LPPALETTEENTRY colours, LPDIRECTDRAWPALETTE* palette, IUnknown* outer) override;
    STDMETHOD(CreateSurface)
    (LPDDSURFACEDESC2 description, LPDIRECTDRAWSURFACE4* surface, IUnknown* outer) override;
    STDMETHOD(DuplicateSurface)(LPDIRECTDRAWSURFACE4 surface, LPDIRECTDRAWSURFACE4* duplicate) override;
    STDMETHOD(EnumDisplayModes)
    (DWORD flags, LPDDSURFACEDESC2 description, LPVOID context, LPDDENUMMODESCALLBACK2 callback) override;
    STDMETHOD(EnumSurfaces)
    (DWORD flags, LPDDSURFACEDESC2 description, LPVOID context, LPDDENUMSURFACESCALLBACK2 callback) override;
    STDMETHOD(FlipToGDISurface)() override;
    STDMETHOD(GetCaps)(LPDDCAPS driver, LPDDCAPS emulation) override;
    STDMETHOD(GetDisplayMode)(LPDDSURFACEDESC2 description) override;
    STDMETHOD(GetFourCCCodes)(LPDWORD count, LPDWORD codes) override;
    STDMETHOD(GetGDISurface)(LPDIRECTDRAWSURFACE4* surface) override;
    STDMETHOD(GetMonitorFrequency)(LPDWORD frequency) override;
    STDMETHOD(GetScanLine)(LPDWORD line) override;
    STDMETHOD(GetVerticalBlankStatus)(WINBOOL* inBlank) override;
    STDMETHOD(Initialize)(GUID* guid) override;
    STDMETHOD(RestoreDisplayMode)() override;
    STDMETHOD(SetCooperativeLevel)(HWND window, DWORD flags) override;
    STDMETHOD(SetDisplayMode)(DWORD width, DWORD height, DWORD bits, DWORD refreshRate, DWORD flags) override;
    STDMETHOD(WaitForVerticalBlank)(DWORD flags, HANDLE event) override;
    STDMETHOD(GetAvailableVidMem)(LPDDSCAPS2 caps, LPDWORD total, LPDWORD free) override;
    STDMETHOD(GetSurfaceFromDC)(HDC dc, LPDIRECTDRAWSURFACE4* surface) override;
    STDMETHOD(RestoreAllSurfaces)() override;
    STDMETHOD(TestCooperativeLevel)() override;
    STDMETHOD(GetDeviceIdentifier)(LPDDDEVICEIDENTIFIER identifier, DWORD flags) override;

    // Whether the game asked for 16-bit pixels and the screen's own are not: surfaces are then
    // made, and their layout reported, as the game's.
    bool DesktopDiffersFromGame();

  private:
    IDirectDraw4* platform_;
    LONG references_ = 1;
    DWORD width_ = 0;
    DWORD height_ = 0;
    DWORD bits_ = 0;
    bool windowForm_ = false;
};

// The pixel format of the game's 16-bit surfaces.
DDPIXELFORMAT GamePixelFormat();
