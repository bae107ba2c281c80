#pragma once
// A display device in memory: a desktop of a given size and depth, a window at a rectangle on
// it, display modes, a primary surface and its back buffer made by a MemorySurfacePlatform, and
// flips that swap the two. Every step the display's creation, presenting and resizing take can be
// made to fail, the way a real device fails: refused objects and modes, missing back buffers, a
// window without a device context. Surfaces are lost through MemorySurfacePlatform::MarkLost.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "display/display_platform.h"
#include "platform/memory/display/memory_surface_platform.h"

class MemoryDisplayPlatform final : public DisplayPlatform {
  public:
    struct Mode {
        int32_t width = 0;
        int32_t height = 0;
        int32_t bitsPerPixel = 0;
        friend bool operator==(const Mode&, const Mode&) = default;
    };

    // The display mode starts as the desktop's.
    MemoryDisplayPlatform(MemorySurfacePlatform& surfaces, Mode desktop);
    ~MemoryDisplayPlatform();
    MemoryDisplayPlatform(const MemoryDisplayPlatform&) = delete;
    MemoryDisplayPlatform& operator=(const MemoryDisplayPlatform&) = delete;

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

    // Failures, each for every later call until undone by the same call with false (or 0).
    void FailDeviceCreation(int32_t code) { deviceCreationFailure_ = code; }
    void RefuseCooperativeLevel(bool refuse = true) { refuseCooperativeLevel_ = refuse; }
    void RefuseEngineInterface(bool refuse = true) { refuseEngineInterface_ = refuse; }
    void RefuseDisplayModes(bool refuse = true) { refuseDisplayModes_ = refuse; }
    void RefusePrimaryCaps(uint32_t capabilities) { refusedPrimaryCaps_.push_back(capabilities); }
    void RefuseAllPrimaries(bool refuse = true) { refuseAllPrimaries_ = refuse; }
    void WithoutBackBuffer(bool without = true) { withoutBackBuffer_ = without; }
    void RefuseClipper(bool refuse = true) { refuseClipper_ = refuse; }
    void WithoutDeviceContext(bool without = true) { withoutDeviceContext_ = without; }
    // The 16-bit format the primary reports; 5:6:5 unless set.
    void ReportPixelFormat(const PrimaryPixelFormat& format) { reportedFormat_ = format; }
    void MoveWindowTo(const Rect& frame) { windowFrame_ = frame; }

    // What the display did to the machine.
    Mode CurrentMode() const { return mode_; }
    bool HasEngineInterface() const { return engineOpen_; }
    bool HasDevice() const { return engineOpen_ || firstObject_; }
    uint32_t CooperativeFlags() const { return cooperativeFlags_; }
    const std::vector<PrimaryDescription>& PrimaryRequests() const { return primaryRequests_; }
    int32_t FocusRequests() const { return focusRequests_; }
    int32_t Flips() const { return flips_; }
    PlatformWindow ClipperWindow(PlatformClipper clipper) const;

  private:
    struct Clipper {
        PlatformWindow window;
    };
    struct Chain {
        PlatformSurface primary;
        PlatformSurface backBuffer;
    };
    Chain* ChainOf(PlatformSurface primary);

    MemorySurfacePlatform& surfaces_;
    Mode desktop_;
    Mode mode_;
    Rect windowFrame_{100, 50, 100 + 646, 50 + 504};
    PrimaryPixelFormat reportedFormat_{true, 0xF800, 0x07E0, 0x001F};
    bool firstObject_ = false;
    bool engineOpen_ = false;
    int32_t engineObject_ = 0;  // what the engine interface points at
    uint32_t cooperativeFlags_ = 0;

    int32_t deviceCreationFailure_ = 0;
    bool refuseCooperativeLevel_ = false;
    bool refuseEngineInterface_ = false;
    bool refuseDisplayModes_ = false;
    std::vector<uint32_t> refusedPrimaryCaps_;
    bool refuseAllPrimaries_ = false;
    bool withoutBackBuffer_ = false;
    bool refuseClipper_ = false;
    bool withoutDeviceContext_ = false;

    std::vector<PrimaryDescription> primaryRequests_;
    std::vector<Chain> chains_;
    std::vector<std::unique_ptr<Clipper>> clippers_;
    int32_t focusRequests_ = 0;
    int32_t flips_ = 0;
};
