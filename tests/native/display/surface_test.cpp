#include <gtest/gtest.h>

#include <vector>

#include "display/surface.h"
#include "platform/memory/display/memory_surface_backend.h"

namespace {

std::vector<uint32_t> Snapshot(Surface& s) {
    std::vector<uint32_t> out;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            out.push_back(s.GetPixel(x, y));
    return out;
}

int CountPixels(Surface& s, uint32_t colour) {
    int n = 0;
    for (uint32_t p : Snapshot(s))
        n += p == colour;
    return n;
}

TEST(SurfaceFactory, PicksTheClassOfTheDisplayLayout) {
    struct Case {
        int bpp;
        uint32_t red;
        uint32_t colour;
    } cases[] = {{2, 0xF800, 0xF81F}, {2, 0x7C00, 0x7C1F}, {3, 0, 0x123456}, {4, 0, 0x00ABCDEF}};
    for (const Case& c : cases) {
        MemoryDisplayScope display(c.bpp, c.red);
        Surface* s = CreateSurface(7, 5, surface_caps::OffscreenSystemMemory);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->blitOptions, blit_options::Wait);
        EXPECT_GE(s->pitch, 7 * c.bpp);
        s->PutPixel(3, 4, c.colour, 0, 0);
        EXPECT_EQ(s->GetPixel(3, 4), c.colour) << "bpp " << c.bpp;
        EXPECT_EQ(s->pixels[4 * s->pitch + 3 * c.bpp], c.colour & 0xFF) << "little-endian channel order";
        DestroySurface(s);
        EXPECT_EQ(display.backend().LiveSurfaces(), 0u);
    }
}

TEST(SurfaceFactory, RefusesWithoutMmxOrWithOneBytePixels) {
    {
        MemoryDisplayScope display(2, 0xF800);
        gDisplayFormat.featureWord &= ~kMmxFeatureBit;
        EXPECT_EQ(CreateSurface(4, 4, 0x840), nullptr);
        EXPECT_EQ(WrapSurface(), nullptr);
    }
    MemoryDisplayScope display(1, 0);
    EXPECT_EQ(CreateSurface(4, 4, 0x840), nullptr);
}

TEST(SurfaceFactory, ZeroSizeOrFailedPlatformGivesASurfaceWithoutPixelsThatIgnoresDrawing) {
    MemoryDisplayScope display(2, 0xF800);
    Surface* empty = CreateSurface(0, 10, 0x840);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->pixels, nullptr);
    empty->FillRect(0, 0, 10, 10, 0xFFFF, 256, 0);
    empty->PutPixel(0, 0, 1, 256, 0);
    EXPECT_EQ(empty->GetPixel(0, 0), 0u);
    display.backend().FailNextCreate();
    Surface* failed = CreateSurface(10, 10, 0x840);
    ASSERT_NE(failed, nullptr);
    EXPECT_EQ(failed->platformSurface, nullptr);
    EXPECT_EQ(failed->width, 10);
    DestroySurface(empty);
    DestroySurface(failed);
}

TEST(SurfaceLines, HorizontalLineStopsOnePixelShortOfTheRightEdge) {
    MemoryDisplayScope display(2, 0xF800, 1024, 32);
    Surface* s = CreateSurface(1024, 32, 0x840);
    s->DrawHLine(0, 5000, 10, 0x1234, 256, 0);
    EXPECT_EQ(s->GetPixel(1022, 10), 0x1234u);
    EXPECT_EQ(s->GetPixel(1023, 10), 0u);
    EXPECT_EQ(CountPixels(*s, 0x1234), 1023);
    s->DrawHLine(0, 50, 11, 0x4321, 255, 0);
    EXPECT_EQ(CountPixels(*s, 0x4321), 0) << "only level 256 draws";
    DestroySurface(s);
}

TEST(SurfaceLines, VerticalLinePastTheBottomIsRefusedWhole) {
    MemoryDisplayScope display(4, 0);
    Surface* s = CreateSurface(8, 8, 0x840);
    s->DrawVLine(2, 1, 9, 0xFF, 256, 0);
    EXPECT_EQ(CountPixels(*s, 0xFF), 0);
    s->DrawVLine(2, -5, 8, 0xFF, 256, 0);
    EXPECT_EQ(CountPixels(*s, 0xFF), 8);
    DestroySurface(s);
}

