#include "display/display.h"

#include "common/host_notice_platform.h"
#include "display/display_platform.h"
#include "display/present_geometry.h"
#include "host/host_globals.h"

namespace {
constexpr uint32_t kLockWait = 1;
constexpr int32_t kQuitOnRefusedDevice = 2;
constexpr int32_t kBitsPerByte = 8;
constexpr uint32_t kFlippingChainBackBuffers = 2;
constexpr uint32_t kBlack = 0;

constexpr uint32_t kWindowedPrimaryCaps = primary_request::PrimarySurface | primary_request::VideoMemory;
constexpr uint32_t kWindowedPrimaryRetryCaps =
    primary_request::PrimarySurface | primary_request::SystemMemory;
constexpr uint32_t kFlippingPrimaryCaps =
    primary_request::PrimarySurface | primary_request::Flip | primary_request::Complex;
constexpr uint32_t kFlippingPrimarySystemMemoryCaps = kFlippingPrimaryCaps | primary_request::SystemMemory;

PrimaryDescription WindowedPrimaryDescription() {
    return PrimaryDescription{primary_request::Caps, 0, kWindowedPrimaryCaps};
}

PrimaryDescription FlippingPrimaryDescription() {
    return PrimaryDescription{primary_request::Caps | primary_request::BackBufferCount,
                              kFlippingChainBackBuffers, kFlippingPrimaryCaps};
}

// The primary from the description, or from the same description with other capabilities when
// the first attempt fails; null when both fail.
PlatformSurface CreatePrimary(DisplayPlatform& platform, PrimaryDescription description, uint32_t retryCaps) {
    PlatformSurface surface = nullptr;
    if (platform.CreatePrimary(description, &surface) >= 0 && surface) return surface;
    description.capabilities = retryCaps;
    surface = nullptr;
    if (platform.CreatePrimary(description, &surface) >= 0 && surface) return surface;
    return nullptr;
}

PlatformSurface AttachedBackBuffer(DisplayPlatform& platform, Surface* primary) {
    if (!primary || !primary->platformSurface) return nullptr;
    PlatformSurface back = nullptr;
    if (platform.AttachedBackBuffer(primary->platformSurface, &back) < 0) return nullptr;
    return back;
}

// A surface of screen size around a platform surface obtained from the display, its pixel
// address taken once.
void AttachPlatformSurface(Surface* surface, PlatformSurface platform) {
    surface->platformSurface = platform;
    surface->width = gDisplayFormat.screenWidth;
    surface->height = gDisplayFormat.screenHeight;
    surface->RefreshPixels(kLockWait);
    surface->Unlock();
}

// The back buffer record for the primary's chain: the record given, or a new one. Null when the
// chain has no back buffer or no record can be made (the platform's surface is then let go).
Surface* TakeBackBuffer(DisplayPlatform& platform, Surface* primary, Surface* existing) {
    PlatformSurface back = AttachedBackBuffer(platform, primary);
    if (!back) {
        DestroySurface(existing);
        return nullptr;
    }
    Surface* record = existing ? existing : WrapSurface();
    if (!record) {
        if (SurfacePlatform* surfaces = ActiveSurfacePlatform()) surfaces->Release(back);
        return nullptr;
    }
    AttachPlatformSurface(record, back);
    record->Clear(kBlack);
    return record;
}

Surface* NewDrawSurface() {
    Surface* surface = CreateSurface(gDisplayFormat.screenWidth, gDisplayFormat.screenHeight,
                                     surface_caps::OffscreenSystemMemory);
    if (surface) surface->Clear(kBlack);
    return surface;
}

bool IsLost(Surface* surface) {
    SurfacePlatform* surfaces = ActiveSurfacePlatform();
    return !surface || !surface->platformSurface || !surfaces ||
           surfaces->IsLost(surface->platformSurface) != surface_result::Ok || !surface->pixels;
}
}  // namespace

Display::Display(int32_t requestedWidth, int32_t requestedHeight)
    : SurfaceControl(nullptr, 0, 0, 0, 0, 64), width(requestedWidth), height(requestedHeight) {}

Display::~Display() {
    DestroySurface(backBuffer);
    backBuffer = nullptr;
    DestroySurface(drawSurface);
    drawSurface = nullptr;
    DestroySurface(ownSurface);
    ownSurface = nullptr;
    // A display that was never created has nothing of the platform's to let go.
    if (DisplayPlatform* platform = PlatformSlot<DisplayPlatform>::Installed();
        platform && platform->ReleaseDevice())
        host::DirectDrawObject = nullptr;
    // The clipper stays with the platform, which lets it go with the primary it is attached to.
}

