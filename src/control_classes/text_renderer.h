#pragma once
// Text through the platform's fonts: TextRenderer is the interface controls draw and measure
// with, GdiFont its implementation over a platform font drawn into a surface's device context.
//
// TextRenderer has no fields; slots: 0 deleting destructor, 1 MeasureText, 2 DrawText.
// GdiFont fields: 4 character width (8), 8 line height (16), 12 font handle (owned, may be null).
#include <cstdint>

#include "common/deleting_destructor.h"
#include "common/geometry.h"
#include "common/layout_check.h"
#include "control_classes/text_platform.h"

class Surface;

class TextRenderer {
  public:
    TextRenderer() = default;
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;

    virtual void* DeletingDestructor(uint32_t flags);
    // The extent of the first length characters; 0 on success.
    virtual int32_t MeasureText(const char* text, int32_t length, Size* size);
    // One line of zero-terminated text at the anchor as the alignment places it. Colours are GDI
    // colours; a background colour of 0 is transparent, a shadow colour of 0 draws no shadow.
    virtual void DrawText(Surface* surface, Point* anchor, const char* text, uint32_t textColour,
                          uint32_t backgroundColour, uint32_t shadowColour, Rect* clip, uint32_t alignment);

    ~TextRenderer() = default;
};

class GdiFont : public TextRenderer {
  public:
    // Takes ownership of the font handle (null is allowed and draws in the context's own font).
    explicit GdiFont(FontHandle font);

    void* DeletingDestructor(uint32_t flags) override;
    // Measures in the device context of the root control's surface, which every frame is drawn
    // into. Returns the context's failure code when there is none, else the result of releasing it.
    int32_t MeasureText(const char* text, int32_t length, Size* size) override;
    void DrawText(Surface* surface, Point* anchor, const char* text, uint32_t textColour,
                  uint32_t backgroundColour, uint32_t shadowColour, Rect* clip, uint32_t alignment) override;

    static constexpr int32_t kCharacterWidth = 8;
    static constexpr int32_t kLineHeight = 16;

    int32_t characterWidth = kCharacterWidth;
    int32_t lineHeight = kLineHeight;
    FontHandle fontHandle;

    ~GdiFont();
};

// The result MeasureText gives when no device context can be had at all (no text platform, no
// root control or no surface).
inline constexpr int32_t kNoDeviceContext = int32_t(0x80004005u);

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_SIZE(TextRenderer, 4);
TIDEMARCH_CHECK_SIZE(GdiFont, 16);
TIDEMARCH_CHECK_OFFSET(GdiFont, characterWidth, 4);
TIDEMARCH_CHECK_OFFSET(GdiFont, lineHeight, 8);
TIDEMARCH_CHECK_OFFSET(GdiFont, fontHandle, 12);
TIDEMARCH_LAYOUT_CHECKS_END
#endif
