// The hand-over to a game module built with the MSVC C++ ABI: the screen-module loader gives it
// the engine record byte for byte as the globals stand, and its first screen is asked for with
// the host's arguments.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "display/display_format.h"
#include "host/host_globals.h"
#include "host_globals_scope.h"
#include "module_contract_loader.h"
#include "net/network_manager.h"
#include "platform/win32/controls/win32_screen_module_platform.h"
#include "platform/win32/shell/application.h"
#include "platform/win32/shell/win32_application_platform.h"
#include "screen_module/screen_module.h"
#include "shell/module_hand_over.h"
#include "shell/module_host_panel.h"
#include "sound/sound_device.h"

namespace {

uint32_t Word(const uint8_t* bytes, size_t offset) {
    uint32_t value;
    std::memcpy(&value, bytes + offset, sizeof value);
    return value;
}

class GameModuleContractTest : public ::testing::Test {
  protected:
    void SetUp() override {
        module = LoadContractModule();
        ASSERT_NE(module, nullptr) << "ContractModule.dll with all its exports must lie beside the test";
    }
    const ContractModule* module = nullptr;
    // The host's shutdown ends the run through the product's platform.
    Win32ApplicationPlatform application;
    PlatformSlot<ApplicationPlatform>::Scope applicationScope{application};
};

TEST_F(GameModuleContractTest, EngineRecordArrivesByteForByte) {
    HostGlobalsScope freshGlobals;
    const DisplayFormat savedFormat = gDisplayFormat;
    const ChannelMasks savedMasks = gChannelMasks;
    auto fake = [](uintptr_t value) { return reinterpret_cast<void*>(value); };
    host::HostWindow = fake(0x11111101);
    host::InstanceHandle = fake(0x11111102);
    host::DirectDrawObject = fake(0x11111104);
    host::CooperativeLevel = 10;
    host::Display = static_cast<Display*>(fake(0x11111108));
    host::RootControl = static_cast<RootControl*>(fake(0x11111110));
    host::MouseCursor = static_cast<Control*>(fake(0x11111120));
    sound::Effects3D = 1;
    sound::Device8 = fake(0x22222201);
    sound::FallbackDevice = fake(0x22222202);
    sound::PrimaryBuffer = nullptr;
    sound::Listener = static_cast<SoundListener*>(fake(0x22222208));
    sound::LiveObjects = 5;
    gDisplayFormat = DisplayFormat{0x0780FBFF, 800, 600, 4, 3200, 3200 * 600};
    gChannelMasks =
        ChannelMasks{0x0102030405060708, 0x1112131415161718, 0x2122232425262728, 0x3132333435363738,
                     0x4142434445464748, 0x5152535455565758, 0x6162636465666768};

    contract::ProbeState state{};
    contract::ProbeArguments arguments{0, 0, 10, 10, 64};
    module->prepareHandOver(&state, &arguments);
    {
        // By name: the platform looks in the executable's folder first.
        ScreenModule loader(Win32ScreenModulePlatform::Instance(), "ContractModule.dll");
        ASSERT_EQ(loader.LastFailure(), ModuleLoadFailure::None);
    }
    const contract::HandOverReport& report = *module->handOverReport();
    EXPECT_EQ(report.initEngineCalls, 1);
    const uint8_t* bytes = report.engineBytes;
    struct Field {
        size_t offset;
        uint32_t value;
    };
    const Field fields[] = {
        {0, 0x11111101},  {4, 0x11111102},   {8, 0x0780FBFF},   {12, 0x11111104},  {16, 0}, {20, 1},
        {24, 0x22222201}, {28, 0x22222202},  {32, 0},           {36, 0x22222208},  {40, 0}, {44, 0},
        {48, 5},          {52, 10},          {56, 800},         {60, 600},         {64, 4}, {68, 3200},
        {72, 3200 * 600}, {132, 0x11111108}, {136, 0x11111110}, {460, 0x11111120},
    };
    for (const Field& field : fields)
        EXPECT_EQ(Word(bytes, field.offset), field.value) << "at offset " << field.offset;
    // The seven masks from offset 76, each low word first.
    for (uint32_t mask = 0; mask < 7; ++mask) {
        const size_t offset = 76 + 8 * mask;
        EXPECT_EQ(Word(bytes, offset), 0x05060708u + mask * 0x10101010u) << "at offset " << offset;
        EXPECT_EQ(Word(bytes, offset + 4), 0x01020304u + mask * 0x10101010u) << "at offset " << offset + 4;
    }
    EXPECT_THAT(std::vector<uint8_t>(bytes + 140, bytes + 460), ::testing::Each(0));

    gDisplayFormat = savedFormat;
    gChannelMasks = savedMasks;
    sound::Effects3D = 0;
    sound::Device8 = sound::FallbackDevice = nullptr;
    sound::Listener = nullptr;
    sound::LiveObjects = 0;
}

}  // namespace

