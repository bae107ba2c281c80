#pragma once
// What text drawing needs of the machine: fonts, and a device context on a platform surface in
// which text is drawn and measured. On Windows this is GDI on the DirectDraw surface; the
// memory implementation draws a built-in bitmap font into memory surfaces.
//
// Colours are GDI colours (0x00BBGGRR); the context converts them to the surface's layout.
#include <cstdint>

#include "common/geometry.h"
#include "common/platform_slot.h"

using PlatformSurface = void*;
using DeviceContext = void*;
using FontHandle = void*;

// A font as the platform's font creation call describes it.
struct FontRequest {
    int32_t height = 0;
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 400;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    const char* face = "";
};

namespace font_charset {
inline constexpr uint8_t Ansi = 0;
inline constexpr uint8_t Cyrillic = 204;
}  // namespace font_charset

namespace font_quality {
inline constexpr uint8_t Proof = 2;
}  // namespace font_quality

namespace font_pitch {
inline constexpr uint8_t Fixed = 1;
}  // namespace font_pitch

// Text alignment flags of the context (horizontal bits; top alignment is 0).
namespace text_align {
inline constexpr uint32_t Left = 0;
inline constexpr uint32_t Right = 2;
inline constexpr uint32_t Centre = 6;
inline constexpr uint32_t HorizontalMask = 6;
}  // namespace text_align

// Options of DrawTextRun.
namespace text_out {
inline constexpr uint32_t Opaque = 2;   // fill the rectangle with the background colour first
inline constexpr uint32_t Clipped = 4;  // draw nothing outside the rectangle
}  // namespace text_out

class TextPlatform {
  public:
    // A new font, or null when the platform refuses.
    virtual FontHandle NewFont(const FontRequest& request) = 0;
    virtual void DeleteFont(FontHandle font) = 0;

    // A device context on the surface. Results follow the surface platform's convention:
    // 0 or positive is success, negative is failure (for example a lost surface).
    virtual int32_t GetDC(PlatformSurface surface, DeviceContext* context) = 0;
    virtual int32_t ReleaseDC(PlatformSurface surface, DeviceContext context) = 0;

    virtual void SetBackgroundColour(DeviceContext context, uint32_t colour) = 0;
    virtual void SetTextColour(DeviceContext context, uint32_t colour) = 0;
    virtual void SetTransparentBackground(DeviceContext context) = 0;
    virtual void SelectFont(DeviceContext context, FontHandle font) = 0;
    virtual void SetTextAlignment(DeviceContext context, uint32_t flags) = 0;
    // Draws length characters at (x, y) as the alignment places them, with the options above
    // applied to the rectangle.
    virtual void DrawTextRun(DeviceContext context, int32_t x, int32_t y, uint32_t options,
                             const Rect& rectangle, const char* text, int32_t length) = 0;
    // The extent of length characters in the selected font; false when the platform fails.
    virtual bool MeasureText(DeviceContext context, const char* text, int32_t length, Size* size) = 0;

  protected:
    ~TextPlatform() = default;
};

using TextPlatformSlot = PlatformSlot<TextPlatform>;
