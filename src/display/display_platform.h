#pragma once
// What the display device needs of its platform: a display object tied to the window, the display
// mode, the primary surface with its flipping chain, a clipper, the desktop's format and size, the
// copies that show a frame, and the few window services creation and resizing use. On Windows
// this is DirectDraw with USER and GDI; in memory a screen of plain pixels.
//
// Surfaces made here are wrapped in Surface records and from then on locked, filled, checked for
// loss, restored and released through the SurfacePlatform, so an implementation of this
// interface goes together with a surface platform that knows its surfaces.
//
// Results follow the platform's convention: 0 or positive is success, negative is failure.
#include <cstdint>

#include "common/geometry.h"
#include "common/platform_slot.h"
#include "display/surface_platform.h"

using PlatformWindow = void*;
using PlatformClipper = void*;

// Failure codes of creating the display object.
namespace display_result {
inline constexpr int32_t InvalidDirectDrawGuid = int32_t(0x88760231u);
inline constexpr int32_t DirectDrawAlreadyCreated = int32_t(0x88760232u);
inline constexpr int32_t NoDirectDrawHardware = int32_t(0x88760233u);
}  // namespace display_result

// The description of a primary surface (DirectDraw's DDSD_ and DDSCAPS_ values).
namespace primary_request {
inline constexpr uint32_t Caps = 0x1;              // the capabilities are given
inline constexpr uint32_t BackBufferCount = 0x20;  // the back buffer count is given
inline constexpr uint32_t Complex = 0x8;
inline constexpr uint32_t Flip = 0x10;
inline constexpr uint32_t PrimarySurface = 0x200;
inline constexpr uint32_t SystemMemory = 0x800;
inline constexpr uint32_t VideoMemory = 0x4000;
}  // namespace primary_request

struct PrimaryDescription {
    uint32_t flags = 0;
    uint32_t backBufferCount = 0;
    uint32_t capabilities = 0;
    friend bool operator==(const PrimaryDescription&, const PrimaryDescription&) = default;
};

// The pixel format a primary surface reports: RGB masks, when it has them.
struct PrimaryPixelFormat {
    bool hasRgbMasks = false;
    uint32_t red = 0;
    uint32_t green = 0;
    uint32_t blue = 0;
};

struct DesktopSize {
    int32_t width = 0;
    int32_t height = 0;
};

class DisplayPlatform {
  public:
    // The display object, made in three steps: created for the default device, given the
    // window and cooperative flags, then asked for the interface the engine uses. After the
    // third step the first object is let go whatever the answer.
    virtual int32_t CreateDevice() = 0;
    virtual int32_t SetCooperativeLevel(PlatformWindow window, uint32_t flags) = 0;
    virtual int32_t OpenEngineInterface() = 0;
    // The engine interface handed to the game module; null while there is none.
    virtual void* EngineInterface() = 0;
    // Lets go of the display object at whatever step it is; false when there was none.
    virtual bool ReleaseDevice() = 0;

    virtual int32_t SetDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) = 0;
    virtual int32_t CreatePrimary(const PrimaryDescription& description, PlatformSurface* out) = 0;
    virtual int32_t ReadPixelFormat(PlatformSurface primary, PrimaryPixelFormat* out) = 0;
    // The back buffer attached to a flipping primary.
    virtual int32_t AttachedBackBuffer(PlatformSurface primary, PlatformSurface* out) = 0;
    // A clipper that keeps copies to the primary inside the window's visible region; attaching
    // it is not checked.
    virtual int32_t CreateWindowClipper(PlatformWindow window, PlatformSurface primary,
                                        PlatformClipper* out) = 0;

    // The whole draw surface to the top-left corner of the back buffer, waiting until it can be
    // done; then the back buffer shown, or the flip dropped when it cannot be done at once.
    virtual int32_t CopyToBackBuffer(PlatformSurface backBuffer, PlatformSurface drawSurface) = 0;
    virtual int32_t Flip(PlatformSurface primary) = 0;

    // The desktop's bits per pixel, read through the window's device context; false when the
    // window has none.
    virtual bool ReadDesktopBitsPerPixel(PlatformWindow window, int32_t* bitsPerPixel) = 0;
    virtual DesktopSize ReadDesktopSize() = 0;
    virtual Rect ReadWindowRect(PlatformWindow window) = 0;
    virtual void GiveKeyboardFocus(PlatformWindow window) = 0;

  protected:
    ~DisplayPlatform() = default;
};

// The display is a shared record and cannot hold its platform: it finds it here.
inline DisplayPlatform& ActiveDisplayPlatform() {
    return PlatformSlot<DisplayPlatform>::Required("DisplayPlatform");
}
