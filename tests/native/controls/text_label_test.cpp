#include <gtest/gtest.h>

#include <string>

#include "control_classes/text_label.h"
#include "control_classes/text_renderer.h"
#include "display/surface_control.h"
#include "host/host_globals.h"
#include "host_globals_scope.h"
#include "platform/memory/controls/memory_text_platform.h"
#include "platform/memory/display/memory_surface_platform.h"

namespace {

// Glyphs of the memory platform: a 5 x 7 frame in a 6-pixel cell, so the glyph's top row is
// inked across its five columns. Rows are read as text: W white text, S the shadow, G the
// background, '.' black.
struct TextLabelTest : ::testing::Test {
    static constexpr int kWidth = 40;
    static constexpr int kHeight = 14;
    static constexpr uint32_t kShadow = 0x000000FF;      // GDI red
    static constexpr uint32_t kBackground = 0x0000FF00;  // GDI green

    HostGlobalsScope globals;
    MemoryDisplayScope display{2, 0xF800, kWidth, kHeight};
    MemoryTextPlatform text;
    TextPlatformSlot::Scope installed{text};
    Surface* screen = CreateSurface(kWidth, kHeight, surface_caps::OffscreenSystemMemory);
    RootControl root{nullptr, 0, 0, kWidth, kHeight, 64};
    FontRequest request{};
    GdiFont font{nullptr};

