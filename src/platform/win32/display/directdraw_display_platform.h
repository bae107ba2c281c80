#pragma once
// The display device's platform on Windows: DirectDraw (IDirectDraw4 and its surfaces) for the
// display object, mode, primary, flipping chain and clipper; USER and GDI for the desktop and the
// window. Its surfaces are IDirectDrawSurface4 objects, the ones the
// DirectDrawSurfacePlatform works on and the game module finds in the display's fields.
#include "display/display_platform.h"

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

  private:
    struct IDirectDraw* first_ =
        nullptr;  // the object of the default device, until the engine interface is open
};
