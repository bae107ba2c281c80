// The host's own Direct3D setting under Wine, written in the prefix the tests run in under a
// program name of the test's own (removed again), and the late loading of DirectDraw that lets it
// take effect in the same run.
#include <windows.h>

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/display/directdraw_display_platform.h"
#include "platform/win32/wine/wine_direct3d_setting.h"

namespace {

// Where Wine looks, spelt out here rather than taken from the code under test.
std::string AppDefaultsKey(const std::string& program) { return "Software\\Wine\\AppDefaults\\" + program; }
std::string Direct3DKey(const std::string& program) { return AppDefaultsKey(program) + "\\Direct3D"; }

bool KeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

struct StoredValue {
    bool present = false;
    DWORD type = 0;
    std::string bytes;
};

StoredValue Read(const std::string& keyPath, const char* name) {
    StoredValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
    char buffer[64] = {};
    DWORD size = sizeof buffer;
    if (RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(buffer), &size) ==
        ERROR_SUCCESS) {
        value.present = true;
        value.bytes.assign(buffer, size);
    }
    RegCloseKey(key);
    return value;
}

void Write(const std::string& keyPath, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(key);
}

std::string DwordBytes(DWORD value) {
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

// A program name no other program of the prefix has, and its keys removed before and after.
class WineDirect3DSettingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(RunsUnderWine()) << "these tests run under Wine";
        program_ = "TidemarchSettingTest" + std::to_string(GetCurrentProcessId()) + ".exe";
        SHDeleteKeyA(HKEY_CURRENT_USER, AppDefaultsKey(program_).c_str());
    }
    void TearDown() override { SHDeleteKeyA(HKEY_CURRENT_USER, AppDefaultsKey(program_).c_str()); }

    std::string program_;
};

TEST_F(WineDirect3DSettingTest, WritesTheMissingValueUnderTheProgramsOwnKeyOnly) {
    const StoredValue globalBefore = Read("Software\\Wine\\Direct3D", "csmt");

    EXPECT_EQ(SettleWineDirect3D(program_, true), WineDirect3DSetting::Written);

    const StoredValue written = Read(Direct3DKey(program_), "csmt");
    ASSERT_TRUE(written.present);
    EXPECT_EQ(written.type, DWORD(REG_DWORD));
    EXPECT_EQ(written.bytes, DwordBytes(0));
    const StoredValue globalAfter = Read("Software\\Wine\\Direct3D", "csmt");
    EXPECT_EQ(globalAfter.present, globalBefore.present);
    EXPECT_EQ(globalAfter.bytes, globalBefore.bytes);
    // Later runs find it and leave it.
    EXPECT_EQ(SettleWineDirect3D(program_, true), WineDirect3DSetting::AlreadyPresent);
}

// What the prefix holds before the host starts, and what the host must leave or make of it.
struct Case {
    const char* name;
    DWORD type;        // 0: no value
    std::string data;  // the value's bytes
    WineDirect3DSetting outcome;
    DWORD expectedType;
    std::string expectedData;
};

TEST_F(WineDirect3DSettingTest, LeavesAValueThatIsThereAndKeepsTheKeysOtherValues) {
    const Case cases[] = {
        {"the key with other settings, no csmt", 0, "", WineDirect3DSetting::Written, REG_DWORD,
         DwordBytes(0)},
        {"the player turned the thread on", REG_DWORD, DwordBytes(1), WineDirect3DSetting::AlreadyPresent,
         REG_DWORD, DwordBytes(1)},
        {"the installer's value", REG_DWORD, DwordBytes(0), WineDirect3DSetting::AlreadyPresent, REG_DWORD,
         DwordBytes(0)},
        {"a value of another type", REG_SZ, std::string("enabled\0", 8), WineDirect3DSetting::AlreadyPresent,
         REG_SZ, std::string("enabled\0", 8)},
    };
    const std::string renderer = "gdi";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SHDeleteKeyA(HKEY_CURRENT_USER, AppDefaultsKey(program_).c_str());
        Write(Direct3DKey(program_), "renderer", REG_SZ, renderer.c_str(), DWORD(renderer.size() + 1));
        if (c.type) Write(Direct3DKey(program_), "csmt", c.type, c.data.data(), DWORD(c.data.size()));

        EXPECT_EQ(SettleWineDirect3D(program_, true), c.outcome);

        const StoredValue csmt = Read(Direct3DKey(program_), "csmt");
        ASSERT_TRUE(csmt.present);
        EXPECT_EQ(csmt.type, c.expectedType);
        EXPECT_EQ(csmt.bytes, c.expectedData);
        EXPECT_EQ(Read(Direct3DKey(program_), "renderer").bytes, renderer + '\0');
    }
}

TEST_F(WineDirect3DSettingTest, WritesNothingOutsideWineOrForANameThatIsNoFileName) {
    EXPECT_EQ(SettleWineDirect3D(program_, false), WineDirect3DSetting::NotUnderWine);
    EXPECT_FALSE(KeyExists(AppDefaultsKey(program_)));

    // A separator would reach another program's key, or the AppDefaults key itself.
    const std::string escaping = program_ + "\\Direct3D";
    for (const std::string& name : {std::string(), escaping, "..\\" + program_, program_ + "/x.exe"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(SettleWineDirect3D(name, true), WineDirect3DSetting::NotWritten);
    }
    EXPECT_FALSE(KeyExists(AppDefaultsKey(program_)));
    EXPECT_FALSE(Read("Software\\Wine\\AppDefaults\\Direct3D", "csmt").present);
}

TEST(WineProgramName, IsTheRunningExecutablesFileName) {
    EXPECT_STRCASEEQ(OwnProgramFileName().c_str(), "wine_settings_test.exe");
}

// Wine's Direct3D layer reads the setting when it is loaded, which DirectDraw brings in: the
// program must not load DirectDraw before its display device is made.
TEST(DirectDrawLoading, WaitsForTheFirstDisplayDevice) {
    ASSERT_EQ(GetModuleHandleA("ddraw.dll"), nullptr) << "ddraw.dll was loaded with the program";
    DirectDrawDisplayPlatform display;
    ASSERT_GE(display.CreateDevice(), 0);
    EXPECT_NE(GetModuleHandleA("ddraw.dll"), nullptr);
    EXPECT_TRUE(display.ReleaseDevice());
}

}  // namespace