    TextLabelTest() {
        root.ownSurface = screen;
        request.height = 8;
        font.fontHandle = text.NewFont(request);
    }
    ~TextLabelTest() override {
        root.ownSurface = nullptr;
        DestroySurface(screen);
    }
    std::string Row(int y) const {
        std::string out;
        for (int x = 0; x < kWidth; ++x) {
            uint32_t p = screen->GetPixel(x, y);
            out += p == 0xFFFF ? 'W' : p == 0xF800 ? 'S' : p == 0x07E0 ? 'G' : p == 0 ? '.' : '?';
        }
        return out;
    }
    void Draw(Control& c, const Rect* clip = nullptr) {
        screen->Clear(0);
        DrawTree(&c, &root, clip);
    }
};

TEST_F(TextLabelTest, PlacesTheLineByAlignmentOnTheAnchor) {
    struct Case {
        uint32_t alignment;
        int32_t boundsRight;
        const char* topRow;
    };
    // Label at x = 4; "ab" is 12 pixels wide; bounds right 20 puts the right anchor at 24 and the
    // centre anchor at 14.
    const Case cases[] = {
        {0, 20, "....WWWWW.WWWWW........................."},
        {2, 20, "............WWWWW.WWWWW................."},
        {6, 20, "........WWWWW.WWWWW....................."},
        {6, 21, "........WWWWW.WWWWW....................."},  // 21 / 2 truncates to 10
    };
    for (Case c : cases) {
        TextLabel label(nullptr, 4, 2, &font);
        label.bounds.right = c.boundsRight;
        label.alignment = c.alignment;
        std::snprintf(label.text, TextLabel::kOwnTextBytes, "ab");
        Draw(label);
        EXPECT_EQ(Row(2), c.topRow) << "alignment " << c.alignment;
        EXPECT_EQ(Row(1), std::string(kWidth, '.'));
    }
}

// The offset places the box (here up and to the left of the anchor), not the text: the text
// stays at the anchor, and the line starts there, so the box's rows above it stay untouched.
TEST_F(TextLabelTest, TheOffsetMovesTheBoxButNotTheText) {
    TextLabel label(nullptr, 4, 4, &font);
    label.offsetX = -3;
    label.offsetY = -3;
    label.backgroundColour = kBackground;
    std::snprintf(label.text, TextLabel::kOwnTextBytes, "a");
    Draw(label);
    EXPECT_EQ(Row(4), ".GGGWWWWW" + std::string(kWidth - 9, 'G'))
        << "the box from x = 1, the text from the anchor at x = 4";
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(Row(y), std::string(kWidth, '.')) << "row " << y << " lies above the line";
}

TEST_F(TextLabelTest, ShadowOnePixelRightAndDownOnlyOnATransparentBackground) {
    TextLabel label(nullptr, 2, 1, &font);
    std::snprintf(label.text, TextLabel::kOwnTextBytes, "a");
    label.shadowColour = kShadow;
    Draw(label);
    EXPECT_EQ(Row(1), "..WWWWW.................................");
    EXPECT_EQ(screen->GetPixel(7, 2), 0xF800u) << "the shadow's right edge, one right and one down";
    EXPECT_EQ(Row(8), "...SSSSS................................") << "the shadow's bottom row shows below";
    EXPECT_EQ(Row(7), "..WWWWWS................................") << "the text is drawn over its shadow";

    label.backgroundColour = kBackground;
    Draw(label);
    EXPECT_EQ(Row(1), "..WWWWWGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGG")
        << "the whole box, clipped, gets the background";
    EXPECT_EQ(Row(8), "..GGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGG") << "no shadow with a background";
    EXPECT_EQ(Row(0), std::string(kWidth, '.'));
}

TEST_F(TextLabelTest, OneLineAtMostAndNothingOutsideTheBox) {
    TextLabel label(nullptr, 30, 3, &font);
    std::string longText(100, 'x');
    std::snprintf(label.text, TextLabel::kOwnTextBytes, "%s", longText.c_str());
    font.lineHeight = 4;  // the line clip ends four rows below the anchor
    Draw(label);
    EXPECT_EQ(Row(3), "..............................WWWWW.WWWW");
    EXPECT_EQ(Row(6).substr(30, 1), "W");
    EXPECT_EQ(Row(7), std::string(kWidth, '.')) << "cut at the line height";
    font.lineHeight = GdiFont::kLineHeight;

    const Rect away{0, 0, 20, kHeight};  // the box (30.., 3..) lies outside; the clip holds x < 20
    text.contextsTaken = 0;
    Draw(label, &away);
    EXPECT_EQ(Row(3), std::string(kWidth, '.'));
    EXPECT_EQ(text.contextsTaken, 0) << "an empty box does not reach the font";
}

TEST_F(TextLabelTest, NullFontEmptyTextAndALostSurface) {
    struct Child : Control {
        using Control::Control;
        void Draw(SurfaceControl*, Rect*, Point*) override { ++draws; }
        int draws = 0;
    };
    TextLabel fontless(nullptr, 0, 0, nullptr);
    Child child(&fontless, 0, 0, 0, 0, 64);
    Draw(fontless);
    EXPECT_EQ(child.draws, 1);
    EXPECT_EQ(text.contextsTaken, 0);

    TextLabel empty(nullptr, 0, 0, &font);
    Draw(empty);
    EXPECT_EQ(text.contextsTaken, 1);
    EXPECT_EQ(text.contextsReleased, 1) << "an empty string still takes and gives back the context";

    char storage[] = "given";
    TextLabel given(nullptr, 0, 0, &font, storage);
    EXPECT_EQ(given.text, storage);
    EXPECT_EQ(empty.text, empty.ownText);
    MemorySurfacePlatform::MarkLost(screen->platformSurface);
    Draw(given);
    EXPECT_EQ(text.contextsTaken, 1) << "a lost surface gives no context and draws nothing";
}

TEST_F(TextLabelTest, MeasuresInTheRootControlsContextWhatIsDrawn) {
    Size size{-1, -1};
    EXPECT_LT(font.MeasureText("abcd", 4, &size), 0) << "no root control yet";
    EXPECT_EQ(size, (Size{-1, -1}));
    host::RootControl = &root;
    EXPECT_EQ(font.MeasureText("abcd", 4, &size), 0);
    EXPECT_EQ(size, (Size{24, 8}));
    EXPECT_EQ(text.contextsTaken, text.contextsReleased);

    TextLabel label(nullptr, 3, 0, &font);
    std::snprintf(label.text, TextLabel::kOwnTextBytes, "abcd");
    Draw(label);
    std::string top = Row(0);
    EXPECT_EQ(int(top.find_last_of('W')) - 3 + 2, size.width)
        << "the last glyph ends a cell's gap before the extent";

    MemorySurfacePlatform::MarkLost(screen->platformSurface);
    size = Size{-1, -1};
    EXPECT_EQ(font.MeasureText("abcd", 4, &size), surface_result::SurfaceLost);
    EXPECT_EQ(size, (Size{-1, -1}));
}

TEST_F(TextLabelTest, TheFontDeletesItsHandle) {
    auto* owned = new GdiFont(text.NewFont(request));
    EXPECT_EQ(text.LiveFonts(), 2u);
    owned->DeletingDestructor(kDeleteMemory);
    EXPECT_EQ(text.LiveFonts(), 1u);
    GdiFont none(nullptr);
    EXPECT_EQ(none.characterWidth, 8);
    EXPECT_EQ(none.lineHeight, 16);
}

}  // namespace
