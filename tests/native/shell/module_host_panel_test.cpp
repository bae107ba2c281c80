// The panel that owns the game module's first screen: the host commands behind its Notify, the
// order of the module's calls at the hand-over, the failures that end it, and the destruction
// of the module screen.
#include "shell/module_host_panel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/host_globals.h"
#include "host_globals_scope.h"
#include "platform/memory/controls/memory_screen_module_platform.h"
#include "shell/host_window_platform.h"
#include "shell/module_hand_over.h"

namespace {

using ::testing::ElementsAre;

class RecordingWindow final : public HostWindowPlatform {
  public:
    int32_t ResizeWindow(int32_t width, int32_t height) override {
        sizes.push_back({width, height});
        return 1;
    }
    std::vector<std::pair<int32_t, int32_t>> sizes;
};

// What the fake game module saw, in order.
struct ModuleJournal {
    std::vector<std::string> calls;
    void* applicationInfo = nullptr;
    int32_t first = -1;
    Control* parent = nullptr;
    void* commandLine = nullptr;
    bool giveScreen = true;
    bool replacingScreen = false;    // the first screen gives way to its next one on its first update
    bool claimsInputInOpen = false;  // the first screen makes itself the input root from its Open
    Control* currentScreenInOpen = nullptr;
    Control* screen = nullptr;
    Control* parentAtDestruction = nullptr;
    uint32_t deleteFlags = 0;
};
ModuleJournal gModule;

// The module's first screen: notes how and where it was destroyed.
class ModuleScreen : public Control {
  public:
    explicit ModuleScreen(Control* parentControl, std::string name = "screen")
        : Control(parentControl, 0, 0, 100, 100, 64), name_(std::move(name)) {}
    void* DeletingDestructor(uint32_t flags) override {
        gModule.calls.push_back(name_ + " destroyed");
        gModule.parentAtDestruction = parent;
        gModule.deleteFlags = flags;
        return RunDeletingDestructor(this, flags);
    }
    void Open() override {
        Control::Open();
        gModule.currentScreenInOpen = host::AppInfo.currentScreen;
        if (gModule.claimsInputInOpen)
            static_cast<Panel*>(parent)->Notify(this, host_command::SetInputRoot, 0);
    }

  private:
    std::string name_;
};

// A first screen that makes its next screen under the host panel and deletes itself, as a
// module's title screen gives way to its menu.
class ReplacingScreen : public ModuleScreen {
  public:
    using ModuleScreen::ModuleScreen;
    void Update() override {
        new ModuleScreen(parent, "next screen");
        DestroyControl(this);
    }
};

int32_t InitEngine(EngineInfo*) {
    gModule.calls.push_back("InitKTZDLL");
    return 0;
}
int32_t InitApplication(void* info) {
    gModule.calls.push_back("InitApplicationInfo");
    gModule.applicationInfo = info;
    return 0;
}
Control* AllocScreen(int32_t first, Control* parent, void* commandLine) {
    gModule.calls.push_back("AllocScreen");
    gModule.first = first;
    gModule.parent = parent;
    gModule.commandLine = commandLine;
    if (!gModule.giveScreen)
        gModule.screen = nullptr;
    else if (gModule.replacingScreen)
        gModule.screen = new ReplacingScreen(parent);
    else
        gModule.screen = new ModuleScreen(parent);
    return gModule.screen;
}

class ModuleHostPanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        gModule = ModuleJournal{};
        platform.Add("Main.dll", {{"InitKTZDLL", ExportAddress(&InitEngine)},
                                  {"InitApplicationInfo", ExportAddress(&InitApplication)},
                                  {"AllocScreen", ExportAddress(&AllocScreen)}});
        host::BackgroundClear = 1;
    }
    void TearDown() override {
        // The roots go first: the screen is then destroyed as nobody's root any more.
        host::InputRoot = host::DrawRoot = host::UpdateRoot = nullptr;
        DestroyControl(host::AppInfo.currentScreen);
        host::AppInfo.currentScreen = nullptr;  // a test may tear down between its cases
    }
    HostGlobalsScope globals;
    MemoryScreenModulePlatform platform;
    RecordingWindow window;
    HostWindowPlatformSlot::Scope windowScope{window};
};