namespace {

// The whole life of the MSVC-ABI module as the game module: handed over through the host panel,
// commanding the host through it, a connection of its own registered with the host's manager,
// and the host's shutdown deleting the module screen through its slot 0 and then the connection
// through its slot 2.
TEST_F(GameModuleContractTest, HandOverCommandsAndShutdownOrder) {
    HostGlobalsScope freshGlobals;
    contract::CallJournal journal{};
    contract::ProbeState state{};
    state.journal = &journal;
    contract::ProbeArguments arguments{0, 0, 64, 48, 64};
    module->prepareHandOver(&state, &arguments);
    host::NetworkManager = new NetworkManager(nullptr);
    host::AppInfo.networkManager = host::NetworkManager;
    FillCommandLineBlock(host::CommandLine, "0123456789AB the rest");

    HandOverResult result = HandOverToGameModule(Win32ScreenModulePlatform::Instance(), "ContractModule.dll");
    ASSERT_NE(result.panel, nullptr) << result.message;
    ModuleHostPanel* panel = result.panel;
    const contract::HandOverReport& report = *module->handOverReport();
    EXPECT_EQ(report.callsBeforeEngine, 0) << "InitKTZDLL comes first";
    EXPECT_EQ(report.initApplicationInfoCalls, 1);
    EXPECT_EQ(report.applicationInfo, &host::AppInfo);
    EXPECT_EQ(report.applicationNetworkManager, host::NetworkManager);
    EXPECT_EQ(report.allocScreenCalls, 1);
    EXPECT_EQ(report.allocFirst, 0);
    EXPECT_EQ(report.allocParent, panel);
    EXPECT_EQ(report.allocCommandLine, &host::CommandLine);
    EXPECT_STREQ(report.commandHead, "0123456789AB");
    ASSERT_NE(report.screen, nullptr);
    Control* screen = panel->moduleScreen;
    EXPECT_EQ(report.screen, screen);
    EXPECT_EQ(screen->parent, panel) << "the module linked its screen below the panel";
    EXPECT_EQ(host::DrawRoot, panel);
    EXPECT_EQ(host::AppInfo.currentScreen, panel);
    ASSERT_GE(journal.count, 1);
    EXPECT_EQ(journal.records[0].control, screen);
    EXPECT_EQ(journal.records[0].call, contract::kOpen) << "the host opened the module screen";

    // Commands through the panel's slot 6, called by the module's compiler.
    EXPECT_EQ(module->notifyHost(panel, screen, 100, 0), 0);
    EXPECT_EQ(host::InputRoot, screen);
    EXPECT_EQ(module->notifyHost(panel, nullptr, 101, 0), int32_t(reinterpret_cast<intptr_t>(screen)));
    EXPECT_EQ(module->notifyHost(panel, screen, 102, 0), 0);
    EXPECT_EQ(host::BackgroundClear, 0u);
    EXPECT_EQ(module->notifyHost(panel, screen, 104, 20), 0);
    EXPECT_EQ(host::FrameInterval, 20u);

    contract::ConnectionState seen{};
    seen.journal = &journal;
    Connection* connection = module->createModuleConnection(host::NetworkManager, 0x4444, 0, 1, &seen);
    ASSERT_EQ(host::NetworkManager->Find(0x4444), connection);

    journal.count = 0;
    ShutdownApplication();
    EXPECT_EQ(host::DrawRoot, nullptr);
    EXPECT_EQ(host::InputRoot, nullptr);
    EXPECT_EQ(host::AppInfo.currentScreen, nullptr);
    EXPECT_EQ(host::NetworkManager, nullptr);
    ASSERT_EQ(journal.count, 2);
    EXPECT_EQ(journal.records[0].control, screen);
    EXPECT_EQ(journal.records[0].call, contract::kDestroy) << "the module screen goes first, through slot 0";
    EXPECT_EQ(state.destructions, 1);
    EXPECT_EQ(journal.records[1].control, connection) << "then the manager deletes the module's connection";
    EXPECT_EQ(seen.destructions, 1);
    // ShutdownApplication posted the quit message; this process goes on.
    MSG quit;
    PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

}  // namespace
