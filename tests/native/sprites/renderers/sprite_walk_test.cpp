// Where sprites land: clipping, the three walks, marks that end a row or the drawing, damaged
// data, and DrawInView.
#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "display/surface.h"
#include "display/surface_control.h"
#include "platform/memory/display/memory_surface_platform.h"
#include "sprite_builder.h"

namespace {

struct LayoutCase {
    PixelLayout layout;
    int bytesPerPixel;
    uint32_t redMask;
    const char* name;
};
const LayoutCase kLayouts[] = {{PixelLayout::Rgb565, 2, 0xF800, "565"},
                               {PixelLayout::Rgb555, 2, 0x7C00, "555"},
                               {PixelLayout::Rgb24, 3, 0, "24"},
                               {PixelLayout::Rgb32, 4, 0, "32"}};
void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

// A 16 x 8 surface, cleared to a marker colour, and sprites of a picture whose pixel at (x, y)
// is 1 + x + 16 y, so every written pixel tells where it came from.
class SpriteWalkTest : public ::testing::TestWithParam<LayoutCase> {
  protected:
    static constexpr uint32_t kMarker = 0x7;
    SpriteWalkTest() : display_(GetParam().bytesPerPixel, GetParam().redMask, 64, 64) {
        surface_.reset(CreateSurface(16, 8, surface_caps::OffscreenSystemMemory));
        surface_->Clear(kMarker);
    }
    static uint32_t Source(int x, int y) { return uint32_t(1 + x + 16 * y) << 5; }
    Picture Full(int w, int h) {
        Picture p{w, h, GetParam().bytesPerPixel, {}};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                p.pixels.push_back(Source(x, y));
        return p;
    }
    SpritePtr Sprite(SpriteKind kind, const Picture& p) {
        return SpritePtr(MakeSprite(GetParam().layout, kind, p.width, p.height, Encode(p, kind)));
    }
    SpritePtr Sprite(SpriteKind kind, int w, int h, const SpriteBytes& b) {
        return SpritePtr(MakeSprite(GetParam().layout, kind, w, h, b.bytes()));
    }
    uint32_t At(int x, int y) { return surface_->GetPixel(x, y); }
    int Written() {
        int n = 0;
        for (int y = 0; y < surface_->height; ++y)
            for (int x = 0; x < surface_->width; ++x)
                n += At(x, y) != kMarker;
        return n;
    }