TEST(SurfaceFill, CornersInEitherOrderFillTheSamePixels) {
    MemoryDisplayScope display(2, 0xF800, 32, 32);
    Surface* a = CreateSurface(32, 32, 0x840);
    Surface* b = CreateSurface(32, 32, 0x840);
    a->FillRect(10, 10, 20, 20, 0xFFFF, 256, 0);
    b->FillRect(20, 20, 10, 10, 0xFFFF, 256, 0);
    EXPECT_EQ(Snapshot(*a), Snapshot(*b));
    EXPECT_EQ(CountPixels(*a, 0xFFFF), 100);
    a->FillRect(5, 5, 5, 30, 0x1111, 256, 0);
    EXPECT_EQ(CountPixels(*a, 0x1111), 0);
    a->FillRect(-10, -10, 100, 3, 0x2222, 256, 0);
    EXPECT_EQ(CountPixels(*a, 0x2222), 32 * 3);
    DestroySurface(a);
    DestroySurface(b);
}

TEST(SurfaceFill, EffectChangesTheColourOfByteLayoutsBeforeTheFill) {
    MemoryDisplayScope display(4, 0, 8, 8);
    Surface* s = CreateSurface(8, 8, 0x840);
    s->FillRect(0, 0, 1, 1, 0x00000000, 256, 64);
    EXPECT_EQ(s->GetPixel(0, 0), 0x003F3F3Fu);
    s->FillRect(0, 0, 1, 1, 0x00FFFFFF, 256, -128);
    EXPECT_EQ(s->GetPixel(0, 0), 0x007F7F7Fu);
    DestroySurface(s);
}

TEST(SurfaceBlit, SixteenBitCopyClipsToBothSurfaces) {
    MemoryDisplayScope display(2, 0xF800, 200, 200);
    Surface* src = CreateSurface(100, 100, 0x840);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            src->PutPixel(x, y, uint32_t(x + 1), 0, 0);
    struct Case {
        int dx;
        int firstColumn, columns, firstSource;
    } cases[] = {{-30, 0, 70, 30}, {190, 190, 10, 0}, {300, 0, 0, 0}, {-100, 0, 0, 0}};
    for (const Case& c : cases) {
        Surface* dst = CreateSurface(200, 200, 0x840);
        src->BlitTo(dst, c.dx, 0, Rect{0, 0, 100, 100}, 256, 0);
        int written = 0;
        for (int x = 0; x < 200; ++x) {
            if (dst->GetPixel(x, 50) == 0) continue;
            ++written;
            EXPECT_EQ(dst->GetPixel(x, 50), uint32_t(x - c.firstColumn + c.firstSource + 1)) << "x " << x;
        }
        EXPECT_EQ(written, c.columns) << "dx " << c.dx;
        DestroySurface(dst);
    }
    DestroySurface(src);
}

TEST(SurfaceBlit, ByteLayoutCopyPartlyOutsideTheDestinationDrawsNothing) {
    MemoryDisplayScope display(4, 0, 64, 64);
    Surface* src = CreateSurface(10, 10, 0x840);
    Surface* dst = CreateSurface(20, 20, 0x840);
    src->Clear(0x00FF0000);
    src->BlitTo(dst, 15, 0, Rect{0, 0, 10, 10}, 256, 0);
    EXPECT_EQ(CountPixels(*dst, 0x00FF0000), 0);
    src->BlitTo(dst, 10, 10, Rect{0, 0, 10, 10}, 256, 0);
    EXPECT_EQ(CountPixels(*dst, 0x00FF0000), 100);
    DestroySurface(src);
    DestroySurface(dst);
}

TEST(SurfaceRestore, OnlyALostSurfaceIsRestoredAndItsAddressTakenAgain) {
    MemoryDisplayScope display(2, 0xF800, 16, 16);
    Surface* s = CreateSurface(16, 16, 0x840);
    MemorySurfaceBackend::MarkLost(s->platformSurface);
    EXPECT_EQ(s->RefreshPixels(1), nullptr);
    EXPECT_EQ(s->pitch, 0);
    s->Restore();
    EXPECT_NE(s->pixels, nullptr);
    EXPECT_EQ(s->pitch, 32);
    DestroySurface(s);
}

TEST(SurfaceSlots, ReservedSlotsDoNothing) {
    MemoryDisplayScope display(2, 0xF800, 4, 4);
    Surface* s = CreateSurface(4, 4, 0x840);
    s->Reserved3(0, 0, 4, 4, 0xFFFF, 256, 0);
    s->Reserved7(0, 0, 4, 4, 0xFFFF, 256);
    EXPECT_EQ(CountPixels(*s, 0), 16);
    DestroySurface(s);
}

}  // namespace
