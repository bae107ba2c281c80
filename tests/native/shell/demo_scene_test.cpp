#include <gtest/gtest.h>

#include "host/host_globals.h"
#include "host_globals_scope.h"
#include "platform/memory/controls/memory_pointer_platform.h"
#include "platform/memory/controls/memory_text_platform.h"
#include "platform/memory/display/memory_surface_platform.h"
#include "shell/demo_scene.h"

namespace {

TEST(DemoSceneTest, RunsItsCycleAndGivesTheCursorItsArrowForItsLifetime) {
    HostGlobalsScope globals;
    MemoryDisplayScope display(2, 0xF800, 320, 240);
    MemoryTextPlatform text;
    TextPlatformSlot::Scope installedText(text);
    MemoryPointerPlatform pointer;
    PointerPlatformSlot::Scope installedPointer(pointer);
    Surface* screen = CreateSurface(320, 240, surface_caps::OffscreenSystemMemory);
    RootControl root(nullptr, 0, 0, 320, 240, 64);
    root.ownSurface = screen;
    MouseCursor cursor;
    host::MouseCursor = &cursor;
    {
        DemoScene scene(320, 240, &cursor);
        scene.Open();
        ASSERT_NE(cursor.bundle, nullptr);
        pointer.screenPosition = Point{100, 120};
        bool slidOut = false, cameBack = false;
        for (int frame = 0; frame < 300; ++frame) {
            scene.Update();
            cursor.Update();
            slidOut =
                slidOut || (frame > 50 && scene.slider.x == DemoScene::kLabelX - DemoScene::kSlideDistance);
            cameBack = cameBack || (slidOut && scene.slider.Transition() == TransitionState::Open);
            DrawTree(&scene, &root, nullptr);
            DrawTree(&cursor, &root, nullptr);
        }
        EXPECT_EQ(scene.label.x, DemoScene::kLabelX);
        EXPECT_EQ(scene.label.y, DemoScene::kLabelY);
        EXPECT_TRUE(slidOut && cameBack) << "the label slides out and comes again";
        EXPECT_EQ(scene.counter.targetValue, 12 * 37) << "one step a second";
        EXPECT_EQ(screen->GetPixel(102, 125), DemoPixel(255, 255, 255))
            << "the arrow's body under the pointer";
        EXPECT_EQ(text.contextsTaken, text.contextsReleased);
        EXPECT_GT(text.textRuns, 0);
    }
    EXPECT_EQ(cursor.bundle, nullptr) << "the scene takes its arrow back from a live cursor";
    EXPECT_EQ(text.LiveFonts(), 0u);
    root.ownSurface = nullptr;
    DestroySurface(screen);
}

}  // namespace
