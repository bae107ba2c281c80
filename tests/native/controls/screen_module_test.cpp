// The screen-module loader with libraries that live in this process: which exports it needs,
// what it hands the module, and that a library it cannot use is freed again and never called.
#include "screen_module/screen_module.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "controls/control.h"
#include "display/display_format.h"
#include "host/host_globals.h"
#include "host_globals_scope.h"
#include "platform/memory/controls/memory_screen_module_platform.h"
#include "sound/sound_device.h"

namespace {

// What the fake modules received, in order.
struct ModuleJournal {
    std::vector<std::string> calls;
    EngineInfo engine{};
    int32_t first = -1;
    Control* parent = nullptr;
    void* third = nullptr;
    Control* screen = nullptr;
};
ModuleJournal gJournal;

int32_t RecordInitEngine(EngineInfo* info) {
    gJournal.calls.push_back("InitKTZDLL");
    std::memcpy(&gJournal.engine, info, sizeof *info);
    return 0x5A5A;
}

Control* RecordAllocScreen(int32_t first, Control* parent, void* third) {
    gJournal.calls.push_back("AllocScreen");
    gJournal.first = first;
    gJournal.parent = parent;
    gJournal.third = third;
    return gJournal.screen;
}

const void* kInitEngine = ExportAddress(&RecordInitEngine);
const void* kAllocScreen = ExportAddress(&RecordAllocScreen);

class ScreenModuleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        gJournal = ModuleJournal{};
        libraries.Add("Main.dll", {{"InitKTZDLL", const_cast<void*>(kInitEngine)},
                                   {"AllocScreen", const_cast<void*>(kAllocScreen)}});
    }
    MemoryScreenModulePlatform libraries;
};

TEST_F(ScreenModuleTest, LoadHandsOverTheEngineAndKeepsPathAndFactory) {
    ScreenModule loader(libraries, "Main.dll");
    EXPECT_EQ(loader.LastFailure(), ModuleLoadFailure::None);
    EXPECT_STREQ(loader.path, "Main.dll");
    EXPECT_NE(loader.library, nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(loader.screenFactory), kAllocScreen);
    EXPECT_THAT(gJournal.calls, ::testing::ElementsAre("InitKTZDLL"))
        << "the engine state is the first call into a module, before any screen";

    Control parent(nullptr, 0, 0, 0, 0, 64);
    Control screen(nullptr, 0, 0, 0, 0, 64);
    gJournal.screen = &screen;
    char third[4];
    EXPECT_EQ(loader.AllocScreen(7, &parent, third), &screen);
    EXPECT_EQ(gJournal.first, 7);
    EXPECT_EQ(gJournal.parent, &parent);
    EXPECT_EQ(gJournal.third, third);

    loader.DeletingDestructor(0);
    EXPECT_EQ(libraries.LoadedCount("Main.dll"), 1) << "a loaded module stays loaded";
}

