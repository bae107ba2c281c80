#include <gtest/gtest.h>

#include <vector>

#include "display/frame_changes.h"

namespace {

constexpr int32_t kWidth = 16;

struct Frames {
    std::vector<uint16_t> kept = std::vector<uint16_t>(kWidth * 40, 7);
    std::vector<uint16_t> fresh = std::vector<uint16_t>(kWidth * 40, 7);
    uint16_t* Kept(int32_t y) { return kept.data() + y * kWidth; }
    const uint16_t* Fresh(int32_t y) { return fresh.data() + y * kWidth; }
    void CopyAll(FrameChanges& changes) {
        for (int32_t y = 0; y < 40; ++y)
            changes.CopyRow(y, Kept(y), Fresh(y), kWidth);
    }
};

TEST(FrameChanges, AnEqualFrameHasNoChanges) {
    Frames f;
    FrameChanges changes;
    f.CopyAll(changes);
    EXPECT_TRUE(changes.Empty());
}

TEST(FrameChanges, CopiesWhatDiffersAndNotesItsColumnsAndRows) {
    Frames f;
    f.fresh[3 * kWidth + 5] = 1;
    f.fresh[4 * kWidth + 9] = 2;
    f.fresh[4 * kWidth + 0] = 3;
    FrameChanges changes;
    f.CopyAll(changes);
    EXPECT_EQ(f.kept, f.fresh);
    ASSERT_EQ(changes.Blocks().size(), 1u);
    EXPECT_EQ(changes.Blocks()[0], (Rect{0, 3, 10, 5}));
    // The last pixel of a row, alone.
    changes.Clear();
    f.fresh[20 * kWidth + kWidth - 1] = 4;
    f.CopyAll(changes);
    ASSERT_EQ(changes.Blocks().size(), 1u);
    EXPECT_EQ(changes.Blocks()[0], (Rect{kWidth - 1, 20, kWidth, 21}));
}

TEST(FrameChanges, RowsCloseTogetherJoinAndRowsFarApartDoNot) {
    Frames f;
    const int32_t gap = FrameChanges::kRowsWorthJoining;
    f.fresh[2 * kWidth + 1] = 1;
    f.fresh[(3 + gap) * kWidth + 2] = 1;      // gap unchanged rows between: joined
    f.fresh[(5 + 2 * gap) * kWidth + 3] = 1;  // one more: a block of its own
    FrameChanges changes;
    f.CopyAll(changes);
    ASSERT_EQ(changes.Blocks().size(), 2u);
    EXPECT_EQ(changes.Blocks()[0], (Rect{1, 2, 3, 4 + gap}));
    EXPECT_EQ(changes.Blocks()[1], (Rect{3, 5 + 2 * gap, 4, 6 + 2 * gap}));
}

TEST(FrameChanges, EverythingIsTheWholeFrame) {
    FrameChanges changes;
    changes.Everything(kWidth, 40);
    ASSERT_EQ(changes.Blocks().size(), 1u);
    EXPECT_EQ(changes.Blocks()[0], (Rect{0, 0, kWidth, 40}));
    changes.Everything(0, 40);
    EXPECT_TRUE(changes.Empty());
}

}  // namespace
