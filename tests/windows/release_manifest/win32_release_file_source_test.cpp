#include "platform/win32/release_manifest/win32_release_file_source.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// A scratch folder made the current directory, as the program folder is for the host.
class Win32ReleaseFileSourceTest : public testing::Test {
  protected:
    void SetUp() override {
        char base[MAX_PATH] = {};
        GetCurrentDirectoryA(sizeof base, base);
        previous_ = base;
        folder_ = previous_ + "\\release_source_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
        ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
        CreateDirectoryA("SPR", nullptr);
    }
    void TearDown() override {
        DeleteFileA("SPR\\Demo.SPR");
        RemoveDirectoryA("SPR");
        DeleteFileA("Main.dll");
        SetCurrentDirectoryA(previous_.c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    static void Put(const char* path, const std::string& bytes) {
        HANDLE file =
            CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
        CloseHandle(file);
    }
    static std::string ReadAll(ReleaseFileReader& reader, size_t piece) {
        std::string text;
        std::string buffer(piece, '\0');
        size_t got = 1;
        while (got != 0) {
            EXPECT_TRUE(reader.Read(reinterpret_cast<uint8_t*>(buffer.data()), buffer.size(), &got));
            text.append(buffer, 0, got);
        }
        return text;
    }

    std::string previous_, folder_;
    Win32ReleaseFileSource source_;
};

TEST_F(Win32ReleaseFileSourceTest, ReadsAFileOfAFolderWithItsSizeInPieces) {
    const std::string content(100000, 'q');
    Put("SPR\\Demo.SPR", content);
    std::unique_ptr<ReleaseFileReader> reader;
    ASSERT_EQ(source_.Open("SPR/Demo.SPR", &reader), ReleaseFileSource::Opened::Yes);
    EXPECT_EQ(reader->Size(), content.size());
    EXPECT_EQ(ReadAll(*reader, 65536), content);
}

TEST_F(Win32ReleaseFileSourceTest, TellsAMissingFileFromAnUnreadableOne) {
    std::unique_ptr<ReleaseFileReader> reader;
    EXPECT_EQ(source_.Open("Main.dll", &reader), ReleaseFileSource::Opened::Missing);
    EXPECT_EQ(source_.Open("Nowhere/Main.dll", &reader), ReleaseFileSource::Opened::Missing);
    EXPECT_EQ(source_.Open("SPR", &reader), ReleaseFileSource::Opened::Unreadable) << "a folder is no file";
    // A file someone holds open for writing without sharing cannot be checked.
    HANDLE held =
        CreateFileA("Main.dll", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(source_.Open("Main.dll", &reader), ReleaseFileSource::Opened::Unreadable);
    CloseHandle(held);
    EXPECT_EQ(source_.Open("Main.dll", &reader), ReleaseFileSource::Opened::Yes);
}

TEST_F(Win32ReleaseFileSourceTest, NobodyWritesAFileWhileItIsChecked) {
    Put("Main.dll", "module");
    std::unique_ptr<ReleaseFileReader> reader;
    ASSERT_EQ(source_.Open("Main.dll", &reader), ReleaseFileSource::Opened::Yes);
    HANDLE writer = CreateFileA("Main.dll", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    reader.reset();
}

}  // namespace
