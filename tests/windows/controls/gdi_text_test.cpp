// Text drawn by GDI into a DirectDraw system-memory surface under Wine, read back pixel by
// pixel; and the mouse cursor placed from the platform's pointer and the display's window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <windows.h>
#undef DrawText

#include "control_classes/sprite_controls.h"
#include "control_classes/text_label.h"
#include "control_classes/text_renderer.h"
#include "display/display.h"
#include "host/host_globals.h"
#include "host_globals_scope.h"
#include "platform/win32/controls/gdi_text_platform.h"
#include "platform/win32/controls/win32_pointer_platform.h"
#include "platform/win32/display/directdraw.h"
#include "platform/win32/display/directdraw_display_platform.h"

namespace {

LRESULT CALLBACK PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

constexpr uint16_t kWhite = 0xFFFF;
constexpr uint16_t kRed = 0xF800;
constexpr uint16_t kGreen = 0x07E0;

// Where pixels of one colour lie: their bounding box (right and bottom inclusive) and count.
struct Ink {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0;
};

class GdiTextTest : public ::testing::Test {
  protected:
    static constexpr int kWidth = 200;
    static constexpr int kHeight = 48;

    void SetUp() override {
        WNDCLASSA wc{};
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "GdiTextTest";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, "GdiTextTest", "GdiTextTest", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 40,
                                 326, 224, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        display = new Display(320, 200);
        ASSERT_EQ(display->Create(window, GetModuleHandleA(nullptr), 320, 200, 2, host::kWindowed), 1);
        host::Display = display;
        surface = CreateSurface(kWidth, kHeight, surface_caps::OffscreenSystemMemory);
        ASSERT_NE(surface, nullptr);
        ASSERT_NE(surface->platformSurface, nullptr);
        target.ownSurface = surface;
        FontRequest request;
        request.height = 16;
        request.quality = NONANTIALIASED_QUALITY;  // whole pixels, so that colours can be counted
        request.face = "Liberation Sans";
        font.fontHandle = text.NewFont(request);
        ASSERT_NE(font.fontHandle, nullptr);
    }
    void TearDown() override {
        target.ownSurface = nullptr;
        DestroySurface(surface);
        DestroyControl(display);
        if (window) DestroyWindow(window);
        UnregisterClassA("GdiTextTest", GetModuleHandleA(nullptr));
    }
    uint16_t Pixel(int x, int y) {
        surface->RefreshPixels(1);
        uint16_t v = *reinterpret_cast<uint16_t*>(surface->pixels + y * surface->pitch + x * 2);
        surface->Unlock();
        return v;
    }
    Ink Find(uint16_t colour) {
        Ink ink;
        surface->RefreshPixels(1);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (*reinterpret_cast<uint16_t*>(surface->pixels + y * surface->pitch + x * 2) == colour) {
                    ink.left = std::min(ink.left, x);
                    ink.right = std::max(ink.right, x);
                    ink.top = std::min(ink.top, y);
                    ink.bottom = std::max(ink.bottom, y);
                    ++ink.count;
                }
        surface->Unlock();
        return ink;
    }
    void Draw(TextLabel& label, const Rect* clip = nullptr) {
        surface->Clear(0);
        DrawTree(&label, &target, clip);
    }

