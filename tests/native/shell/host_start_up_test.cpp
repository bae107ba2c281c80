// The host's start-up order: each step finds what the steps before it made, a window that cannot
// be made stops everything, and the first screen is made last, after the platforms it looks for.
#include "shell/host_start_up.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/display.h"
#include "display/surface_control.h"
#include "host/host_globals.h"
#include "host_globals_scope.h"
#include "platform/memory/common/memory_host_notice_platform.h"
#include "platform/memory/display/memory_display_platform.h"
#include "platform/memory/display/memory_surface_platform.h"
#include "platform/memory/shell/memory_application_platform.h"
#include "shell/application_shutdown.h"
#include "common/host_platforms.h"

namespace {

using Journal = std::vector<std::string>;

std::string Made(const void* object) { return object ? "made" : "none"; }

// Notes each call with what the host globals hold at that moment.
class JournalStartUpPlatform final : public HostStartUpPlatform {
  public:
    explicit JournalStartUpPlatform(Journal& journal) : journal_(journal) {}

    void* CreateHostWindow(const HostWindowRequest& request) override {
        journal_.push_back("window " + std::to_string(request.width) + "x" + std::to_string(request.height) +
                           " display " + Made(host::Display));
        return failWindow ? nullptr : &windowObject;
    }
    void ShowHostWindow(void* window, int showCommand) override {
        journal_.push_back("show " + std::to_string(showCommand) + " named " +
                           (host::HostWindow == window ? "yes" : "no"));
    }
    void* Instance() override { return &instanceObject; }
    void HidePlatformPointer() override {
        journal_.push_back("hide pointer: display " + Made(host::Display) + ", root " +
                           Made(host::RootControl) + ", network " + Made(host::NetworkManager) + ", cursor " +
                           Made(host::MouseCursor));
    }
    void InstallScreenPlatforms() override {
        journal_.push_back("screen platforms: cursor " + Made(host::MouseCursor) + ", screen " +
                           Made(host::AppInfo.currentScreen));
    }

    bool failWindow = false;
    int windowObject = 0;
    int instanceObject = 0;

  private:
    Journal& journal_;
};

Journal* gJournal = nullptr;

Control* NewNotedFirstScreen() {
    gJournal->push_back("first screen: root " + Made(host::RootControl));
    return new Control(nullptr, 0, 0, 0, 0, 64);
}

struct HostStartUpTest : ::testing::Test {
    HostGlobalsScope globals;
    Journal journal;
    JournalStartUpPlatform platform{journal};
    MemoryApplicationPlatform application;
    MemorySurfacePlatform surfaces;
    MemoryDisplayPlatform device{surfaces, MemoryDisplayPlatform::Mode{1280, 1024, 32}};
    MemoryHostNoticePlatform notices;
    HostPlatformsScope platforms{MachineInMemory()};
    HostWindowRequest request;

    HostPlatforms MachineInMemory() {
        HostPlatforms set;
        set.surfaces = &surfaces;
        set.display = &device;
        set.application = &application;
        set.notices = &notices;
        return set;
    }

    HostStartUpTest() {
        gJournal = &journal;
        request.title = "Tidemarch";
        request.width = 640;
        request.height = 480;
        request.depthSelector = 2;
        request.cooperativeLevel = host::kWindowed;
        request.showCommand = 5;
    }
    ~HostStartUpTest() override {
        ShutdownApplication();
        gJournal = nullptr;
    }
};

TEST_F(HostStartUpTest, EachStepFindsWhatTheStepsBeforeItMade) {
    ASSERT_EQ(StartHost(platform, request, NewNotedFirstScreen), 1);
    EXPECT_EQ(journal, (Journal{
                           "window 640x480 display none",
                           "show 5 named yes",
                           "hide pointer: display made, root made, network made, cursor none",
                           "screen platforms: cursor made, screen none",
                           "first screen: root made",
                       }));

    EXPECT_EQ(host::AppInfo.window, &platform.windowObject);
    EXPECT_EQ(host::InstanceHandle, &platform.instanceObject)
        << "the display is made with the platform's instance";
    ASSERT_NE(host::RootControl, nullptr);
    EXPECT_EQ(host::RootControl->bounds, host::Display->bounds) << "the root control wraps the draw surface";
    EXPECT_EQ(host::AppInfo.networkManager, host::NetworkManager);
    EXPECT_NE(host::AppInfo.currentScreen, nullptr);
    EXPECT_EQ(host::InputRoot, host::AppInfo.currentScreen);
    EXPECT_EQ(host::AppInfo.currentScreen->Transition(), TransitionState::Opening);
}

TEST_F(HostStartUpTest, WhatTheStartUpMadeTheShutdownEndsAndTheRunQuits) {
    ASSERT_EQ(StartHost(platform, request, NewNotedFirstScreen), 1);
    ShutdownApplication();
    EXPECT_EQ(notices.quitCodes, std::vector<int32_t>{0});
    EXPECT_EQ(application.windowReleases, 1);
    EXPECT_EQ(host::MouseCursor, nullptr);
    EXPECT_EQ(host::AppInfo.currentScreen, nullptr);
    EXPECT_EQ(host::NetworkManager, nullptr);
    EXPECT_EQ(host::RootControl, nullptr);
    EXPECT_EQ(host::Display, nullptr);
    EXPECT_EQ(device.HasDevice(), false) << "the display let its device go";
}

TEST_F(HostStartUpTest, AWindowThatCannotBeMadeStopsTheStartUp) {
    platform.failWindow = true;
    EXPECT_EQ(StartHost(platform, request, NewNotedFirstScreen), 0);
    EXPECT_EQ(journal, (Journal{"window 640x480 display none"}));
    EXPECT_EQ(host::HostWindow, nullptr);
    EXPECT_EQ(host::Display, nullptr);
    EXPECT_EQ(host::RootControl, nullptr);
    EXPECT_EQ(host::NetworkManager, nullptr);
    EXPECT_EQ(host::MouseCursor, nullptr);
}

TEST_F(HostStartUpTest, WithoutARootControlNoFirstScreenIsMade) {
    ASSERT_EQ(CreateHostObjects(platform, NewNotedFirstScreen), 1);
    EXPECT_EQ(journal, (Journal{
                           "hide pointer: display none, root none, network none, cursor none",
                           "screen platforms: cursor made, screen none",
                       }));
    EXPECT_EQ(host::AppInfo.currentScreen, nullptr);
    EXPECT_EQ(host::InputRoot, nullptr);
}

}  // namespace
