#include "platform/memory/controls/memory_text_platform.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "common/colour_packing.h"
#include "display/display_format.h"
#include "display/surface_platform.h"
#include "platform/memory/display/memory_surface_platform.h"

namespace {
constexpr int32_t kDefaultFontHeight = 16;  // the context's own font, when none is selected
constexpr unsigned char kFirstInkedCharacter = 0x21;

// A GDI colour (0x00BBGGRR) as a pixel of the display's layout.
uint32_t PixelOf(uint32_t colour) {
    return PackColour(CurrentPixelLayout(), uint8_t(colour), uint8_t(colour >> 8), uint8_t(colour >> 16));
}

Rect Intersect(const Rect& a, const Rect& b) {
    return Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

void PutPixel(MemorySurface& surface, int32_t x, int32_t y, uint32_t pixel) {
    uint8_t* at = surface.pixels.data() + size_t(y) * surface.pitch + size_t(x) * surface.bytesPerPixel;
    std::memcpy(at, &pixel, size_t(surface.bytesPerPixel));  // little-endian: the low bytes
}

void Fill(MemorySurface& surface, const Rect& area, uint32_t pixel) {
    Rect r = Intersect(area, Rect{0, 0, surface.width, surface.height});
    for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x)
            PutPixel(surface, x, y, pixel);
}
}  // namespace

struct MemoryTextPlatform::Font {
    int32_t height;
};

struct MemoryTextPlatform::Context {
    MemorySurface* surface;
    uint32_t background = 0x00FFFFFF;
    uint32_t text = 0;
    bool opaque = true;
    Font* font = nullptr;
    uint32_t alignment = text_align::Left;
};

MemoryTextPlatform::MemoryTextPlatform() = default;

MemoryTextPlatform::~MemoryTextPlatform() {
    for (Font* f : fonts_)
        delete f;
    for (Context* c : contexts_)
        delete c;
}

bool MemoryTextPlatform::GlyphInk(unsigned char character, int32_t column, int32_t row) {
    if (character < kFirstInkedCharacter || column < 0 || column >= kGlyphWidth || row < 0 ||
        row >= kGlyphHeight)
        return false;
    if (column == 0 || column == kGlyphWidth - 1 || row == 0 || row == kGlyphHeight - 1) return true;
    uint32_t pattern = (uint32_t(character) * 0x9E3779B1u) >> 17;
    return (pattern >> ((row - 1) * 3 + (column - 1))) & 1;
}

FontHandle MemoryTextPlatform::NewFont(const FontRequest& request) {
    if (failNextFont_) {
        failNextFont_ = false;
        return nullptr;
    }
    Font* font = new Font{std::abs(request.height)};
    fonts_.insert(font);
    return font;
}

void MemoryTextPlatform::DeleteFont(FontHandle handle) {
    auto* font = static_cast<Font*>(handle);
    if (fonts_.erase(font)) delete font;
}

int32_t MemoryTextPlatform::GetDC(PlatformSurface surface, DeviceContext* context) {
    *context = nullptr;
    if (failNextContext_) {
        failNextContext_ = false;
        return surface_result::Generic;
    }
    auto* memory = static_cast<MemorySurface*>(surface);
    if (!memory) return surface_result::InvalidParams;
    if (memory->lost) return surface_result::SurfaceLost;
    for (Context* c : contexts_)
        if (c->surface == memory) return surface_result::Generic;  // one context per surface at a time
    auto* created = new Context{memory};
    contexts_.insert(created);
    *context = created;
    ++contextsTaken;
    return surface_result::Ok;
}

int32_t MemoryTextPlatform::ReleaseDC(PlatformSurface surface, DeviceContext handle) {
    auto* context = static_cast<Context*>(handle);
    if (!contexts_.count(context) || context->surface != surface) return surface_result::InvalidParams;
    contexts_.erase(context);
    delete context;
    ++contextsReleased;
    return surface_result::Ok;
}

void MemoryTextPlatform::SetBackgroundColour(DeviceContext c, uint32_t colour) {
    static_cast<Context*>(c)->background = colour;
}
void MemoryTextPlatform::SetTextColour(DeviceContext c, uint32_t colour) {
    static_cast<Context*>(c)->text = colour;
}
void MemoryTextPlatform::SetTransparentBackground(DeviceContext c) {
    static_cast<Context*>(c)->opaque = false;
}
void MemoryTextPlatform::SelectFont(DeviceContext c, FontHandle font) {
    auto* f = static_cast<Font*>(font);
    if (fonts_.count(f)) static_cast<Context*>(c)->font = f;
}
void MemoryTextPlatform::SetTextAlignment(DeviceContext c, uint32_t flags) {
    static_cast<Context*>(c)->alignment = flags;
}

int32_t MemoryTextPlatform::CellHeight(const Context& context) const {
    int32_t height = context.font ? context.font->height : kDefaultFontHeight;
    return std::max(height, kMinimumCellHeight);
}

void MemoryTextPlatform::DrawTextRun(DeviceContext handle, int32_t x, int32_t y, uint32_t options,
                                     const Rect& rectangle, const char* text, int32_t length) {
    auto& context = *static_cast<Context*>(handle);
    MemorySurface& surface = *context.surface;
    ++textRuns;
    const Rect whole{0, 0, surface.width, surface.height};
    if (options & text_out::Opaque) Fill(surface, rectangle, PixelOf(context.background));
    const Rect clip = (options & text_out::Clipped) ? Intersect(rectangle, whole) : whole;
    if (!text || length <= 0) return;

    const int64_t width = int64_t(kCellWidth) * length;
    int64_t left = x;
    if ((context.alignment & text_align::HorizontalMask) == text_align::Centre)
        left -= width / 2;
    else if ((context.alignment & text_align::HorizontalMask) == text_align::Right)
        left -= width;
    const int32_t cellHeight = CellHeight(context);

    auto visible = [&](int64_t px, int64_t py) {
        return px >= clip.left && px < clip.right && py >= clip.top && py < clip.bottom;
    };
    const uint32_t background = PixelOf(context.background);
    const uint32_t ink = PixelOf(context.text);
    for (int32_t i = 0; i < length; ++i) {
        const int64_t cellLeft = left + int64_t(i) * kCellWidth;
        for (int32_t row = 0; row < cellHeight; ++row) {
            for (int32_t column = 0; column < kCellWidth; ++column) {
                int64_t px = cellLeft + column, py = int64_t(y) + row;
                if (!visible(px, py)) continue;
                if (GlyphInk(static_cast<unsigned char>(text[i]), column, row))
                    PutPixel(surface, int32_t(px), int32_t(py), ink);
                else if (context.opaque)
                    PutPixel(surface, int32_t(px), int32_t(py), background);
            }
        }
    }
}

bool MemoryTextPlatform::MeasureText(DeviceContext handle, const char*, int32_t length, Size* size) {
    auto& context = *static_cast<Context*>(handle);
    size->width = ClampedCoordinate(int64_t(kCellWidth) * std::max(length, 0));
    size->height = CellHeight(context);
    return true;
}