TEST_F(ModuleHostPanelTest, NotifyCommandsTheHost) {
    ModuleHostPanel panel;
    Control sender(nullptr, 0, 0, 0, 0, 64);
    const auto asResult = [](Control* control) { return int32_t(reinterpret_cast<intptr_t>(control)); };

    EXPECT_EQ(panel.Notify(&sender, host_command::SetInputRoot, 0), 0);
    EXPECT_EQ(host::InputRoot, &sender);
    EXPECT_EQ(panel.Notify(nullptr, host_command::GetInputRoot, 0), asResult(&sender))
        << "101 right after 100 gives the sender of 100";

    struct Case {
        int32_t code;
        int32_t param;
        uint32_t frameInterval;
        uint32_t backgroundClear;
        std::vector<std::pair<int32_t, int32_t>> sizes;
    };
    const Case cases[] = {
        {host_command::SetBackgroundClear, 0, 40, 0, {}},
        {host_command::SetBackgroundClear, 1, 40, 1, {}},
        {host_command::SetFrameInterval, 20, 20, 1, {}},
        {host_command::ResizeWindow, 0, 40, 1, {{800, 600}}},
        {host_command::ResizeWindow, 1, 40, 1, {{1024, 768}}},
        {host_command::ResizeWindow, 2, 40, 1, {{1280, 1024}}},
        {host_command::ResizeWindow, 3, 40, 1, {}},
        {host_command::ResizeWindow, -1, 40, 1, {}},
        {99, 7, 40, 1, {}},
        {105, 7, 40, 1, {}},
        {0, 0, 40, 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code << " param " << c.param);
        host::FrameInterval = 40;
        host::BackgroundClear = 1;
        window.sizes.clear();
        EXPECT_EQ(panel.Notify(&sender, c.code, c.param), 0);
        EXPECT_EQ(host::FrameInterval, c.frameInterval);
        EXPECT_EQ(host::BackgroundClear, c.backgroundClear);
        EXPECT_EQ(window.sizes, c.sizes);
        EXPECT_EQ(host::InputRoot, &sender) << "only code 100 moves the input root";
    }
}

TEST_F(ModuleHostPanelTest, HandOverCallsTheModuleInOrderAndMakesThePanelTheRoots) {
    HandOverResult result = HandOverToGameModule(platform);
    ASSERT_NE(result.panel, nullptr) << result.message;
    EXPECT_EQ(result.failure, ModuleLoadFailure::None);
    EXPECT_THAT(gModule.calls, ElementsAre("InitKTZDLL", "InitApplicationInfo", "AllocScreen"));
    EXPECT_EQ(gModule.applicationInfo, &host::AppInfo);
    EXPECT_EQ(gModule.first, 0);
    EXPECT_EQ(gModule.parent, result.panel);
    EXPECT_EQ(gModule.commandLine, &host::CommandLine);

    ModuleHostPanel& panel = *result.panel;
    EXPECT_EQ(panel.moduleScreen, gModule.screen);
    EXPECT_EQ(panel.firstChild, gModule.screen);
    EXPECT_EQ(gModule.screen->Transition(), TransitionState::Opening) << "the module screen was opened";
    EXPECT_TRUE(panel.HasFlag(control_flags::NotifyTarget));
    EXPECT_EQ(panel.priority, 64);
    EXPECT_EQ(host::AppInfo.currentScreen, &panel);
    EXPECT_EQ(host::DrawRoot, &panel);
    EXPECT_EQ(host::UpdateRoot, &panel);
    EXPECT_EQ(host::InputRoot, &panel);
}

TEST_F(ModuleHostPanelTest, AnInputRootClaimedInTheFirstScreensOpenStands) {
    Control startScreen(nullptr, 0, 0, 0, 0, 64);
    for (bool claims : {false, true}) {
        SCOPED_TRACE(claims ? "claims the input" : "leaves the input");
        gModule = ModuleJournal{};
        gModule.claimsInputInOpen = claims;
        host::AppInfo.currentScreen = host::DrawRoot = host::UpdateRoot = host::InputRoot = &startScreen;
        HandOverResult result = HandOverToGameModule(platform);
        ASSERT_NE(result.panel, nullptr);
        EXPECT_EQ(gModule.currentScreenInOpen, &startScreen)
            << "the panel becomes the current screen after Open";
        EXPECT_EQ(host::DrawRoot, result.panel);
        EXPECT_EQ(host::UpdateRoot, result.panel);
        EXPECT_EQ(host::InputRoot, claims ? gModule.screen : static_cast<Control*>(result.panel));
        host::AppInfo.currentScreen = host::DrawRoot = host::UpdateRoot = host::InputRoot = nullptr;
        DestroyControl(result.panel);
    }
}

TEST_F(ModuleHostPanelTest, ModuleWithoutApplicationInfoStillGetsItsScreen) {
    platform.Add("Main.dll",
                 {{"InitKTZDLL", ExportAddress(&InitEngine)}, {"AllocScreen", ExportAddress(&AllocScreen)}});
    HandOverResult result = HandOverToGameModule(platform);
    ASSERT_NE(result.panel, nullptr);
    EXPECT_THAT(gModule.calls, ElementsAre("InitKTZDLL", "AllocScreen"));
    EXPECT_EQ(result.panel->moduleScreen, gModule.screen);
}