void* Display::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

int32_t Display::Create(void* window, void* instance, int32_t requestedWidth, int32_t requestedHeight,
                        int32_t bytesPerPixel, uint32_t cooperativeFlags) {
    DisplayPlatform& platform = ActiveDisplayPlatform();
    host::HostWindow = window;
    host::CooperativeLevel = cooperativeFlags;
    host::InstanceHandle = instance;
    host::SetClientOffsetFor(cooperativeFlags);
    gDisplayFormat.featureWord = ReadProcessorFeatureWord();

    // Every creation failure ends creation with 0, also one with a code other than the usual six
    // (invalid GUID, already created, no hardware, generic, out of memory, invalid parameters),
    // which nothing could handle otherwise.
    if (platform.CreateDevice() < 0) return 0;
    if (platform.SetCooperativeLevel(window, cooperativeFlags) < 0) {
        platform.ReleaseDevice();
        ActiveHostNotices().PostQuit(kQuitOnRefusedDevice);
        return 0;
    }
    if (platform.OpenEngineInterface() < 0) {
        ActiveHostNotices().PostQuit(kQuitOnRefusedDevice);
        return 0;
    }
    host::DirectDrawObject = platform.EngineInterface();

    const bool windowed = IsWindowedLevel(cooperativeFlags);
    PrimaryDescription description;
    uint32_t retryCaps;
    if (windowed) {
        int32_t bitsPerPixel = 0;
        if (platform.ReadDesktopBitsPerPixel(window, &bitsPerPixel))
            bytesPerPixel = bitsPerPixel / kBitsPerByte;
        else
            ActiveHostNotices().PostQuit(kQuitOnRefusedDevice);
        DesktopSize desktop = platform.ReadDesktopSize();
        SetDisplayGeometry(gDisplayFormat, desktop.width, desktop.height, bytesPerPixel, requestedWidth,
                           requestedHeight);
        description = WindowedPrimaryDescription();
        retryCaps = kWindowedPrimaryRetryCaps;
    } else {
        SetDisplayGeometry(gDisplayFormat, requestedWidth, requestedHeight, bytesPerPixel, requestedWidth,
                           requestedHeight);
        // A mode that cannot be set leaves the desktop's; the display goes on in it.
        platform.SetDisplayMode(requestedWidth, requestedHeight, bytesPerPixel * kBitsPerByte);
        description = FlippingPrimaryDescription();
        retryCaps = kFlippingPrimaryCaps;
    }

    Surface* primary = WrapSurface();
    if (!primary) return 0;
    ownSurface = primary;
    PlatformSurface platformPrimary = CreatePrimary(platform, description, retryCaps);
    if (!platformPrimary) return 0;

    bounds = Rect{0, 0, gDisplayFormat.screenWidth, gDisplayFormat.screenHeight};
    fillColour = kBlack;
    AttachPlatformSurface(primary, platformPrimary);

    PrimaryPixelFormat format;
    if (platform.ReadPixelFormat(platformPrimary, &format) >= 0)
        DeriveChannelMasks(gChannelMasks, gDisplayFormat.bytesPerPixel, format.hasRgbMasks, format.red,
                           format.green, format.blue);

    if (!windowed) {
        backBuffer = TakeBackBuffer(platform, primary, nullptr);
        primary->Clear(kBlack);
    } else {
        PlatformClipper made = nullptr;
        if (platform.CreateWindowClipper(window, platformPrimary, &made) >= 0) clipper = made;
        FollowWindowFrame(platform.ReadWindowRect(window));
        width = requestedWidth;
        height = requestedHeight;
    }

    drawSurface = NewDrawSurface();
    return 1;
}

void PointRootControlAtDrawSurface(const Display& display) {
    RootControl* root = host::RootControl;
    if (!root) return;
    Surface* draw = display.drawSurface;
    root->ownSurface = draw;
    root->bounds = Rect{0, 0, draw ? draw->width : 0, draw ? draw->height : 0};
}

void Display::RestoreSurfaces() {
    if (ownSurface) ownSurface->Restore();
    if (drawSurface) drawSurface->Restore();
    if (backBuffer) backBuffer->Restore();
}