    HostGlobalsScope freshGlobals;
    DirectDrawDisplayPlatform device;
    PlatformSlot<DisplayPlatform>::Scope deviceScope{device};
    PlatformSlot<SurfacePlatform>::Scope surfaceScope{DirectDrawSurfacePlatform::Instance()};
    HWND window = nullptr;
    Display* display = nullptr;
    Surface* surface = nullptr;
    RootControl target{nullptr, 0, 0, kWidth, kHeight, 64};
    GdiTextPlatform text;
    TextPlatformSlot::Scope installed{text};
    GdiFont font{nullptr};
};

TEST_F(GdiTextTest, ShadowIsTheTextMovedOneRightAndOneDown) {
    TextLabel label(nullptr, 10, 6, &font);
    std::snprintf(label.text, TextLabel::kOwnTextBytes, "Tide");
    label.shadowColour = 0x000000FF;  // red
    Draw(label);
    Ink white = Find(kWhite), red = Find(kRed);
    ASSERT_GT(white.count, 20);
    ASSERT_GT(red.count, 0);
    EXPECT_GE(white.left, 10);
    EXPECT_GE(white.top, 6);
    EXPECT_EQ(red.right, white.right + 1);
    EXPECT_EQ(red.bottom, white.bottom + 1);
    EXPECT_EQ(Find(kGreen).count, 0);

    label.backgroundColour = 0x0000FF00;  // green: an opaque box, and no shadow
    Draw(label);
    Ink box = Find(kGreen);
    EXPECT_EQ(Find(kRed).count, 0);
    EXPECT_EQ(box.left, 10);
    EXPECT_EQ(box.top, 6);
    EXPECT_EQ(box.right, kWidth - 1) << "the box reaches the clip's right edge";
    EXPECT_EQ(box.bottom, 6 + GdiFont::kLineHeight - 1) << "and one line height down";
}

TEST_F(GdiTextTest, AlignmentPlacesTheTextOnTheAnchor) {
    TextLabel label(nullptr, 20, 4, &font);
    label.bounds.right = 160;
    std::snprintf(label.text, TextLabel::kOwnTextBytes, "Tidemarch");
    Draw(label);
    Ink left = Find(kWhite);
    label.alignment = text_align::Right;
    Draw(label);
    Ink right = Find(kWhite);
    label.alignment = text_align::Centre;
    Draw(label);
    Ink centre = Find(kWhite);
    const int width = left.right - left.left;
    EXPECT_LE(left.left, 22);
    EXPECT_LE(right.right, 180);
    EXPECT_GE(right.right, 176) << "the text ends at the anchor, 160 right of x";
    EXPECT_EQ(right.right - right.left, width);
    EXPECT_NEAR((centre.left + centre.right) / 2, 100, 3) << "centred on the anchor 80 right of x";
}

TEST_F(GdiTextTest, ClipsAtTheBoxAndAtOneLine) {
    TextLabel label(nullptr, 4, 4, &font);
    std::snprintf(label.text, TextLabel::kOwnTextBytes, "MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM");
    const Rect clip{0, 0, 60, kHeight};
    Draw(label, &clip);
    Ink cut = Find(kWhite);
    EXPECT_GT(cut.count, 0);
    EXPECT_LE(cut.right, 59) << "nothing at or past the clip's right edge";
    font.lineHeight = 6;
    Draw(label);
    EXPECT_LE(Find(kWhite).bottom, 4 + 6 - 1) << "one call draws one line height at most";
    font.lineHeight = GdiFont::kLineHeight;
    const Rect away{100, 0, 200, kHeight};
    label.bounds.right = 50;  // box 4..54: outside the clip although the text would reach it
    Draw(label, &away);
    EXPECT_EQ(Find(kWhite).count, 0);
}

TEST_F(GdiTextTest, MeasuresWhatItDraws) {
    host::RootControl = &target;
    Size size{0, 0};
    ASSERT_EQ(font.MeasureText("Tidemarch", 9, &size), 0);
    TextLabel label(nullptr, 10, 4, &font);
    std::snprintf(label.text, TextLabel::kOwnTextBytes, "Tidemarch");
    Draw(label);
    Ink ink = Find(kWhite);
    EXPECT_LE(ink.right - 10 + 1, size.width);
    EXPECT_GE(ink.right - 10 + 1, size.width - 3)
        << "the extent ends where the ink ends, give or take the last bearing";
    EXPECT_GE(size.height, ink.bottom - ink.top + 1);
}

TEST_F(GdiTextTest, CyrillicInCodePage1251ShowsRealGlyphs) {
    FontRequest request;
    request.height = 20;
    request.weight = 400;
    request.charSet = font_charset::Cyrillic;
    request.quality = font_quality::Proof;
    request.pitchAndFamily = font_pitch::Fixed;
    request.face = "MS Sans Serif Regular";
    GdiFont cyrillic(text.NewFont(request));
    ASSERT_NE(cyrillic.fontHandle, nullptr);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, static_cast<HFONT>(cyrillic.fontHandle));
    char face[64] = {};
    GetTextFaceA(dc, sizeof face, face);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    std::printf("face for \"MS Sans Serif Regular\", set 204: \"%s\", character set %d\n", face,
                int(metrics.tmCharSet));
    EXPECT_EQ(metrics.tmCharSet, 204);

    // Each letter drawn alone: distinct Cyrillic letters give distinct pictures, none of them
    // the picture of a character the font lacks.
    auto picture = [&](const char* letter) {
        TextLabel label(nullptr, 4, 2, &cyrillic);
        std::snprintf(label.text, TextLabel::kOwnTextBytes, "%s", letter);
        Draw(label);
        std::string bits;
        surface->RefreshPixels(1);
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x)
                bits +=
                    *reinterpret_cast<uint16_t*>(surface->pixels + y * surface->pitch + x * 2) ? '#' : '.';
        surface->Unlock();
        return bits;
    };
    const std::string missing = picture("\x98");  // unassigned in code page 1251
    const char* letters[] = {"\xcd", "\xe5", "\xf3", "\xe4", "\xe0",
                             "\xeb", "\xee", "\xf1", "\xfc"};  // Неудалось
    std::vector<std::string> seen;
    for (const char* letter : letters) {
        std::string p = picture(letter);
        EXPECT_NE(p.find('#'), std::string::npos) << "letter 0x" << std::hex << (int)(unsigned char)letter[0];
        EXPECT_NE(p, missing);
        for (const std::string& other : seen)
            EXPECT_NE(p, other);
        seen.push_back(p);
    }
}

TEST_F(GdiTextTest, TheCursorIsWhereThePointerIsInTheClientArea) {
    Win32PointerPlatform pointer;
    PointerPlatformSlot::Scope installedPointer(pointer);
    MouseCursor cursor;
    display->windowX = 53;
    display->windowY = 61;
    ASSERT_TRUE(SetCursorPos(153, 141));
    POINT p{};
    for (int i = 0; i < 50 && (GetCursorPos(&p), p.x != 153 || p.y != 141); ++i)
        Sleep(20);
    DrawTree(&cursor, &target, nullptr);
    EXPECT_EQ(cursor.screenPosition, (Point{153, 141}));
    EXPECT_EQ(cursor.x, 100);
    EXPECT_EQ(cursor.y, 80);
}

}  // namespace
