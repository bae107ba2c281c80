// The start screen's Windows file store and registry value, in a scratch folder made the
// current directory as the program folder is.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/update_client/win32_file_store_platform.h"
#include "platform/win32/startscreen/win32_registry_platform.h"
#include "update_client/file_list.h"
#include "update_client/update_transfer.h"

namespace {

class ScratchFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        GetCurrentDirectoryA(MAX_PATH, previous_);
        folder_ = std::string(temp) + "tidemarch_store_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
        ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
    }
    void TearDown() override {
        SetCurrentDirectoryA(previous_);
        std::string command = "cmd /c rmdir /s /q \"" + folder_ + "\"";
        (void)system(command.c_str());
    }
    static void Put(const char* path, const std::string& bytes) {
        HANDLE file =
            CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
        DWORD wrote = 0;
        WriteFile(file, bytes.data(), DWORD(bytes.size()), &wrote, nullptr);
        CloseHandle(file);
    }
    static std::string Get(const char* path) {
        HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return "<missing>";
        std::string bytes(GetFileSize(file, nullptr), '\0');
        DWORD got = 0;
        ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr);
        CloseHandle(file);
        return bytes;
    }

    char previous_[MAX_PATH] = {};
    std::string folder_;
};

using Win32FileStore = ScratchFolder;

TEST_F(Win32FileStore, ListsProgramFolderThenOneLevelDown) {
    Put("A1", "aaaa");
    Put("A2", "aa");
    ASSERT_TRUE(CreateDirectoryA("D1", nullptr));
    Put("D1\\B1", "b");
    ASSERT_TRUE(CreateDirectoryA("D1\\deeper", nullptr));
    Put("D1\\deeper\\C1", "c");
    Put(".hidden", "h");
    Win32FileStorePlatform files;
    std::vector<std::string> paths;
    for (const FileRecord& record : CollectFileList(files))
        paths.push_back(std::string(record.folder) + "/" + record.name + ":" + std::to_string(record.size));
    ASSERT_EQ(paths.size(), 3u);
    EXPECT_EQ(paths[2], "D1/B1:1");
    EXPECT_TRUE((paths[0] == "./A1:4" && paths[1] == "./A2:2") ||
                (paths[0] == "./A2:2" && paths[1] == "./A1:4"));
}

TEST_F(Win32FileStore, ChunkWritesAtOffsetEndsTheFileAndSetsTheThreeTimes) {
    Put("f", std::string(1000, 'o'));
    Win32FileStorePlatform files;
    const CalendarTime time{2021, 3, 2, 16, 8, 30, 45, 500};
    const uint8_t chunk[] = {'n', 'e', 'w'};
    ASSERT_EQ(files.WriteChunk("./f", 2, chunk, 3, time), FileStorePlatform::WriteOutcome::Written);
    // Held for the next chunk, unshared, until it is closed.
    EXPECT_EQ(Get("f"), "<missing>");
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    files.CloseChunkFile();
    EXPECT_EQ(Get("f"), std::string("oonew"));

    HANDLE file = CreateFileA("f", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME written{};
    GetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
    SYSTEMTIME parts{};
    FileTimeToSystemTime(&written, &parts);
    EXPECT_EQ(parts.wYear, 2021);
    EXPECT_EQ(parts.wMonth, 3);
    EXPECT_EQ(parts.wDay, 16);
    EXPECT_EQ(parts.wHour, 8);
    EXPECT_EQ(parts.wMinute, 30);
    EXPECT_EQ(parts.wSecond, 45);
    // Wine keeps no creation time on Unix file systems, and reading the file back above moved
    // its access time: only the write time can be compared here.

    std::vector<FileStoreEntry> entries;
    ASSERT_TRUE(files.ListFolder(".", &entries));
    for (const FileStoreEntry& entry : entries)
        if (entry.name == "f") {
            EXPECT_EQ(entry.lastWrite, time);
        }
}

// Chunks in any order leave what opening, writing, ending and dating the file for every chunk
// leaves, though the file is held open between them.
TEST_F(Win32FileStore, ChunksInAnyOrderLeaveWhatEachChunkEndingTheFileLeaves) {
    struct Written {
        uint32_t offset;
        std::string bytes;
    };
    struct Case {
        const char* what;
        std::string before;
        std::vector<Written> chunks;
    } cases[] = {
        {"in order over longer content", std::string(30, 'o'), {{0, "aaaa"}, {4, "bbbb"}, {8, "cc"}}},
        {"backwards", "", {{8, "cc"}, {4, "bbbb"}, {0, "aaaa"}}},
        {"the first again at the end", "", {{0, "aaaa"}, {4, "bbbb"}, {0, "AA"}}},
        {"a gap, then its filling", "", {{6, "gg"}, {2, "ff"}}},
        {"nothing, over old content", "old content", {{0, ""}}},
    };
    const CalendarTime time{2021, 3, 2, 16, 8, 30, 45, 500};
    Win32FileStorePlatform files;
    for (const Case& c : cases) {
        Put("f", c.before);
        std::string expected = c.before;
        for (const Written& chunk : c.chunks) {
            ASSERT_EQ(files.WriteChunk("./f", chunk.offset,
                                       reinterpret_cast<const uint8_t*>(chunk.bytes.data()),
                                       uint32_t(chunk.bytes.size()), time),
                      FileStorePlatform::WriteOutcome::Written)
                << c.what;
            expected.resize(std::max<size_t>(expected.size(), chunk.offset), '\0');
            expected.replace(chunk.offset, chunk.bytes.size(), chunk.bytes);
            expected.resize(chunk.offset + chunk.bytes.size());
        }
        // Listing closes the held file first and sees it dated.
        std::vector<FileStoreEntry> entries;
        ASSERT_TRUE(files.ListFolder(".", &entries));
        for (const FileStoreEntry& entry : entries)
            if (entry.name == "f") {
                EXPECT_EQ(entry.lastWrite, time) << c.what;
            }
        EXPECT_EQ(Get("f"), expected) << c.what;
    }
}

TEST_F(Win32FileStore, FileHeldAtDestructionIsClosedAndDated) {
    Put("f", "");
    const CalendarTime time{2021, 3, 2, 16, 8, 30, 45, 500};
    const uint8_t chunk[] = {'c', 'u', 't'};
    {
        Win32FileStorePlatform files;
        ASSERT_EQ(files.WriteChunk("./f", 0, chunk, 3, time), FileStorePlatform::WriteOutcome::Written);
    }
    EXPECT_EQ(Get("f"), "cut");
    Win32FileStorePlatform files;
    std::vector<FileStoreEntry> entries;
    ASSERT_TRUE(files.ListFolder(".", &entries));
    for (const FileStoreEntry& entry : entries)
        if (entry.name == "f") {
            EXPECT_EQ(entry.lastWrite, time);
        }
}

TEST_F(Win32FileStore, MissingFileCannotBeOpenedForAChunk) {
    Win32FileStorePlatform files;
    const uint8_t byte = 1;
    EXPECT_EQ(files.WriteChunk("./none", 0, &byte, 1, CalendarTime{}),
              FileStorePlatform::WriteOutcome::OpenFailed);
    EXPECT_TRUE(files.CreateOrKeepFile("./none"));
    EXPECT_TRUE(files.MakeFolder("Fresh"));
    EXPECT_TRUE(files.MakeFolder("Fresh"));
    EXPECT_TRUE(files.CreateOrKeepFile("Fresh/inside"));
    EXPECT_EQ(Get("Fresh\\inside"), "");
}

TEST_F(Win32FileStore, RunningProgramIsRecognisedWhateverTheSpelling) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string program(path);
    const std::string folder = program.substr(0, program.find_last_of('\\'));
    const std::string name = program.substr(program.find_last_of('\\') + 1);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    Win32FileStorePlatform files;
    EXPECT_TRUE(files.IsRunningProgram(".", name));
    std::string upper = name;
    for (char& c : upper)
        c = char(toupper(static_cast<unsigned char>(c)));
    EXPECT_TRUE(files.IsRunningProgram(".", upper));
    EXPECT_FALSE(files.IsRunningProgram(".", "not_the_program.exe"));
}