TEST_F(ModuleHostPanelTest, FailedHandOverNamesTheModuleAndWhatIsMissingAndChangesNothing) {
    platform.Add("NoInit.dll", {{"AllocScreen", ExportAddress(&AllocScreen)}});
    platform.Add("NoFactory.dll", {{"InitKTZDLL", ExportAddress(&InitEngine)}});
    struct Case {
        const char* path;
        bool giveScreen;
        ModuleLoadFailure failure;
        const char* words;
    };
    const Case cases[] = {
        {"Missing.dll", true, ModuleLoadFailure::NotLoadable, "could not be loaded"},
        {"NoInit.dll", true, ModuleLoadFailure::NoInitEngine, "no export \"InitKTZDLL\""},
        {"NoFactory.dll", true, ModuleLoadFailure::NoScreenFactory, "no export \"AllocScreen\""},
        {"Main.dll", false, ModuleLoadFailure::NoFirstScreen, "\"AllocScreen\" gave no screen"},
    };
    Control before(nullptr, 0, 0, 0, 0, 64);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        gModule = ModuleJournal{};
        gModule.giveScreen = c.giveScreen;
        host::AppInfo.currentScreen = host::DrawRoot = host::UpdateRoot = host::InputRoot = &before;
        HandOverResult result = HandOverToGameModule(platform, c.path);
        EXPECT_EQ(result.panel, nullptr);
        EXPECT_EQ(result.failure, c.failure);
        EXPECT_THAT(result.message, ::testing::HasSubstr(std::string("\"") + c.path + "\""));
        EXPECT_THAT(result.message, ::testing::HasSubstr(c.words));
        EXPECT_EQ(host::AppInfo.currentScreen, &before);
        EXPECT_EQ(host::DrawRoot, &before);
        EXPECT_EQ(host::UpdateRoot, &before);
        EXPECT_EQ(host::InputRoot, &before);
    }
    host::AppInfo.currentScreen = host::DrawRoot = host::UpdateRoot = host::InputRoot = nullptr;
}

TEST_F(ModuleHostPanelTest, DestructionDeletesTheModuleScreenFirstWhileItIsStillLinked) {
    HandOverResult result = HandOverToGameModule(platform);
    ASSERT_NE(result.panel, nullptr);
    Control* panel = result.panel;
    Control sibling(panel, 0, 0, 0, 0, 70);
    gModule.calls.clear();
    host::AppInfo.currentScreen = nullptr;
    DestroyControl(panel);
    EXPECT_THAT(gModule.calls, ElementsAre("screen destroyed"));
    EXPECT_EQ(gModule.parentAtDestruction, panel);
    EXPECT_EQ(gModule.deleteFlags, kDeleteMemory);
    EXPECT_EQ(sibling.parent, nullptr) << "the panel's own destruction detached the rest";
}

TEST_F(ModuleHostPanelTest, AFirstScreenThatReplacedItselfIsNotDeletedAgain) {
    gModule.replacingScreen = true;
    HandOverResult result = HandOverToGameModule(platform);
    ASSERT_NE(result.panel, nullptr);
    Control* panel = result.panel;
    panel->Update();
    ASSERT_EQ(gModule.calls.back(), "screen destroyed");
    Control* next = panel->firstChild;
    ASSERT_NE(next, nullptr);
    gModule.calls.clear();
    host::AppInfo.currentScreen = nullptr;
    DestroyControl(panel);
    EXPECT_TRUE(gModule.calls.empty()) << "the next screen is the module's; the first is gone";
    EXPECT_EQ(next->parent, nullptr);
    DestroyControl(next);
}

TEST_F(ModuleHostPanelTest, TheStartScreensRequestsHandOverOnce) {
    // The start screen asks on every update until the run ends; a failure ends it only when the
    // quit message, behind whatever is queued, is taken.
    platform.Add("NoFactory.dll", {{"InitKTZDLL", ExportAddress(&InitEngine)}});
    struct Case {
        const char* path;
        bool handedOver;
        std::vector<std::string> calls;
        size_t reports;
    };
    const Case cases[] = {
        {"NoFactory.dll", false, {"InitKTZDLL"}, 1},
        {"Main.dll", true, {"InitKTZDLL", "InitApplicationInfo", "AllocScreen"}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        gModule = ModuleJournal{};
        std::vector<std::string> reports;
        GameModuleHandOver handOver(
            platform, [&](const HandOverResult& failed) { reports.push_back(failed.message); }, c.path);
        for (int request = 0; request < 3; ++request)
            EXPECT_EQ(handOver.Request(), c.handedOver) << "request " << request;
        EXPECT_EQ(gModule.calls, c.calls);
        EXPECT_EQ(platform.LoadsOf(c.path), 1);
        EXPECT_EQ(reports.size(), c.reports);
        EXPECT_EQ(host::AppInfo.currentScreen != nullptr, c.handedOver);
        TearDown();
    }
}

}  // namespace
