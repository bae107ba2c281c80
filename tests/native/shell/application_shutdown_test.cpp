// The end of the run: the host objects go in their fixed order, the quit message is posted after
// the screens, and a second shutdown (the window's WM_DESTROY during the first) finds nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/host_notice_platform.h"
#include "display/display.h"
#include "host/host_globals.h"
#include "host_globals_scope.h"
#include "net/network_manager.h"
#include "shell/application_platform.h"
#include "shell/application_shutdown.h"

namespace {

using Journal = std::vector<std::string>;

class JournalApplicationPlatform final : public ApplicationPlatform, public HostNoticePlatform {
  public:
    explicit JournalApplicationPlatform(Journal& journal) : journal_(journal) {}
    bool WindowMinimised() override { return false; }
    void ShowDebugMessage(const char* text) override { journal_.push_back(std::string("box ") + text); }
    void PostQuit(int32_t exitCode) override { journal_.push_back("quit " + std::to_string(exitCode)); }
    void ReleaseWindow() override { journal_.push_back("window"); }

  private:
    Journal& journal_;
};

// Each host object notes its destruction by the name it was given.
template <class Base, class... Args> class Noted : public Base {
  public:
    Noted(Journal& journal, std::string name, Args... args) : Base(args...), journal_(journal), name_(name) {}
    void* DeletingDestructor(uint32_t flags) override {
        journal_.push_back(name_);
        return RunDeletingDestructor(this, flags);
    }

  private:
    Journal& journal_;
    std::string name_;
};

struct ApplicationShutdownTest : ::testing::Test {
    HostGlobalsScope globals;
    Journal journal;
    JournalApplicationPlatform application{journal};
    PlatformSlot<ApplicationPlatform>::Scope scope{application};
    PlatformSlot<HostNoticePlatform>::Scope noticeScope{application};
    Control screen{nullptr, 0, 0, 0, 0, 64};

    ApplicationShutdownTest() {
        host::MouseCursor = new Noted<Control, Control*, int32_t, int32_t, int32_t, int32_t, int16_t>(
            journal, "cursor", nullptr, 0, 0, 0, 0, 32767);
        host::AppInfo.currentScreen =
            new Noted<Control, Control*, int32_t, int32_t, int32_t, int32_t, int16_t>(
                journal, "screen", nullptr, 0, 0, 0, 0, 64);
        host::NetworkManager = new Noted<NetworkManager, void*>(journal, "network manager", nullptr);
        host::AppInfo.networkManager = host::NetworkManager;
        host::RootControl = new Noted<RootControl, Control*, int32_t, int32_t, int32_t, int32_t, int16_t>(
            journal, "root control", nullptr, 0, 0, 8, 4, 64);
        host::Display = new Noted<Display, int32_t, int32_t>(journal, "display", 8, 4);
        host::DrawRoot = host::UpdateRoot = host::InputRoot = &screen;
    }
};

TEST_F(ApplicationShutdownTest, ReleasesTheHostObjectsInTheirOrderAndFindsNothingTheSecondTime) {
    ShutdownApplication();
    EXPECT_EQ(journal, (Journal{"cursor", "screen", "quit 0", "network manager", "root control", "display",
                                "window"}));
    EXPECT_EQ(host::DrawRoot, nullptr);
    EXPECT_EQ(host::UpdateRoot, nullptr);
    EXPECT_EQ(host::InputRoot, nullptr);
    EXPECT_EQ(host::MouseCursor, nullptr);
    EXPECT_EQ(host::AppInfo.currentScreen, nullptr);
    EXPECT_EQ(host::NetworkManager, nullptr);
    EXPECT_EQ(host::AppInfo.networkManager, nullptr);
    EXPECT_EQ(host::RootControl, nullptr);
    EXPECT_EQ(host::Display, nullptr);

    journal.clear();
    ShutdownApplication();
    EXPECT_EQ(journal, (Journal{"quit 0", "window"}));
}

}  // namespace
