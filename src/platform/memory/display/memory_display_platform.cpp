#include "platform/memory/display/memory_display_platform.h"

#include <algorithm>
#include <utility>

namespace {
constexpr int32_t kNotInitialized = int32_t(0x800401F0u);  // no display object yet
constexpr int32_t kNotFound = int32_t(0x887600FFu);        // no such attached surface
constexpr int32_t kUnsupportedMode = int32_t(0x8876024Eu);

MemorySurface* Get(PlatformSurface s) { return static_cast<MemorySurface*>(s); }

bool HasBackBuffers(const PrimaryDescription& d) {
    return (d.flags & primary_request::BackBufferCount) && d.backBufferCount > 0 &&
           (d.capabilities & primary_request::Flip);
}
}  // namespace

MemoryDisplayPlatform::MemoryDisplayPlatform(MemorySurfacePlatform& surfaces, Mode desktop)
    : surfaces_(surfaces), desktop_(desktop), mode_(desktop) {}

MemoryDisplayPlatform::~MemoryDisplayPlatform() = default;

int32_t MemoryDisplayPlatform::CreateDevice() {
    if (deviceCreationFailure_ < 0) return deviceCreationFailure_;
    firstObject_ = true;
    return surface_result::Ok;
}

int32_t MemoryDisplayPlatform::SetCooperativeLevel(PlatformWindow, uint32_t flags) {
    if (!firstObject_ && !engineOpen_) return kNotInitialized;
    if (refuseCooperativeLevel_) return surface_result::InvalidParams;
    cooperativeFlags_ = flags;
    return surface_result::Ok;
}

int32_t MemoryDisplayPlatform::OpenEngineInterface() {
    if (!firstObject_) return kNotInitialized;
    firstObject_ = false;
    if (refuseEngineInterface_) return surface_result::Generic;
    engineOpen_ = true;
    return surface_result::Ok;
}

void* MemoryDisplayPlatform::EngineInterface() { return engineOpen_ ? &engineObject_ : nullptr; }

bool MemoryDisplayPlatform::ReleaseDevice() {
    bool held = firstObject_ || engineOpen_;
    firstObject_ = engineOpen_ = false;
    return held;
}

int32_t MemoryDisplayPlatform::SetDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) {
    if (!engineOpen_) return kNotInitialized;
    if (refuseDisplayModes_ || width <= 0 || height <= 0 || bitsPerPixel <= 0) return kUnsupportedMode;
    mode_ = Mode{width, height, bitsPerPixel};
    return surface_result::Ok;
}

int32_t MemoryDisplayPlatform::CreatePrimary(const PrimaryDescription& description, PlatformSurface* out) {
    primaryRequests_.push_back(description);
    if (!engineOpen_) return kNotInitialized;
    if (refuseAllPrimaries_ || std::find(refusedPrimaryCaps_.begin(), refusedPrimaryCaps_.end(),
                                         description.capabilities) != refusedPrimaryCaps_.end())
        return surface_result::OutOfMemory;
    PlatformSurface made = nullptr;
    if (int32_t result = surfaces_.Create(mode_.width, mode_.height, description.capabilities, &made);
        result < 0)
        return result;
    // A surface at the address of one let go earlier starts without its chain.
    std::erase_if(chains_, [made](const Chain& c) { return c.primary == made || c.backBuffer == made; });
    if (HasBackBuffers(description)) chains_.push_back(Chain{made, nullptr});
    *out = made;
    return surface_result::Ok;
}

MemoryDisplayPlatform::Chain* MemoryDisplayPlatform::ChainOf(PlatformSurface primary) {
    for (Chain& c : chains_)
        if (c.primary == primary) return &c;
    return nullptr;
}

int32_t MemoryDisplayPlatform::ReadPixelFormat(PlatformSurface, PrimaryPixelFormat* out) {
    switch (mode_.bitsPerPixel) {
    case 16:
        *out = reportedFormat_;
        break;
    case 24:
    case 32:
        *out = PrimaryPixelFormat{true, 0xFF0000, 0x00FF00, 0x0000FF};
        break;
    default:
        *out = PrimaryPixelFormat{};  // a palette
        break;
    }
    return surface_result::Ok;
}

int32_t MemoryDisplayPlatform::AttachedBackBuffer(PlatformSurface primary, PlatformSurface* out) {
    Chain* chain = ChainOf(primary);
    if (!chain || withoutBackBuffer_) return kNotFound;
    const MemorySurface* front = Get(primary);
    PlatformSurface made = nullptr;
    if (int32_t result = surfaces_.Create(front->width, front->height, 0, &made); result < 0) return result;
    std::erase_if(chains_, [made](const Chain& c) { return c.primary == made; });
    chain = ChainOf(primary);
    chain->backBuffer = made;
    *out = made;
    return surface_result::Ok;
}

int32_t MemoryDisplayPlatform::CreateWindowClipper(PlatformWindow window, PlatformSurface,
                                                   PlatformClipper* out) {
    if (!engineOpen_) return kNotInitialized;
    if (refuseClipper_) return surface_result::Generic;
    clippers_.push_back(std::make_unique<Clipper>(Clipper{window}));
    *out = clippers_.back().get();
    return surface_result::Ok;
}

PlatformWindow MemoryDisplayPlatform::ClipperWindow(PlatformClipper clipper) const {
    for (const auto& c : clippers_)
        if (c.get() == clipper) return c->window;
    return nullptr;
}

int32_t MemoryDisplayPlatform::CopyToBackBuffer(PlatformSurface backBuffer, PlatformSurface drawSurface) {
    const MemorySurface* source = Get(drawSurface);
    Rect whole{0, 0, source->width, source->height};
    return surfaces_.Copy(backBuffer, whole, drawSurface, whole, blit_options::Wait);
}

int32_t MemoryDisplayPlatform::Flip(PlatformSurface primary) {
    Chain* chain = ChainOf(primary);
    if (!chain || !chain->backBuffer) return kNotFound;
    MemorySurface* front = Get(primary);
    MemorySurface* back = Get(chain->backBuffer);
    if (front->lost || back->lost) return surface_result::SurfaceLost;
    std::swap(front->pixels, back->pixels);
    ++flips_;
    return surface_result::Ok;
}

bool MemoryDisplayPlatform::ReadDesktopBitsPerPixel(PlatformWindow, int32_t* bitsPerPixel) {
    if (withoutDeviceContext_) return false;
    *bitsPerPixel = desktop_.bitsPerPixel;
    return true;
}

DesktopSize MemoryDisplayPlatform::ReadDesktopSize() { return DesktopSize{desktop_.width, desktop_.height}; }

Rect MemoryDisplayPlatform::ReadWindowRect(PlatformWindow) { return windowFrame_; }

void MemoryDisplayPlatform::GiveKeyboardFocus(PlatformWindow) { ++focusRequests_; }
