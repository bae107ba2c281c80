#pragma once
// The display device's platform on Windows: DirectDraw (IDirectDraw4 and its surfaces) for the
// display object, mode, primary, flipping chain and clipper; USER and GDI for the desktop and the
// window. Its surfaces are IDirectDrawSurface4 objects, the ones the
// DirectDrawSurfacePlatform works on and the game module finds in the display's fields.
//
// Full screen can also be shown in a window form (a framed window, or a window without frame
// over the desktop) without the game noticing: the desktop keeps its mode, the flipping primary
// and its back buffer are system-memory surfaces of the game's size and 16-bit layout, and the
// flip shows the back buffer in the window with GDI, scaled by the host (PictureScaler) into the
// picture's rectangle. Only the blocks that changed since the last frame shown are scaled and
// sent, and a frame identical to it is not shown again.
#include "common/geometry.h"
#include "display/display_platform.h"
#include "display/frame_changes.h"
#include "display/picture_scaler.h"
#include "display/presentation_choice.h"

class GameModeDirectDraw;

// Where and how a window form shows the picture.
struct WindowPresentation {
    PlatformWindow window = nullptr;
    Rect picture{0, 0, 0, 0};  // in the window's client area; black bars around it
    ScaleFilter filter = ScaleFilter::Nearest;
};

class DirectDrawDisplayPlatform final : public DisplayPlatform {
  public:
    int32_t CreateDevice() override;
    int32_t SetCooperativeLevel(PlatformWindow window, uint32_t flags) override;
    int32_t OpenEngineInterface() override;
    void* EngineInterface() override;
    bool ReleaseDevice() override;

    int32_t SetDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) override;
    int32_t CreatePrimary(const PrimaryDescription& description, PlatformSurface* out) override;
    int32_t ReadPixelFormat(PlatformSurface primary, PrimaryPixelFormat* out) override;
    int32_t AttachedBackBuffer(PlatformSurface primary, PlatformSurface* out) override;
    int32_t CreateWindowClipper(PlatformWindow window, PlatformSurface primary,
                                PlatformClipper* out) override;

    int32_t CopyToBackBuffer(PlatformSurface backBuffer, PlatformSurface drawSurface) override;
    int32_t Flip(PlatformSurface primary) override;

    bool ReadDesktopBitsPerPixel(PlatformWindow window, int32_t* bitsPerPixel) override;
    DesktopSize ReadDesktopSize() override;
    Rect ReadWindowRect(PlatformWindow window) override;
    void GiveKeyboardFocus(PlatformWindow window) override;

    // From the next full-screen primary on (the display's creation, or its screen opened again),
    // full screen is shown in this window form, or in the display's own mode again.
    void ShowInWindow(const WindowPresentation& presentation);
    void ShowFullScreen();
    bool ShowsInWindow() const { return windowForm_; }
    // The window's client area is painted whole (bars and picture) at the next flip, changed or
    // not: after the window was moved, uncovered or changed its form.
    void RequestRepaint() { repaint_ = true; }
    // Whether the platform's window can show a scaled picture at all.
    bool WindowCanShowScaled(PlatformWindow window);

  private:
    PlatformSurface NewStandIn();
    void ShowBackBufferInWindow();
    // The 32-bit picture the scaler writes and GDI sends; made for the picture's size.
    bool PrepareScaledPicture(Size game, bool rgb565);
    void ReleaseScaledPicture();

    struct IDirectDraw* first_ =
        nullptr;  // the object of the default device, until the engine interface is open
    GameModeDirectDraw* engine_ = nullptr;

    bool windowForm_ = false;
    WindowPresentation presentation_;
    // The surfaces standing in for the flipping chain in a window form. Owned by the display;
    // known here only to be told apart from the platform's own.
    PlatformSurface standInPrimary_ = nullptr;
    PlatformSurface standInBack_ = nullptr;
    bool repaint_ = false;
    // What of the back buffer changed since the frame last shown.
    FrameChanges changes_;

    PictureScaler scaler_;
    ScaleFilter scaledFilter_ = ScaleFilter::Nearest;
    bool scaledRgb565_ = true;
    void* scaledBitmap_ = nullptr;  // HBITMAP, a DIB section selected into scaledDc_
    void* scaledDc_ = nullptr;      // HDC
    uint8_t* scaledPixels_ = nullptr;
};