// The program recognises itself in a folder whose name the code page cannot spell, where no ANSI
// path reaches it: a copy of this test program is run from such a folder and checks there.
constexpr char kRunningCopySwitch[] = "TIDEMARCH_RUNNING_COPY_NAME";

TEST(Win32RunningProgram, IsRecognisedInAFolderWhoseNameTheCodePageCannotSpell) {
    if (const char* copyName = std::getenv(kRunningCopySwitch)) {
        Win32FileStorePlatform files;
        EXPECT_TRUE(files.IsRunningProgram(".", copyName));
        EXPECT_FALSE(files.IsRunningProgram(".", "not_the_program.exe"));
        return;
    }
    std::vector<wchar_t> self(32768);
    ASSERT_GT(GetModuleFileNameW(nullptr, self.data(), DWORD(self.size())), 0u);
    wchar_t temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring folder =
        std::wstring(temp) + L"tidemarch \u65E5\u672C\u8A9E " + std::to_wstring(GetCurrentProcessId());
    const std::wstring copy = folder + L"\\copy.exe";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(self.data(), copy.c_str(), FALSE));
    SetEnvironmentVariableA(kRunningCopySwitch, "copy.exe");
    std::wstring commandLine = L"copy.exe --gtest_filter=Win32RunningProgram.*";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                        folder.c_str(), &startup, &process);
    SetEnvironmentVariableA(kRunningCopySwitch, nullptr);
    DWORD exitCode = 1;
    if (started) {
        constexpr DWORD kCopyMilliseconds = 60000;
        EXPECT_EQ(WaitForSingleObject(process.hProcess, kCopyMilliseconds), WAIT_OBJECT_0);
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    DeleteFileW(copy.c_str());
    RemoveDirectoryW(folder.c_str());
    ASSERT_TRUE(started);
    EXPECT_EQ(exitCode, 0u) << "the copy did not recognise itself";
}

TEST(Win32Registry, ValueIsCreatedReadAndKeptWithItsKey) {
    const std::string key = "SOFTWARE\\Zeq\\TidemarchTest" + std::to_string(GetCurrentProcessId());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());  // left by an earlier run that did not finish
    Win32RegistryPlatform registry;
    std::string text;
    EXPECT_FALSE(registry.ReadText(key, "UpdateServer", &text));
    ASSERT_TRUE(registry.WriteText(key, "UpdateServer", "10.1.2.3"));
    ASSERT_TRUE(registry.ReadText(key, "UpdateServer", &text));
    EXPECT_EQ(text, "10.1.2.3");
    HKEY opened = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_ALL_ACCESS, &opened), ERROR_SUCCESS);

    // The longest value that fits the buffer with its terminator is read, not taken as missing.
    const std::string longest(Win32RegistryPlatform::kValueBuffer - 1, 'a');
    ASSERT_EQ(RegSetValueExA(opened, "UpdateServer", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(longest.c_str()), DWORD(longest.size() + 1)),
              ERROR_SUCCESS);
    ASSERT_TRUE(registry.ReadText(key, "UpdateServer", &text));
    EXPECT_EQ(text, longest);
    RegCloseKey(opened);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
}

}  // namespace
