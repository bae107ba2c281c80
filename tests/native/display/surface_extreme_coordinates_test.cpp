// Every drawing operation with coordinates at and near the ends of the 32-bit range: each one
// clips like any other coordinate (no sum wraps around into the surface), in all four layouts,
// on the opaque platform paths and on the software paths alike.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <vector>

#include "display/surface.h"
#include "platform/memory/display/memory_surface_backend.h"

// Rectangles in failure messages as their four values.
static void PrintTo(const Rect& r, std::ostream* os) {
    *os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

namespace {

constexpr int32_t kMax = INT32_MAX;
constexpr int32_t kMin = INT32_MIN;
constexpr int kWidth = 8, kHeight = 4;

struct LayoutCase {
    int bytesPerPixel;
    uint32_t redMask;
    uint32_t white;
    const char* name;
};
const LayoutCase kLayouts[] = {
    {2, 0xF800, 0xFFFF, "565"}, {2, 0x7C00, 0x7FFF, "555"}, {3, 0, 0xFFFFFF, "24"}, {4, 0, 0xFFFFFFFF, "32"}};

// The pixels an operation changed on a surface that was all 0 before, as the smallest rectangle
// around them; it must also be exactly the set of changed pixels.
Rect ChangedPixels(Surface& s) {
    Rect r{kWidth, kHeight, 0, 0};
    int changed = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (s.GetPixel(x, y) != 0) {
                ++changed;
                r = Rect{std::min(r.left, x), std::min(r.top, y), std::max(r.right, x + 1),
                         std::max(r.bottom, y + 1)};
            }
    if (changed == 0) return Rect{0, 0, 0, 0};
    EXPECT_EQ(changed, r.Width() * r.Height()) << "changed pixels form a rectangle";
    return r;
}

constexpr Rect kNothing{0, 0, 0, 0};
constexpr Rect kEverything{0, 0, kWidth, kHeight};

// Level and effect pairs: the platform copy or fill, and the software paths.
struct Blend {
    int32_t level, effect;
};
const Blend kBlends[] = {{256, 0}, {256, -64}, {256, 50}, {128, 0}, {100, -30}, {100, 50}};

struct BlitCase {
    const char* name;
    int32_t x, y;
    Rect source;
    Rect on16;     // what the 16-bit layouts draw (clipped to the destination)
    Rect onBytes;  // what the 24/32-bit layouts draw (all or nothing)
};

// The source is 4 x 2 white pixels; the destination 8 x 4.
const BlitCase kBlits[] = {
    {"x at the maximum", kMax, 0, {0, 0, 4, 2}, kNothing, kNothing},
    {"x a little below the maximum", kMax - 2, 1, {0, 0, 4, 2}, kNothing, kNothing},
    {"x at the minimum", kMin, 0, {0, 0, 4, 2}, kNothing, kNothing},
    {"x a little above the minimum", kMin + 3, 0, {0, 0, 4, 2}, kNothing, kNothing},
    {"y at the maximum", 0, kMax, {0, 0, 4, 2}, kNothing, kNothing},
    {"y near the minimum", 0, kMin + 1, {0, 0, 4, 2}, kNothing, kNothing},
    {"widest source rectangle at 0", 0, 0, {kMin, kMin, kMax, kMax}, kNothing, kNothing},
    {"widest source rectangle at the minimum",
     kMin,
     kMin,
     {kMin, kMin, kMax, kMax},
     {0, 0, 4, 2},
     {0, 0, 4, 2}},
    {"source left of the surface, x near the maximum", kMax - 5, 0, {-10, 0, 4, 2}, kNothing, kNothing},
    {"source far left, x near the maximum", kMax, 0, {kMin + 1, 0, 2, 1}, kNothing, kNothing},
    {"source far up, y near the maximum", 0, kMax - 1, {0, kMin + 1, 4, 2}, kNothing, kNothing},
    {"right and bottom at the maximum, near the corner", 6, 3, {0, 0, kMax, kMax}, {6, 3, 8, 4}, kNothing},
    {"left beyond the source", 0, 0, {kMax - 1, 0, kMax, 1}, kNothing, kNothing},
    {"ordinary copy", 2, 1, {0, 0, 4, 2}, {2, 1, 6, 3}, {2, 1, 6, 3}},
};

class SurfaceExtremeCoordinates : public ::testing::TestWithParam<LayoutCase> {
  protected:
    SurfaceExtremeCoordinates() : display_(GetParam().bytesPerPixel, GetParam().redMask, 64, 64) {}
    SurfacePtr Make(int w, int h) {
        SurfacePtr s(CreateSurface(w, h, surface_caps::OffscreenSystemMemory));
        s->Clear(0);
        return s;
    }
    MemoryDisplayScope display_;
};

TEST_P(SurfaceExtremeCoordinates, BlitToClipsWithoutWrapping) {
    const LayoutCase lc = GetParam();
    SurfacePtr source = Make(4, 2);
    source->Clear(lc.white);
    for (const BlitCase& c : kBlits)
        for (const Blend& b : kBlends) {
            SurfacePtr destination = Make(kWidth, kHeight);
            source->BlitTo(destination.get(), c.x, c.y, c.source, b.level, b.effect);
            EXPECT_EQ(ChangedPixels(*destination), lc.bytesPerPixel == 2 ? c.on16 : c.onBytes)
                << lc.name << ": " << c.name << ", level " << b.level << " effect " << b.effect;
        }
}

TEST_P(SurfaceExtremeCoordinates, FillsLinesAndPixelsClipWithoutWrapping) {
    const uint32_t white = GetParam().white;
    struct Case {
        const char* name;
        std::function<void(Surface&, const Blend&)> draw;
        Rect drawn;
        bool opaqueOnly;  // lines draw only at level 256
    };
    const Case cases[] = {
        {"fill of the whole range",
         [&](Surface& s, const Blend& b) { s.FillRect(kMin, kMin, kMax, kMax, white, b.level, b.effect); },
         kEverything, false},
        {"fill with swapped extreme corners",
         [&](Surface& s, const Blend& b) { s.FillRect(kMax, 3, kMin, 1, white, b.level, b.effect); },
         {0, 1, kWidth, 3},
         false},
        {"fill right of the surface",
         [&](Surface& s, const Blend& b) { s.FillRect(kMax - 1, 0, kMax, 4, white, b.level, b.effect); },
         kNothing, false},
        {"fill left of the surface",
         [&](Surface& s, const Blend& b) { s.FillRect(kMin, 0, kMin + 1, 4, white, b.level, b.effect); },
         kNothing, false},
        {"horizontal line across the range",
         [&](Surface& s, const Blend& b) { s.DrawHLine(kMin, kMax, 1, white, b.level, 0); },
         {0, 1, kWidth - 1, 2},
         true},
        {"horizontal line left of the surface",
         [&](Surface& s, const Blend& b) { s.DrawHLine(kMin, kMin + 5, 1, white, b.level, 0); }, kNothing,
         true},
        {"horizontal line at the largest row",
         [&](Surface& s, const Blend& b) { s.DrawHLine(0, 3, kMax, white, b.level, 0); }, kNothing, true},
        {"vertical line from the smallest row",
         [&](Surface& s, const Blend& b) { s.DrawVLine(2, kMin, 3, white, b.level, 0); },
         {2, 0, 3, 3},
         true},
        {"vertical line reaching the largest row",
         [&](Surface& s, const Blend& b) { s.DrawVLine(2, 0, kMax, white, b.level, 0); }, kNothing, true},
        {"vertical line at the largest column",
         [&](Surface& s, const Blend& b) { s.DrawVLine(kMax, 0, 3, white, b.level, 0); }, kNothing, true},
        {"pixels outside the surface",
         [&](Surface& s, const Blend&) {
             for (int32_t x : {kMin, -1, kWidth, kMax})
                 for (int32_t y : {kMin, 0, kHeight, kMax})
                     s.PutPixel(x, y, white, 256, 0);
             for (int32_t y : {kMin, -1, kHeight, kMax})
                 s.PutPixel(0, y, white, 256, 0);
         },
         kNothing, false},
        {"the last pixel",
         [&](Surface& s, const Blend&) { s.PutPixel(kWidth - 1, kHeight - 1, white, 256, 0); },
         {kWidth - 1, kHeight - 1, kWidth, kHeight},
         false},
    };
    for (const Case& c : cases)
        for (const Blend& b : kBlends) {
            SurfacePtr s = Make(kWidth, kHeight);
            c.draw(*s, b);
            const Rect want = c.opaqueOnly && b.level != 256 ? kNothing : c.drawn;
            EXPECT_EQ(ChangedPixels(*s), want)
                << GetParam().name << ": " << c.name << ", level " << b.level << " effect " << b.effect;
        }
}

TEST_P(SurfaceExtremeCoordinates, PixelsOutsideTheSurfaceReadAsZero) {
    SurfacePtr s = Make(kWidth, kHeight);
    s->Clear(GetParam().white);
    for (int32_t x : {kMin, -1, kWidth, kMax})
        for (int32_t y : {kMin, -1, 0, kHeight, kMax})
            EXPECT_EQ(s->GetPixel(x, y), 0u) << x << "," << y;
    EXPECT_EQ(s->GetPixel(kWidth - 1, kHeight - 1), GetParam().white);
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, SurfaceExtremeCoordinates, ::testing::ValuesIn(kLayouts),
                         [](const auto& info) { return std::string("Rgb") + info.param.name; });

}  // namespace
