#pragma once
// Text drawn without GDI, into memory surfaces: a built-in bitmap font whose glyphs are a 5 x 7
// frame with a pattern inside that depends on the character, on a cell 6 pixels wide and as
// high as the font (at least 8). Contexts behave as GDI's do: an opaque background by default,
// top alignment, left/right/centre placement on the anchor, the opaque and clipped options of
// the text call, colours given as 0x00BBGGRR and converted to the display's layout.
//
// It also keeps count of what a caller did, so that tests can see a context taken and given
// back, and fonts created and deleted, and it can be made to refuse the next font or context.
#include <cstdint>
#include <memory>
#include <set>

#include "control_classes/text_platform.h"

class MemoryTextPlatform final : public TextPlatform {
  public:
    static constexpr int32_t kCellWidth = 6;
    static constexpr int32_t kGlyphWidth = 5;
    static constexpr int32_t kGlyphHeight = 7;
    static constexpr int32_t kMinimumCellHeight = 8;

    MemoryTextPlatform();
    ~MemoryTextPlatform();

    FontHandle NewFont(const FontRequest& request) override;
    void DeleteFont(FontHandle font) override;
    int32_t GetDC(PlatformSurface surface, DeviceContext* context) override;
    int32_t ReleaseDC(PlatformSurface surface, DeviceContext context) override;
    void SetBackgroundColour(DeviceContext context, uint32_t colour) override;
    void SetTextColour(DeviceContext context, uint32_t colour) override;
    void SetTransparentBackground(DeviceContext context) override;
    void SelectFont(DeviceContext context, FontHandle font) override;
    void SetTextAlignment(DeviceContext context, uint32_t flags) override;
    void DrawTextRun(DeviceContext context, int32_t x, int32_t y, uint32_t options, const Rect& rectangle,
                     const char* text, int32_t length) override;
    bool MeasureText(DeviceContext context, const char* text, int32_t length, Size* size) override;

    // Whether a glyph pixel is inked, for a character's glyph at column 0-4, row 0-6.
    static bool GlyphInk(unsigned char character, int32_t column, int32_t row);

    void FailNextFont() { failNextFont_ = true; }
    void FailNextContext() { failNextContext_ = true; }

    int contextsTaken = 0;
    int contextsReleased = 0;
    int textRuns = 0;
    size_t LiveFonts() const { return fonts_.size(); }

  private:
    struct Font;
    struct Context;
    int32_t CellHeight(const Context& context) const;

    std::set<Font*> fonts_;
    std::set<Context*> contexts_;
    bool failNextFont_ = false;
    bool failNextContext_ = false;
};
