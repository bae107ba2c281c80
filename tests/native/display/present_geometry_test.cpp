#include <gtest/gtest.h>

#include "display/present_geometry.h"

namespace {

TEST(PresentSchedule, ChecksTheFirst63CallsOfEveryMillion) {
    for (uint32_t n = 1; n <= 63; ++n)
        EXPECT_TRUE(PresentChecksPrimary(n)) << n;
    EXPECT_FALSE(PresentChecksPrimary(64));
    EXPECT_FALSE(PresentChecksPrimary(1048575));
    EXPECT_TRUE(PresentChecksPrimary(1048576));
    EXPECT_TRUE(PresentChecksPrimary(1048576 + 63));
}

TEST(PresentWindowed, CutsAtTheDesktopEdges) {
    PresentRects r = WindowedPresentRects(-100, 10, 800, 600, 1024, 768);
    EXPECT_EQ(r.source, (Rect{100, 0, 800, 600}));
    EXPECT_EQ(r.destination, (Rect{0, 10, 700, 610}));
    r = WindowedPresentRects(500, 300, 800, 600, 1024, 768);
    EXPECT_EQ(r.source, (Rect{0, 0, 524, 468}));
    EXPECT_EQ(r.destination, (Rect{500, 300, 1024, 768}));
    r = WindowedPresentRects(3, 21, 640, 480, 1024, 768);
    EXPECT_EQ(r.source, (Rect{0, 0, 640, 480}));
    EXPECT_EQ(r.destination, (Rect{3, 21, 643, 501}));
}

}  // namespace