void Display::Present() {
    ++presentCount;
    Surface* primary = ownSurface;
    if (PresentChecksPrimary(presentCount) && IsLost(primary)) {
        RestoreSurfaces();
        return;
    }
    if (!drawSurface || !drawSurface->platformSurface || !primary || !primary->platformSurface) return;
    if (backBuffer && backBuffer->platformSurface) {
        DisplayPlatform& platform = ActiveDisplayPlatform();
        platform.CopyToBackBuffer(backBuffer->platformSurface, drawSurface->platformSurface);
        platform.Flip(primary->platformSurface);
        return;
    }
    if (IsLost(drawSurface)) {
        drawSurface->Restore();
        return;
    }
    PresentRects r = WindowedPresentRects(windowX, windowY, width, height, gDisplayFormat.screenWidth,
                                          gDisplayFormat.screenHeight);
    if (r.source.IsEmpty()) return;  // the window is wholly off the desktop
    if (SurfacePlatform* surfaces = ActiveSurfacePlatform())
        surfaces->Copy(primary->platformSurface, r.destination, drawSurface->platformSurface, r.source,
                       blit_options::Wait);
}

bool Display::ReopenScreen() {
    if (IsWindowedLevel(host::CooperativeLevel)) return false;
    DisplayPlatform& platform = ActiveDisplayPlatform();
    Surface* primary = ownSurface;
    if (!primary || !platform.EngineInterface()) return false;
    if (backBuffer) backBuffer->Release();
    primary->Release();
    primary->pixels = nullptr;
    if (platform.SetCooperativeLevel(host::HostWindow, host::CooperativeLevel) < 0) return false;
    platform.SetDisplayMode(gDisplayFormat.screenWidth, gDisplayFormat.screenHeight,
                            gDisplayFormat.bytesPerPixel * kBitsPerByte);
    PlatformSurface platformPrimary =
        CreatePrimary(platform, FlippingPrimaryDescription(), kFlippingPrimarySystemMemoryCaps);
    if (!platformPrimary) {
        DestroySurface(backBuffer);
        backBuffer = nullptr;
        return false;
    }
    AttachPlatformSurface(primary, platformPrimary);
    backBuffer = TakeBackBuffer(platform, primary, backBuffer);
    primary->Clear(kBlack);
    return true;
}

void Display::FollowWindowFrame(const Rect& frame) {
    if (host::CooperativeLevel == host::kFullScreen) return;
    windowX = frame.left + host::ClientOffset.x;
    windowY = frame.top + host::ClientOffset.y;
}

void Display::ResizeDisplay(int32_t newWidth, int32_t newHeight) {
    DisplayPlatform& platform = ActiveDisplayPlatform();
    platform.GiveKeyboardFocus(host::HostWindow);
    bounds.right = bounds.left + newWidth;
    bounds.bottom = bounds.top + newHeight;
    width = newWidth;
    height = newHeight;
    if (IsWindowedLevel(host::CooperativeLevel)) return;

    // The back buffer belongs to the primary's flipping chain: its reference goes first, since
    // letting go of the primary frees the whole chain.
    Surface* primary = ownSurface;
    if (backBuffer) backBuffer->Release();
    if (primary) primary->Release();
    SetDisplayGeometry(gDisplayFormat, newWidth, newHeight, gDisplayFormat.bytesPerPixel, newWidth,
                       newHeight);
    if (!platform.EngineInterface()) return;
    if (platform.SetDisplayMode(newWidth, newHeight, gDisplayFormat.bytesPerPixel * kBitsPerByte) < 0)
        ActiveHostNotices().ShowDebugMessage("Fail to make Set Display Mode");

    PlatformSurface platformPrimary =
        CreatePrimary(platform, FlippingPrimaryDescription(), kFlippingPrimarySystemMemoryCaps);
    if (!platformPrimary) ActiveHostNotices().ShowDebugMessage("Fail to make Primary surface");
    if (primary) {
        primary->pixels = nullptr;
        if (platformPrimary) AttachPlatformSurface(primary, platformPrimary);
    } else if (platformPrimary) {
        if (SurfacePlatform* surfaces = ActiveSurfacePlatform()) surfaces->Release(platformPrimary);
    }

    backBuffer = TakeBackBuffer(platform, primary, backBuffer);

    DestroySurface(drawSurface);
    drawSurface = NewDrawSurface();
    PointRootControlAtDrawSurface(*this);
}
