#include "update_client/file_list.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/posix/update_client/posix_file_store_platform.h"
#include "program_folder_fixture.h"

namespace {

using FileList = ProgramFolderTest;

std::vector<std::string> Paths(const std::vector<FileRecord>& records) {
    std::vector<std::string> paths;
    for (const FileRecord& record : records)
        paths.push_back(std::string(record.folder) + "/" + record.name);
    return paths;
}

TEST_F(FileList, ProgramFolderFilesThenFilesOneFolderDown) {
    Put("A1", std::string(10, 'a'));
    Put("A2", std::string(2000, 'b'));
    Put("D1/B1", "bb");
    Put("D1/deeper/C1", "not listed");
    Put(".hidden", "x");
    Put("D1/.dotfile", "x");
    Put(".dotfolder/F", "x");
    PosixFileStorePlatform files(root_.string());

    const std::vector<FileRecord> records = CollectFileList(files);
    std::vector<std::string> paths = Paths(records);
    ASSERT_EQ(paths.size(), 3u);
    // Folder entries come after all files of the program folder, whatever the listing order.
    EXPECT_EQ(paths[2], "D1/B1");
    std::sort(paths.begin(), paths.begin() + 2);
    EXPECT_EQ(paths[0], "./A1");
    EXPECT_EQ(paths[1], "./A2");

    for (const FileRecord& record : records) {
        const std::string path = std::string(record.folder) + "/" + record.name;
        EXPECT_EQ(record.size, std::filesystem::file_size(root_ / path)) << path;
        EXPECT_EQ(record.reserved, 0u);
        EXPECT_GE(record.lastWrite.year, 2020) << path;
        // The rest of each name field is zero, so the record bytes do not leak memory.
        EXPECT_EQ(std::count(record.name + std::strlen(record.name), record.name + 64, '\0'),
                  64 - long(std::strlen(record.name)));
    }
}

TEST_F(FileList, TimeAndSizeComeFromTheFileSystem) {
    Put("T", "12345");
    // 2019-07-14 13:05:09.250 UTC
    const timespec stamp[2] = {{1563109509, 250000000}, {1563109509, 250000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (root_ / "T").c_str(), stamp, 0), 0);
    PosixFileStorePlatform files(root_.string());
    const std::vector<FileRecord> records = CollectFileList(files);
    ASSERT_EQ(records.size(), 1u);
    const CalendarTime expected{2019, 7, 0, 14, 13, 5, 9, 250};  // a Sunday
    EXPECT_EQ(records[0].lastWrite, expected);
    EXPECT_EQ(records[0].size, 5u);
}

TEST_F(FileList, EmptyFolderGivesNoRecords) {
    PosixFileStorePlatform files(root_.string());
    EXPECT_TRUE(CollectFileList(files).empty());
}

TEST_F(FileList, NamesWithoutRoomAndRecordsBeyondTheLimitAreLeftOut) {
    Put(std::string(63, 'k'), "kept");
    Put(std::string(64, 'l'), "too long");
    Put(std::string(64, 'F') + "/inside", "folder name too long");
    for (int i = 0; i < 2100; ++i)
        Put("many/" + std::to_string(i), "");
    PosixFileStorePlatform files(root_.string());
    const std::vector<FileRecord> records = CollectFileList(files);
    EXPECT_EQ(records.size(), kMaxListedRecords);
    EXPECT_EQ(records[0].name, std::string(63, 'k'));
    for (const FileRecord& record : records) {
        EXPECT_LT(std::strlen(record.name), 64u);
        EXPECT_LT(std::strlen(record.folder), 64u);
    }
}

TEST_F(FileList, AtMost128FoldersAreEntered) {
    for (int i = 0; i < 130; ++i)
        Put("d" + std::to_string(i) + "/f", "");
    PosixFileStorePlatform files(root_.string());
    EXPECT_EQ(CollectFileList(files).size(), kMaxListedFolders);
}

}  // namespace
