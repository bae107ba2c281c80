#pragma once
// A control that shows one line of text with a TextRenderer.
//
// Fields after those of Control: 80 font, 84 alignment (0 left, 2 right, 6 centre), 88 character
// width, 92 line height, 96 text colour, 100 background colour (0: transparent), 104 shadow
// colour (0: none; only with a transparent background), 108 text. The text points into storage
// the creator gives, or into the label's own 128-byte buffer at 112, which starts empty. The
// label keeps no copy: its owner writes the text into the storage.
#include <cstdint>

#include "controls/control.h"

class TextRenderer;

class TextLabel : public Control {
  public:
    // Control(parent, x, y, 1024, 768, 64): the box reaches to the right and bottom of a
    // 1024 x 768 screen. Without text storage the label uses its own buffer.
    TextLabel(Control* parent, int32_t x, int32_t y, TextRenderer* font, char* textStorage = nullptr);

    void* DeletingDestructor(uint32_t flags) override;
    void Draw(SurfaceControl* target, Rect* clip, Point* origin) override;

    static constexpr int32_t kOwnTextBytes = 128;
    static constexpr int32_t kScreenRight = 1024;
    static constexpr int32_t kScreenBottom = 768;

    TextRenderer* font;
    uint32_t alignment = 0;
    int32_t characterWidth = 8;
    int32_t lineHeight = 16;
    uint32_t textColour = 0x00FFFFFF;
    uint32_t backgroundColour = 0;
    uint32_t shadowColour = 0;
    char* text;
    char ownText[kOwnTextBytes] = {};
};

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_OFFSET(TextLabel, font, 80);
TIDEMARCH_CHECK_OFFSET(TextLabel, alignment, 84);
TIDEMARCH_CHECK_OFFSET(TextLabel, characterWidth, 88);
TIDEMARCH_CHECK_OFFSET(TextLabel, lineHeight, 92);
TIDEMARCH_CHECK_OFFSET(TextLabel, textColour, 96);
TIDEMARCH_CHECK_OFFSET(TextLabel, backgroundColour, 100);
TIDEMARCH_CHECK_OFFSET(TextLabel, shadowColour, 104);
TIDEMARCH_CHECK_OFFSET(TextLabel, text, 108);
TIDEMARCH_CHECK_OFFSET(TextLabel, ownText, 112);
TIDEMARCH_CHECK_SIZE(TextLabel, 240);
TIDEMARCH_LAYOUT_CHECKS_END
#endif