TEST_F(ScreenModuleTest, FailuresLeaveNothingLoadedAndCallOnlyWhatTheyMust) {
    const std::string longName(63, 'm');
    libraries.Add("NoInit.dll", {{"AllocScreen", const_cast<void*>(kAllocScreen)}});
    libraries.Add("NoFactory.dll", {{"InitKTZDLL", const_cast<void*>(kInitEngine)}});
    libraries.Add(longName, {{"InitKTZDLL", const_cast<void*>(kInitEngine)}});
    struct Case {
        const char* path;
        ModuleLoadFailure failure;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {nullptr, ModuleLoadFailure::NoPath, {}},
        {"Missing.dll", ModuleLoadFailure::NotLoadable, {}},
        {"NoInit.dll", ModuleLoadFailure::NoInitEngine, {}},
        {"NoFactory.dll", ModuleLoadFailure::NoScreenFactory, {"InitKTZDLL"}},
        // 63 characters fit the path field with its terminator; this one only lacks a factory.
        {longName.c_str(), ModuleLoadFailure::NoScreenFactory, {"InitKTZDLL"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path ? c.path : "(null)");
        gJournal = ModuleJournal{};
        ScreenModule loader(libraries);
        EXPECT_EQ(loader.Load(c.path), 0);
        EXPECT_EQ(loader.LastFailure(), c.failure);
        EXPECT_EQ(loader.library, nullptr);
        EXPECT_EQ(loader.screenFactory, nullptr);
        EXPECT_STREQ(loader.path, "");
        EXPECT_EQ(loader.AllocScreen(0, nullptr, nullptr), nullptr);
        EXPECT_EQ(gJournal.calls, c.calls) << "AllocScreen of an empty loader calls nothing";
        if (c.path) {
            EXPECT_EQ(libraries.LoadedCount(c.path), 0) << "a library the loader cannot use is freed";
        }
    }
}

TEST_F(ScreenModuleTest, PathThatCannotFitIsRefusedBeforeLoading) {
    const std::string tooLong = std::string(60, 'a') + ".dll";
    libraries.Add(tooLong, {{"InitKTZDLL", const_cast<void*>(kInitEngine)},
                            {"AllocScreen", const_cast<void*>(kAllocScreen)}});
    ScreenModule loader(libraries, tooLong.c_str());
    EXPECT_EQ(loader.LastFailure(), ModuleLoadFailure::PathTooLong);
    EXPECT_EQ(libraries.LoadsOf(tooLong), 0);
    EXPECT_TRUE(gJournal.calls.empty());
}

TEST_F(ScreenModuleTest, LoadingAgainAfterAFailureSucceeds) {
    ScreenModule loader(libraries, "Missing.dll");
    ASSERT_EQ(loader.LastFailure(), ModuleLoadFailure::NotLoadable);
    EXPECT_EQ(loader.Load("Main.dll"), 1);
    EXPECT_EQ(loader.LastFailure(), ModuleLoadFailure::None);
    EXPECT_STREQ(loader.path, "Main.dll");
}

// Every field of the engine record comes from the global it names, as it stands at the load;
// every byte the host has nothing for is zero.
TEST_F(ScreenModuleTest, EngineInfoIsFilledFromTheGlobalsOfTheMoment) {
    HostGlobalsScope globals;
    const DisplayFormat savedFormat = gDisplayFormat;
    const ChannelMasks savedMasks = gChannelMasks;
    auto fake = [](uintptr_t value) { return reinterpret_cast<void*>(value); };
    host::HostWindow = fake(0x1001);
    host::InstanceHandle = fake(0x1002);
    host::DirectDrawObject = fake(0x1004);
    host::CooperativeLevel = 19;
    host::Display = static_cast<Display*>(fake(0x1008));
    host::RootControl = static_cast<RootControl*>(fake(0x1010));
    host::MouseCursor = static_cast<Control*>(fake(0x1020));
    sound::Effects3D = 1;
    sound::Device8 = fake(0x2001);
    sound::FallbackDevice = fake(0x2002);
    sound::PrimaryBuffer = fake(0x2004);
    sound::Listener = static_cast<SoundListener*>(fake(0x2008));
    sound::LiveObjects = 17;
    gDisplayFormat = DisplayFormat{0x00800000u | 0x4000000u, 1024, 768, 2, 2048, 2048 * 768};
    gChannelMasks = ChannelMasks{0x1111, 0x2222, 0x3333, 0x4444, 0x5555, 0x6666, 0x7777};

    {
        ScreenModule loader(libraries, "Main.dll");
        // Changes after the load reach the module only through a new record.
        host::HostWindow = fake(0x9999);
        sound::LiveObjects = 18;
    }
    const EngineInfo& e = gJournal.engine;
    struct Field {
        const char* name;
        uint64_t seen;
        uint64_t expected;
    };
    auto bits = [](const void* p) { return uint64_t(reinterpret_cast<uintptr_t>(p)); };
    const Field fields[] = {
        {"window (0)", bits(e.hostWindow), 0x1001},
        {"instance (4)", bits(e.instanceHandle), 0x1002},
        {"feature word (8)", e.featureWord, 0x04800000},
        {"DirectDraw (12)", bits(e.directDraw), 0x1004},
        {"unset (16)", e.unsetGlobal16, 0},
        {"3D switch (20)", e.effects3D, 1},
        {"unset (21)", uint64_t(e.unsetBytes21[0]) | e.unsetBytes21[1] | e.unsetBytes21[2], 0},
        {"DirectSound 8 (24)", bits(e.soundDevice8), 0x2001},
        {"DirectSound (28)", bits(e.fallbackSoundDevice), 0x2002},
        {"primary buffer (32)", bits(e.primarySoundBuffer), 0x2004},
        {"listener (36)", bits(e.soundListener), 0x2008},
        {"unset (40)", e.unsetGlobal40, 0},
        {"unset (44)", e.unsetGlobal44, 0},
        {"live sounds (48)", uint64_t(e.liveSoundObjects), 17},
        {"cooperative level (52)", e.cooperativeLevel, 19},
        {"width (56)", uint64_t(e.screenWidth), 1024},
        {"height (60)", uint64_t(e.screenHeight), 768},
        {"bytes per pixel (64)", uint64_t(e.bytesPerPixel), 2},
        {"row bytes (68)", uint64_t(e.rowBytes), 2048},
        {"frame bytes (72)", uint64_t(e.frameBytes), 2048 * 768},
        {"red lanes (76)", e.channelMasks.redLanes, 0x1111},
        {"green lanes (84)", e.channelMasks.greenLanes, 0x2222},
        {"blue lanes (92)", e.channelMasks.blueLanes, 0x3333},
        {"pair mask A (100)", e.channelMasks.pairMaskA, 0x4444},
        {"pair mask B (108)", e.channelMasks.pairMaskB, 0x5555},
        {"red-blue lanes (116)", e.channelMasks.redBlueLanes, 0x6666},
        {"green lanes 2 (124)", e.channelMasks.greenLanes2, 0x7777},
        {"Display (132)", bits(e.display), 0x1008},
        {"RootControl (136)", bits(e.rootControl), 0x1010},
        {"mouse cursor (460)", bits(e.mouseCursor), 0x1020},
    };
    for (const Field& field : fields)
        EXPECT_EQ(field.seen, field.expected) << field.name;
    EXPECT_THAT(e.unwritten, ::testing::Each(0)) << "the 320 bytes from offset 140";

    // A module built from the engine's code takes the record back into its own globals.
    host::HostWindow = host::InstanceHandle = host::DirectDrawObject = nullptr;
    gDisplayFormat = DisplayFormat{};
    gChannelMasks = ChannelMasks{};
    sound::LiveObjects = 0;
    AdoptEngineInfo(e);
    EngineInfo again;
    FillEngineInfo(again);
    EXPECT_EQ(std::memcmp(&again, &e, sizeof e), 0)
        << "adopting the record gives back the globals it came from";

    gDisplayFormat = savedFormat;
    gChannelMasks = savedMasks;
    sound::Effects3D = 0;
    sound::Device8 = sound::FallbackDevice = sound::PrimaryBuffer = nullptr;
    sound::Listener = nullptr;
    sound::LiveObjects = 0;
}

TEST(ModuleLoadFailureText, NamesWhatIsMissing) {
    EXPECT_THAT(DescribeModuleLoadFailure(ModuleLoadFailure::NoInitEngine),
                ::testing::HasSubstr("\"InitKTZDLL\""));
    EXPECT_THAT(DescribeModuleLoadFailure(ModuleLoadFailure::NoScreenFactory),
                ::testing::HasSubstr("\"AllocScreen\""));
    EXPECT_THAT(DescribeModuleLoadFailure(ModuleLoadFailure::NotLoadable),
                ::testing::HasSubstr("could not be loaded"));
}

}  // namespace
