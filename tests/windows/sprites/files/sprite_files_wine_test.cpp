// The loader's Windows parts: resources of the program module and files held through handles.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/memory/display/memory_surface_backend.h"
#include "sprites/files/sprite_file.h"

namespace {

std::string Fixture(const char* name) { return std::string(TIDEMARCH_SPRITE_FIXTURES) + "/" + name; }

// A private copy of a fixture, so that the test may delete it.
std::string CopyToTemp(const char* name) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    const std::string copy =
        std::string(folder) + "tidemarch-" + std::to_string(GetCurrentProcessId()) + "-" + name;
    EXPECT_TRUE(CopyFileA(Fixture(name).c_str(), copy.c_str(), FALSE));
    return copy;
}

class SpriteFilesOnWindows : public ::testing::Test {
  protected:
    MemoryDisplayScope display{2, 0xF800};
};

TEST_F(SpriteFilesOnWindows, LoadsAResourceOfTheProgramModule) {
    SpriteFile file("START", 1);
    ASSERT_EQ(file.head.spriteCount, 3);
    EXPECT_STREQ(file.name, "START");
    ASSERT_NE(file.sprites, nullptr);
    EXPECT_EQ(file.sprites[0]->width, 3);
    ASSERT_EQ(file.head.bundleCount, 2);
    EXPECT_EQ(file.bundles[0].frames[1], file.sprites[0]);
    EXPECT_EQ(file.fileHandle, nullptr);
}

TEST_F(SpriteFilesOnWindows, MissingOrForeignResourcesAreRefused) {
    struct Case {
        const char* name;
        const char* text;
    };
    const Case cases[] = {
        {"NOSUCHSPRITES", "Resource NOSUCHSPRITES : No SPR resource of this name"},
        {"NOTVERSION1", "File NOTVERSION1 : Version is different"},
    };
    for (const Case& c : cases) {
        SpriteLoadFailure failure;
        SpriteFile file;
        EXPECT_FALSE(file.Load(c.name, 1, failure));
        EXPECT_STREQ(failure.text(), c.text);
        EXPECT_EQ(file.sprites, nullptr);
    }
}

TEST_F(SpriteFilesOnWindows, AFileWithoutEffectsIsFreeAsSoonAsItIsLoaded) {
    const std::string path = CopyToTemp("v3_layout3.spr");
    SpriteFile file(path.c_str(), 0);
    ASSERT_EQ(file.head.spriteCount, 5);
    EXPECT_TRUE(DeleteFileA(path.c_str())) << "the loader has closed the file";
}

TEST_F(SpriteFilesOnWindows, AFileWithEffectsStaysOpenUntilItsSpritesGo) {
    const std::string path = CopyToTemp("v3_effects.spr");
    {
        SpriteFile file(path.c_str(), 0);
        ASSERT_EQ(file.head.effectCount, 4);
        ASSERT_NE(file.fileHandle, nullptr);
        EXPECT_FALSE(DeleteFileA(path.c_str())) << "streamed sounds may still read it";
    }
    EXPECT_TRUE(DeleteFileA(path.c_str()));
}

}  // namespace
