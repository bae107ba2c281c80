#include <climits>

#include "control_classes/sprite_controls.h"
#include "drawing_fixture.h"
#include "platform/memory/controls/memory_pointer_platform.h"

namespace {

using SpriteControls = DrawingFixture;

TEST_F(SpriteControls, TheCounterSelectsOneFramePerBundleValueSteps) {
    // Bundle value 3, four frames A..D drawn at x = 2 + frame offset (frame k is moved k right).
    SpriteBundle* bundle = Bundle({Solid(0), Solid(1), Solid(2), Solid(3)}, 3, Rect{0, 0, 1, 1},
                                  {{0, 0}, {1, 0}, {2, 0}, {3, 0}});
    AnimatedSprite sprite(nullptr, 2, 1, bundle);
    struct Case {
        int32_t counter;
        const char* row;
    };
    for (Case c : {Case{0, "..A"}, Case{2, "..A"}, Case{3, "...B"}, Case{5, "...B"}, Case{11, ".....D"},
                   Case{12, "..A"}}) {
        sprite.frameCounter = c.counter;
        Draw(sprite);
        EXPECT_EQ(Row(1).substr(0, 8), std::string(c.row) + std::string(8 - std::string(c.row).size(), '.'))
            << "counter " << c.counter;
    }
}

TEST_F(SpriteControls, SetSpriteTakesTheBundlesOffsetAndBounds) {
    SpriteBundle* bundle = Bundle({Solid(4)}, 1, Rect{-1, -2, 5, 6});
    bundle->offsetX = 3;
    bundle->offsetY = 1;
    AnimatedSprite sprite(nullptr, 4, 2, bundle);
    EXPECT_EQ(sprite.offsetX, 3);
    EXPECT_EQ(sprite.offsetY, 1);
    EXPECT_EQ(sprite.bounds, (Rect{-1, -2, 5, 6}));
    Draw(sprite);
    EXPECT_EQ(Row(3), ".......E................");
    sprite.SetSprite(nullptr);
    EXPECT_EQ(sprite.bounds, (Rect{-1, -2, 5, 6})) << "no bundle leaves the box as it was";
    Draw(sprite);
    EXPECT_EQ(Row(3), "........................");
}

TEST_F(SpriteControls, UpdateStepsTheCounterOnlyWhenActiveAndUpdatesChildren) {
    AnimatedSprite sprite(nullptr, 0, 0, nullptr);
    AnimatedSprite child(&sprite, 0, 0, nullptr);
    sprite.Update();
    sprite.Update();
    EXPECT_EQ(sprite.frameCounter, 2);
    EXPECT_EQ(child.frameCounter, 2);
    sprite.SetFlag(control_flags::Active, false);
    sprite.Update();
    EXPECT_EQ(sprite.frameCounter, 2);
    EXPECT_EQ(child.frameCounter, 2);
    sprite.SetFlag(control_flags::Active, true);
    sprite.frameCounter = INT_MAX;
    sprite.Update();
    EXPECT_EQ(sprite.frameCounter, 0) << "the counter wraps to 0, never into the hiding values";
}

TEST_F(SpriteControls, ANegativeCounterHidesAnAnimationsChildrenButNotTheCursors) {
    SpriteBundle* bundle = Bundle({Solid(0)}, 1, Rect{0, 0, 1, 1});
    AnimatedSprite sprite(nullptr, 1, 0, bundle);
    MouseCursor cursor;
    cursor.SetSprite(bundle);
    cursor.MoveTo(3, 0);
    for (Control* owner : {static_cast<Control*>(&sprite), static_cast<Control*>(&cursor)}) {
        ImageControl child(owner, owner->x + 1, 0, Solid(1));
        static_cast<AnimatedSprite*>(owner)->frameCounter = -1;
        Draw(*owner);
        std::string drawn = Row(0);
        if (owner == &sprite)
            EXPECT_EQ(drawn, "........................");
        else
            EXPECT_EQ(drawn, "....B...................") << "the cursor hides only its own frame";
        static_cast<AnimatedSprite*>(owner)->frameCounter = 0;
        Draw(*owner);
        EXPECT_EQ(Row(0).substr(owner->x, 2), "AB");
    }
}

TEST_F(SpriteControls, BundlesThatCannotBeDrawnDrawNothing) {
    SpriteBundle* empty = Bundle({}, 1, Rect{0, 0, 1, 1});
    SpriteBundle* noStep = Bundle({Solid(2), Solid(3)}, 0, Rect{0, 0, 1, 1});
    AnimatedSprite sprite(nullptr, 0, 0, empty);
    Draw(sprite);
    EXPECT_EQ(Row(0), "........................");
    sprite.SetSprite(reinterpret_cast<SpriteBundle*>(uintptr_t(200)));  // below 256: no bundle
    Draw(sprite);
    EXPECT_EQ(Row(0), "........................");
    sprite.SetSprite(noStep);
    sprite.frameCounter = 1;
    Draw(sprite);
    EXPECT_EQ(Row(0), "D.......................") << "a bundle value of 0 steps one frame per update";
}

TEST_F(SpriteControls, AnImageDrawsItsSpriteBetweenItsChildrenWithAlpha) {
    SpriteRenderer* red = Solid(0, 2, 1);
    red->offsetX = 1;
    ImageControl image(nullptr, 3, 2, red);
    EXPECT_EQ(image.offsetX, 1);
    EXPECT_EQ(image.bounds, (Rect{0, 0, 2, 1}));
    ImageControl behind(&image, 4, 2, Solid(1));
    behind.priority = -1;
    image.InsertDrawChild(&behind);
    ImageControl front(&image, 5, 2, Solid(2));
    Draw(image);
    EXPECT_EQ(Row(2), "....AC..................") << "behind is covered, front covers";
    image.alpha = 128;
    image.SetFlag(control_flags::InheritAlpha, false);
    front.SetFlag(control_flags::Visible, false);
    behind.SetFlag(control_flags::Visible, false);
    Draw(image);
    EXPECT_EQ(screen->GetPixel(4, 2), 0x7800u) << "red 31 at half opacity over black";
    ImageControl none(nullptr, 0, 0, nullptr);
    ImageControl child(&none, 0, 0, Solid(3));
    Draw(none);
    EXPECT_EQ(Row(0), "D.......................");
}

TEST_F(SpriteControls, PositionsNearTheEndsOfTheRangeDrawNothingAndDoNotOverflow) {
    SpriteBundle* bundle = Bundle({Solid(0)}, 1, Rect{0, 0, 1, 1}, {{INT_MAX, INT_MIN}});
    bundle->offsetX = INT_MAX;
    AnimatedSprite sprite(nullptr, INT_MAX, INT_MIN, bundle);
    Draw(sprite);
    ImageControl image(nullptr, INT_MIN, INT_MAX, Solid(1));
    image.offsetX = INT_MIN;
    DrawTree(&image, &root, nullptr);
    EXPECT_EQ(Row(0), "........................");
}

TEST_F(SpriteControls, TheCursorMovesToThePointerEachTimeItIsDrawn) {
    MemoryPointerPlatform pointer;
    PointerPlatformSlot::Scope installed(pointer);
    MouseCursor cursor;
    cursor.SetSprite(Bundle({Solid(5)}, 1, Rect{0, 0, 1, 1}));
    ImageControl follower(&cursor, 0, 0, Solid(6));
    follower.priority = -1;
    cursor.InsertDrawChild(&follower);
    pointer.screenPosition = Point{6, 3};
    Draw(cursor);
    EXPECT_EQ(cursor.screenPosition, (Point{6, 3}));
    EXPECT_EQ(Row(3), "......F.................") << "the cursor over the child that followed it";
    pointer.known = false;
    pointer.screenPosition = Point{9, 9};
    Draw(cursor);
    EXPECT_EQ(Row(3), "......F.................") << "an unknown pointer leaves the cursor where it was";
    cursor.SetFlag(control_flags::Visible, false);
    pointer.known = true;
    Draw(cursor);
    EXPECT_EQ(cursor.x, 6) << "a hidden cursor does not move";
}

TEST(MouseCursorMessages, RecordsButtonPointsAndNeverConsumes) {
    struct Case {
        uint32_t message;
        Point left;
        Point right;
    };
    const intptr_t at300x200 = (200 << 16) | 300;
    using namespace window_message;
    const Case cases[] = {
        {LeftButtonDown, {300, 200}, {0, 0}},    {LeftButtonUp, {300, 200}, {0, 0}},
        {RightButtonDown, {0, 0}, {300, 200}},   {RightButtonUp, {0, 0}, {300, 200}},
        {LeftButtonDoubleClick, {0, 0}, {0, 0}}, {MouseMove, {0, 0}, {0, 0}},
    };
    for (Case c : cases) {
        MouseCursor cursor;
        WindowMessage m{nullptr, c.message, 0, at300x200, 0, {}};
        EXPECT_EQ(cursor.HandleMessage(&m), cursor.prevSibling);
        EXPECT_EQ(cursor.leftButton, c.left) << c.message;
        EXPECT_EQ(cursor.rightButton, c.right) << c.message;
    }
    MouseCursor cursor;
    WindowMessage high{nullptr, window_message::LeftButtonDown, 0, intptr_t(0xFFFF8000u), 0, {}};
    cursor.HandleMessage(&high);
    EXPECT_EQ(cursor.leftButton, (Point{0x8000, 0xFFFF})) << "both halves zero-extended";
}

TEST(MouseCursorMessages, ADeafCursorOrAConsumingChildRecordsNothing) {
    struct Consumer : Control {
        using Control::Control;
        Control* HandleMessage(WindowMessage*) override { return nullptr; }
    };
    WindowMessage m{nullptr, window_message::LeftButtonDown, 0, (5 << 16) | 7, 0, {}};
    MouseCursor deaf;
    deaf.SetFlag(control_flags::InputEnabled, false);
    EXPECT_EQ(deaf.HandleMessage(&m), deaf.prevSibling);
    EXPECT_EQ(deaf.leftButton, (Point{0, 0}));
    MouseCursor withChild;
    Consumer child(&withChild, 0, 0, 0, 0, 64);
    EXPECT_EQ(withChild.HandleMessage(&m), nullptr);
    EXPECT_EQ(withChild.leftButton, (Point{0, 0}));
}

}  // namespace