    MemoryDisplayScope display_;
    SurfacePtr surface_;
};

const SpriteKind kKinds[] = {SpriteKind::Raw, SpriteKind::Rle, SpriteKind::Rle2};

TEST_P(SpriteWalkTest, SpriteCoveringTheClipIsDrawnWholeAndCutOneColumnWhenMoved) {
    for (SpriteKind kind : kKinds) {
        surface_->Clear(kMarker);
        SpritePtr s = Sprite(kind, Full(6, 4));
        const Rect clip{3, 2, 9, 6};
        s->Draw(surface_.get(), 3, 2, clip, 256, 0);
        EXPECT_EQ(Written(), 24) << int(kind);
        EXPECT_EQ(At(8, 5), Source(5, 3));
        surface_->Clear(kMarker);
        s->Draw(surface_.get(), 4, 2, clip, 256, 0);
        EXPECT_EQ(Written(), 20) << "last column cut, kind " << int(kind);
        EXPECT_EQ(At(8, 2), Source(4, 0));
        EXPECT_EQ(At(9, 2), kMarker);
        EXPECT_EQ(At(3, 2), kMarker);
    }
}

TEST_P(SpriteWalkTest, LeftPartOutsideTheClipStartsAtTheMatchingSourceColumn) {
    for (SpriteKind kind : kKinds) {
        surface_->Clear(kMarker);
        SpritePtr s = Sprite(kind, Full(10, 5));
        s->Draw(surface_.get(), -4, -2, Rect{1, 1, 16, 8}, 256, 0);
        EXPECT_EQ(At(1, 1), Source(5, 3)) << int(kind);
        EXPECT_EQ(At(5, 2), Source(9, 4));
        EXPECT_EQ(At(0, 1), kMarker);
        EXPECT_EQ(At(1, 0), kMarker);
        EXPECT_EQ(Written(), 5 * 2);
    }
}

// A row reaching one pixel past the clip's left edge, its right edge or both loses exactly
// those pixels, copied and blended, whatever the length of its run.
TEST_P(SpriteWalkTest, RowOnePixelPastAClipEdgeLosesJustThatPixel) {
    for (SpriteKind kind : kKinds)
        for (int alpha : {256, 128})
            for (int w : {2, 3, 4, 5, 6, 9, 10, 12})
                for (bool left : {false, true})
                    for (bool right : {false, true}) {
                        surface_->Clear(kMarker);
                        SpritePtr s = Sprite(kind, Full(w, 1));
                        const Rect clip{left ? 3 : 2, 0, right ? w + 1 : w + 2, 1};
                        s->Draw(surface_.get(), 2, 0, clip, alpha, 0);
                        EXPECT_EQ(Written(), w - left - right) << "kind " << int(kind) << " alpha " << alpha
                                                               << " width " << w << " cut " << left << right;
                        EXPECT_EQ(At(1, 0), kMarker);
                        EXPECT_EQ(At(w + 2, 0), kMarker);
                        if (left) {
                            EXPECT_EQ(At(2, 0), kMarker);
                        }
                        if (right) {
                            EXPECT_EQ(At(w + 1, 0), kMarker);
                        }
                    }
}

TEST_P(SpriteWalkTest, SpritesOutsideTheClipOrWithoutDataDrawNothing) {
    for (SpriteKind kind : kKinds) {
        SpritePtr s = Sprite(kind, Full(4, 4));
        const Rect clip{4, 2, 10, 6};
        s->Draw(surface_.get(), 10, 2, clip, 256, 0);
        s->Draw(surface_.get(), 0, 2, clip, 256, 0);
        s->Draw(surface_.get(), 4, 6, clip, 256, 0);
        s->Draw(surface_.get(), 4, -2, clip, 256, 0);
        s->Draw(surface_.get(), 4, 2, Rect{6, 3, 6, 5}, 256, 0);
        s->AdoptPixelData(nullptr);
        s->Draw(surface_.get(), 4, 2, clip, 256, 0);
        EXPECT_EQ(Written(), 0) << int(kind);
    }
}

TEST_P(SpriteWalkTest, ClipReachingPastTheSurfaceIsHeldInsideIt) {
    SpritePtr s = Sprite(SpriteKind::Rle2, Full(30, 20));
    s->Draw(surface_.get(), -5, -5, Rect{-100, -100, 1000, 1000}, 256, 0);
    EXPECT_EQ(Written(), 16 * 8);
    EXPECT_EQ(At(15, 7), Source(20, 12));
}

TEST_P(SpriteWalkTest, RleRunCrossingBothClipEdgesDrawsItsMiddle) {
    SpriteBytes b(GetParam().bytesPerPixel);
    b.Run(1, 10);
    for (int i = 0; i < 10; ++i)
        b.Pixel(Source(i, 0));
    b.Word(0xFFFE);
    SpritePtr s = Sprite(SpriteKind::Rle, 12, 1, b);
    s->Draw(surface_.get(), 0, 0, Rect{4, 0, 8, 1}, 256, 0);
    EXPECT_EQ(Written(), 4);
    EXPECT_EQ(At(4, 0), Source(3, 0));
    EXPECT_EQ(At(7, 0), Source(6, 0));
}

TEST_P(SpriteWalkTest, Rle2RunsAfterOneWhollyLeftOfTheClipKeepTheirPlace) {
    SpriteBytes b(GetParam().bytesPerPixel);
    b.Run(0, 2).Pixel(Source(0, 0)).Pixel(Source(1, 0));
    b.Run(3, 2).Pixel(Source(5, 0)).Pixel(Source(6, 0));
    b.Word(0xFFFF).Word(0xFFFE);
    SpritePtr s = Sprite(SpriteKind::Rle2, 8, 1, b);
    s->Draw(surface_.get(), 2, 0, Rect{5, 0, 16, 1}, 256, 0);
    EXPECT_EQ(Written(), 2);
    EXPECT_EQ(At(7, 0), Source(5, 0));
    EXPECT_EQ(At(8, 0), Source(6, 0));
}

TEST_P(SpriteWalkTest, SameBytesAsRleAndRle2) {
    SpriteBytes b(GetParam().bytesPerPixel);
    b.Run(1, 1).Pixel(Source(1, 0));
    b.Run(2, 1).Pixel(Source(2, 1));
    b.Word(0xFFFE);
    SpritePtr rle = Sprite(SpriteKind::Rle, 4, 2, b);
    rle->Draw(surface_.get(), 0, 0, Rect{0, 0, 16, 8}, 256, 0);
    EXPECT_EQ(At(1, 0), Source(1, 0));
    EXPECT_EQ(At(2, 1), Source(2, 1));
    EXPECT_EQ(Written(), 2);
    surface_->Clear(kMarker);
    SpritePtr rle2 = Sprite(SpriteKind::Rle2, 4, 2, b);
    rle2->Draw(surface_.get(), 0, 0, Rect{0, 0, 16, 8}, 256, 0);
    EXPECT_EQ(At(1, 0), Source(1, 0));
    EXPECT_EQ(At(4, 0), Source(2, 1)) << "the second skip counts from the end of the first run";
    EXPECT_EQ(Written(), 2);
}

TEST_P(SpriteWalkTest, RowMarksAndEndWords) {
    // Rle: run, empty row, run.
    SpriteBytes rle(GetParam().bytesPerPixel);
    rle.Run(0, 1).Pixel(Source(0, 0)).Word(0xFFFF).Run(0, 1).Pixel(Source(0, 2)).Word(0xFFFE);
    Sprite(SpriteKind::Rle, 1, 3, rle)->Draw(surface_.get(), 0, 0, Rect{0, 0, 16, 8}, 256, 0);
    EXPECT_EQ(At(0, 0), Source(0, 0));
    EXPECT_EQ(At(0, 1), kMarker);
    EXPECT_EQ(At(0, 2), Source(0, 2));

    // Rle whose first word is the end: nothing.
    surface_->Clear(kMarker);
    SpriteBytes end(GetParam().bytesPerPixel);
    end.Word(0xFFFE).Run(0, 1).Pixel(1);
    Sprite(SpriteKind::Rle, 1, 2, end)->Draw(surface_.get(), 0, 0, Rect{0, 0, 16, 8}, 256, 0);
    EXPECT_EQ(Written(), 0);

    // Rle2 whose second row ends with 0x8000: two rows drawn, nothing after.
    SpriteBytes r2(GetParam().bytesPerPixel);
    for (int y = 0; y < 4; ++y)
        r2.Run(0, 1).Pixel(Source(0, y)).Word(y == 1 ? 0x8000 : 0xFFFF);
    r2.Word(0xFFFE);
    Sprite(SpriteKind::Rle2, 1, 4, r2)->Draw(surface_.get(), 0, 0, Rect{0, 0, 16, 8}, 256, 0);
    EXPECT_EQ(At(0, 0), Source(0, 0));
    EXPECT_EQ(At(0, 1), Source(0, 1));
    EXPECT_EQ(At(0, 2), kMarker);
    EXPECT_EQ(Written(), 2);

    // The same end word in the rows passed above the clip ends the drawing too.
    surface_->Clear(kMarker);
    Sprite(SpriteKind::Rle2, 1, 4, r2)->Draw(surface_.get(), 0, 0, Rect{0, 2, 16, 8}, 256, 0);
    EXPECT_EQ(Written(), 0);
}

TEST_P(SpriteWalkTest, DamagedDataEndsTheDrawingInsideTheBuffer) {
    // Run counts and Raw sizes that claim more than the buffer holds (ASan checks the reads).
    SpriteBytes runs(GetParam().bytesPerPixel);
    runs.Run(0, 2).Pixel(Source(0, 0)).Pixel(Source(1, 0)).Word(0xFFFF).Run(0, 200).Pixel(1);
    for (SpriteKind kind : {SpriteKind::Rle, SpriteKind::Rle2}) {
        surface_->Clear(kMarker);
        Sprite(kind, 4, 3, runs)->Draw(surface_.get(), 0, 0, Rect{0, 0, 16, 8}, 256, 0);
        EXPECT_EQ(Written(), 2) << int(kind);
    }
    surface_->Clear(kMarker);
    SpriteBytes raw(GetParam().bytesPerPixel);
    for (int i = 0; i < 9; ++i)
        raw.Pixel(Source(i, 0));  // 2 rows of 4 and one pixel
    Sprite(SpriteKind::Raw, 4, 6, raw)->Draw(surface_.get(), 0, 0, Rect{0, 0, 16, 8}, 256, 0);
    EXPECT_EQ(Written(), 8) << "only whole stored rows";
    SpriteBytes cut(GetParam().bytesPerPixel);
    cut.Word(5);  // a skip and nothing after it
    Sprite(SpriteKind::Rle2, 4, 1, cut)->Draw(surface_.get(), 0, 0, Rect{0, 0, 16, 8}, 256, 0);
}

// Data cut off at every length, copied and blended: the runs stored whole are drawn and nothing
// else, and nothing past the cut is read (the buffer ends there; ASan checks the reads).
TEST_P(SpriteWalkTest, DataCutAtEveryLengthDrawsTheRunsStoredWhole) {
    const int bpp = GetParam().bytesPerPixel;
    Picture p = Full(7, 3);
    p.at(2, 0).reset();
    p.at(0, 1).reset();
    p.at(4, 1).reset();
    p.at(5, 1).reset();
    for (SpriteKind kind : {SpriteKind::Rle, SpriteKind::Rle2}) {
        const std::vector<uint8_t> whole = Encode(p, kind);
        for (size_t cut = 0; cut <= whole.size(); ++cut) {
            // The pixels of the runs whose header and pixels lie before the cut.
            int stored = 0;
            for (size_t at = 0; at + 2 <= cut;) {
                const int word = whole[at] | whole[at + 1] << 8;
                if (word & 0x8000) {
                    at += 2;
                    continue;
                }
                if (at + 5 > cut) break;
                const int count = whole[at + 3] | whole[at + 4] << 8;
                if (at + 5 + count > cut) break;
                stored += count / bpp;
                at += 5 + count;
            }
            const std::vector<uint8_t> bytes(whole.begin(), whole.begin() + cut);
            for (int alpha : {256, 128}) {
                surface_->Clear(kMarker);
                SpritePtr s(MakeSprite(GetParam().layout, kind, 7, 3, bytes));
                s->Draw(surface_.get(), 1, 1, Rect{0, 0, 16, 8}, alpha, 0);
                EXPECT_EQ(Written(), stored) << "kind " << int(kind) << " cut " << cut << " alpha " << alpha;
            }
        }
    }
}

TEST_P(SpriteWalkTest, DrawInViewTurnsScreenCoordinatesIntoTheViewsSurface) {
    SurfaceControl view(nullptr, 100, 50, 110, 56, 0);
    view.ownSurface = surface_.get();
    SpritePtr s = Sprite(SpriteKind::Raw, Full(8, 8));
    // Screen clip wider than the view: the view's bounds (relative to its origin) narrow it.
    s->DrawInView(&view, 98, 48, Rect{0, 0, 1000, 1000}, 256, 0);
    EXPECT_EQ(At(0, 0), Source(2, 2));
    EXPECT_EQ(At(5, 5), Source(7, 7));
    const Rect b = view.bounds;
    EXPECT_EQ(Written(), std::min(6, b.right) * std::min(6, b.bottom));
    surface_->Clear(kMarker);
    s->DrawInView(&view, 100, 50, Rect{102, 51, 104, 53}, 256, 0);
    EXPECT_EQ(Written(), 4);
    EXPECT_EQ(At(2, 1), Source(2, 1));
    s->DrawInView(nullptr, 0, 0, Rect{0, 0, 10, 10}, 256, 0);
}

// Positions and clips at and near the ends of the 32-bit range clip like any others, on every
// walk, copied and blended; DrawInView's sums of view and screen coordinates do not wrap either.
TEST_P(SpriteWalkTest, ExtremeCoordinatesClipWithoutWrapping) {
    constexpr int32_t kMax = INT32_MAX, kMin = INT32_MIN;
    constexpr Rect kAll{kMin, kMin, kMax, kMax};
    constexpr Rect kSurface{0, 0, 16, 8};
    struct Case {
        const char* name;
        int32_t x, y;
        Rect clip;
        int written;
        int atX, atY, fromX, fromY;  // one drawn pixel and where in the sprite it comes from
    } cases[] = {
        {"x at the maximum", kMax, 0, kSurface, 0, 0, 0, 0, 0},
        {"x a little below the maximum", kMax - 2, 0, kSurface, 0, 0, 0, 0, 0},
        {"x at the minimum", kMin, 0, kSurface, 0, 0, 0, 0, 0},
        {"x a little above the minimum", kMin + 2, 0, kSurface, 0, 0, 0, 0, 0},
        {"y at the maximum", 0, kMax, kSurface, 0, 0, 0, 0, 0},
        {"y a little above the minimum", 0, kMin + 1, kSurface, 0, 0, 0, 0, 0},
        {"clip of the whole range, sprite over the top left corner", -2, -1, kAll, 2, 0, 0, 2, 1},
        {"clip of the whole range, sprite over the bottom right corner", 14, 7, kAll, 2, 14, 7, 0, 0},
        {"clip far right", 3, 2, {kMax - 1, 0, kMax, 8}, 0, 0, 0, 0, 0},
        {"clip far left and up", 3, 2, {kMin, kMin, kMin + 1, kMin + 1}, 0, 0, 0, 0, 0},
    };
    for (SpriteKind kind : kKinds)
        for (int32_t alpha : {256, 128})
            for (const Case& c : cases) {
                surface_->Clear(kMarker);
                Sprite(kind, Full(4, 2))->Draw(surface_.get(), c.x, c.y, c.clip, alpha, 0);
                EXPECT_EQ(Written(), c.written) << c.name << ", kind " << int(kind) << ", alpha " << alpha;
                if (c.written && alpha == 256) {
                    EXPECT_EQ(At(c.atX, c.atY), Source(c.fromX, c.fromY)) << c.name;
                }
            }

    SurfaceControl view(nullptr, 0, 0, 10, 6, 0);
    view.ownSurface = surface_.get();
    SpritePtr s = Sprite(SpriteKind::Rle2, Full(4, 2));
    view.x = kMax - 1;
    s->DrawInView(&view, kMax - 3, 0, kAll, 256, 0);
    EXPECT_EQ(Written(), 2) << "the screen clip's right edge kMax is column 1 of the view";
    EXPECT_EQ(At(0, 0), Source(2, 0));
    EXPECT_EQ(At(0, 1), Source(2, 1));
    surface_->Clear(kMarker);
    s->DrawInView(&view, kMin, 0, kAll, 256, 0);
    view.x = kMin + 1;
    s->DrawInView(&view, kMax, 0, kAll, 256, 0);
    s->DrawInView(&view, kMin + 1, kMax, kAll, 256, 0);
    EXPECT_EQ(Written(), 0);
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, SpriteWalkTest, ::testing::ValuesIn(kLayouts),
                         [](const auto& info) { return std::string("Rgb") + info.param.name; });

}  // namespace
