// The start screen object: its controls from SPR/Start.SPR, the screens of a retry, and input.
#include "startscreen/screen/start_screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "display/display_format.h"
#include "host/host_globals.h"
#include "host_globals_scope.h"
#include "platform/memory/common/memory_host_notice_platform.h"
#include "platform/memory/controls/memory_text_platform.h"
#include "platform/memory/startscreen/memory_start_screen_platform.h"
#include "platform/posix/update_client/posix_file_store_platform.h"
#include "program_folder_fixture.h"

namespace {

class StartScreenTest : public ProgramFolderTest {
  protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        savedFormat_ = gDisplayFormat;
        savedMasks_ = gChannelMasks;
        gDisplayFormat.bytesPerPixel = 2;
        DeriveChannelMasks(gChannelMasks, 2, true, 0xF800, 0x07E0, 0x001F);
        // Sprite files are found relative to the current directory, as in the program folder.
        std::filesystem::create_directories(root_ / "SPR");
        std::filesystem::copy_file(TIDEMARCH_START_SPRITES, root_ / "SPR" / "Start.SPR");
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(root_);
        globals_.emplace();
    }
    void TearDown() override {
        if (host::AppInfo.currentScreen) DestroyControl(host::AppInfo.currentScreen);
        globals_.reset();
        std::filesystem::current_path(previous_);
        gDisplayFormat = savedFormat_;
        gChannelMasks = savedMasks_;
        ProgramFolderTest::TearDown();
    }
    StartScreen* First() {
        auto* screen = new StartScreen();
        host::AppInfo.currentScreen = screen;
        host::DrawRoot = host::UpdateRoot = host::InputRoot = screen;
        screen->Open();
        return screen;
    }
    static Control* Updated() {
        host::UpdateRoot->Update();
        return host::UpdateRoot;
    }
    static bool Key(uintptr_t key) {
        WindowMessage message{};
        message.message = 256;
        message.wParam = key;
        return host::InputRoot->HandleMessage(&message) == nullptr;
    }

    MemoryTextPlatform text_;
    TextPlatformSlot::Scope textScope_{text_};
    PosixFileStorePlatform files_{"."};
    MemoryStartScreenPlatform platform_{files_};
    StartScreenPlatformSlot::Scope platformScope_{platform_};
    std::optional<HostGlobalsScope> globals_;
    MemoryHostNoticePlatform notices_;
    PlatformSlot<HostNoticePlatform>::Scope noticeScope_{notices_};
    DisplayFormat savedFormat_{};
    ChannelMasks savedMasks_{};
    std::filesystem::path previous_;
};

// A font that cannot be made with the face asked for is asked for again without a face, so that
// the labels never fall back to a font without the letters of their set.
TEST_F(StartScreenTest, AFontRefusedWithItsFaceIsMadeWithAnyFaceOfItsSet) {
    text_.FailNextFont();
    First();
    EXPECT_EQ(text_.LiveFonts(), 2u) << "both the small and the large font were made";
}

TEST_F(StartScreenTest, ControlsStandWhereTheScreenPutsThem) {
    StartScreen* screen = First();
    EXPECT_EQ(screen->Transition(), TransitionState::Opening);
    EXPECT_TRUE(screen->HasFlag(control_flags::Active));
    // The children in the ring, by position; the markers and the failure text start hidden.
    struct Expected {
        int32_t x, y;
        bool visible;
    };
    const Expected expected[] = {
        {410, 671, true},  {408, 716, true}, {410, 718, true}, {407, 710, false}, {632, 701, true},
        {407, 723, false}, {632, 728, true}, {632, 711, true}, {227, 200, false},
    };
    std::vector<Expected> found;
    for (Control* child = screen->firstChild; child;) {
        found.push_back({child->x, child->y, child->HasFlag(control_flags::Visible)});
        child = child->nextSibling == screen->firstChild ? nullptr : child->nextSibling;
    }
    ASSERT_EQ(found.size(), std::size(expected));  // the two inner counters are the markers' children
    for (const Expected& want : expected) {
        const auto at = std::find_if(found.begin(), found.end(),
                                     [&](const Expected& got) { return got.x == want.x && got.y == want.y; });
        ASSERT_NE(at, found.end()) << want.x << "," << want.y;
        EXPECT_EQ(at->visible, want.visible) << want.x << "," << want.y;
    }
    std::string value;
    EXPECT_TRUE(platform_.registry.ReadText("SOFTWARE\\Zeq\\TIDEMARCHRUSSIA", "UpdateServer", &value));
    EXPECT_EQ(value, "127.0.0.1");
}

TEST_F(StartScreenTest, EachTimeoutReplacesTheScreenUntilTheThirdShowsTheFailureText) {
    StartScreen* first = First();
    const int updatesPerAttempt = StartScreenFlow::kFirstWait + 3;
    Control* current = first;
    for (int attempt = 1; attempt <= 2; ++attempt) {
        for (int i = 0; i < updatesPerAttempt; ++i)
            Updated();
        EXPECT_NE(host::UpdateRoot, current) << attempt;  // a fresh screen, the old one deleted
        EXPECT_EQ(host::AppInfo.currentScreen, host::UpdateRoot);
        EXPECT_EQ(host::AppInfo.RetryCount, attempt);
        current = host::UpdateRoot;
    }
    for (int i = 0; i < updatesPerAttempt; ++i)
        Updated();
    EXPECT_EQ(host::UpdateRoot, current);
    EXPECT_EQ(host::AppInfo.RetryCount, 3);
    bool failureTextShown = false;
    for (Control* child = current->firstChild; child;) {
        if (child->x == 227 && child->y == 200) failureTextShown = child->HasFlag(control_flags::Visible);
        child = child->nextSibling == current->firstChild ? nullptr : child->nextSibling;
    }
    EXPECT_TRUE(failureTextShown);
    EXPECT_TRUE(notices_.quitCodes.empty());
    EXPECT_TRUE(Key('Q'));
    EXPECT_EQ(notices_.quitCodes, std::vector<int32_t>{0}) << "a normal end of the run";
}

TEST_F(StartScreenTest, WaitingMovesTheHiddenTotalMarker) {
    StartScreen* screen = First();
    for (int i = 0; i < 10; ++i)
        Updated();
    Control* marker = nullptr;
    for (Control* child = screen->firstChild; child;) {
        if (child->y == 723) marker = child;
        child = child->nextSibling == screen->firstChild ? nullptr : child->nextSibling;
    }
    ASSERT_NE(marker, nullptr);
    EXPECT_EQ(marker->x, 407 + 200 * 10 / 100);
    EXPECT_FALSE(marker->HasFlag(control_flags::Visible));
}

TEST_F(StartScreenTest, EscapeQuitsButIsNotConsumed) {
    First();
    Updated();
    EXPECT_FALSE(Key('A'));
    EXPECT_TRUE(notices_.quitCodes.empty());
    EXPECT_FALSE(Key(27));
    EXPECT_EQ(notices_.quitCodes, std::vector<int32_t>{0}) << "a normal end of the run";
}

}  // namespace
