// The host objects the start-up makes once the display and the root control exist: the frame
// settings, the mouse cursor, and the first screen as the current screen and the three roots.
#include "shell/host_objects.h"

#include <gtest/gtest.h>

#include "control_classes/sprite_controls.h"
#include "host/host_globals.h"
#include "host_globals_scope.h"
#include "net/network_manager.h"

namespace {

struct HostObjectsTest : ::testing::Test {
    HostGlobalsScope globals;
    NetworkManager network{nullptr};

    HostObjectsTest() {
        host::FrameInterval = 0;
        host::NetworkManager = &network;
    }
    ~HostObjectsTest() override { DestroyControl(host::MouseCursor); }
};

TEST_F(HostObjectsTest, TheCursorStandsAloneAboveEverythingWithoutASprite) {
    CreateFrameSettingsAndCursor();
    EXPECT_EQ(host::FrameInterval, 40u);
    EXPECT_EQ(host::BackgroundClear, 1u);
    EXPECT_EQ(host::AppInfo.networkManager, &network);

    auto* cursor = dynamic_cast<MouseCursor*>(host::MouseCursor);
    ASSERT_NE(cursor, nullptr) << "the host's pointer is a MouseCursor";
    EXPECT_EQ(cursor->parent, nullptr);
    EXPECT_EQ(cursor->prevSibling, cursor) << "in no one's ring";
    EXPECT_EQ(cursor->drawOwner, nullptr);
    EXPECT_EQ(cursor->priority, 32767);
    EXPECT_EQ(cursor->bundle, nullptr) << "the game module gives it its sprite";
    EXPECT_EQ(cursor->frameCounter, 0);
}

TEST_F(HostObjectsTest, TheFirstScreenBecomesTheCurrentScreenAndTheRootsAndIsOpened) {
    int window = 0;
    host::HostWindow = &window;
    Control screen(nullptr, 0, 0, 0, 0, 64);
    InstallFirstScreen(&screen);
    EXPECT_EQ(host::AppInfo.currentScreen, &screen);
    EXPECT_EQ(host::AppInfo.window, &window);
    EXPECT_EQ(host::DrawRoot, &screen);
    EXPECT_EQ(host::UpdateRoot, &screen);
    EXPECT_EQ(host::InputRoot, &screen);
    EXPECT_EQ(screen.Transition(), TransitionState::Opening);

    InstallFirstScreen(nullptr);  // no root control: no screen, and nothing to open
    EXPECT_EQ(host::AppInfo.currentScreen, nullptr);
    EXPECT_EQ(host::InputRoot, nullptr);
}

}  // namespace
