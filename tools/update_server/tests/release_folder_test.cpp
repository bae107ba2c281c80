// The release folder as the host will see it: symbolic links, names the host refuses, and the
// warnings an operator gets about files the host cannot use as intended.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "release_file_system.h"
#include "release_folder.h"
#include "server_fixture.h"

namespace fs = std::filesystem;

namespace {

constexpr int64_t kReleaseTime = 1700000000;

class ReleaseFolderTest : public ::testing::Test {
  protected:
    ReleaseFolderTest() {
        char pattern[] = "/tmp/release_folder_test.XXXXXX";
        root_ = ::mkdtemp(pattern);
        release = root_ / "release";
        fs::create_directories(release);
    }
    ~ReleaseFolderTest() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    ReleaseFolder Folder(const fs::path& path, bool followOutsideLinks = false) {
        return ReleaseFolder(path.string(), files_, followOutsideLinks,
                             [this](const std::string& text) { warnings.push_back(text); });
    }

    static std::set<std::string> Served(const ReleaseFolder& folder) {
        std::set<std::string> names;
        for (const ReleaseFile& file : folder.Snapshot()->files)
            names.insert(file.folder + "/" + file.name);
        return names;
    }

    size_t WarningsWith(const std::string& text) const {
        return size_t(std::count_if(warnings.begin(), warnings.end(),
                                    [&](const std::string& w) { return w.find(text) != std::string::npos; }));
    }

    fs::path Root() const { return root_; }

    fs::path release;
    std::vector<std::string> warnings;

  private:
    fs::path root_;
    PosixReleaseFileSystem files_;
};

TEST_F(ReleaseFolderTest, LinksLeadingOutsideAreServedOnlyWhenAllowed) {
    // The folder served is itself a link to the release (as when operators switch releases by
    // relinking); links inside it are judged against where it really is. The folder outside shares
    // the release folder's name as its prefix.
    const fs::path outside = Root() / "release-old";
    WriteFile(release / "Real.txt", Pattern(10, 1));
    WriteFile(release / "D1" / "Plain.txt", Pattern(10, 2));
    WriteFile(outside / "Secret.txt", Pattern(10, 3));
    WriteFile(outside / "Dir" / "F.txt", Pattern(10, 4));
    fs::create_symlink("Real.txt", release / "Inside.txt");
    fs::create_symlink("../release-old/Secret.txt", release / "Outside.txt");
    fs::create_symlink(outside / "Dir", release / "OutDir");
    fs::create_symlink("../Real.txt", release / "D1" / "In.txt");
    fs::create_symlink("../../release-old/Secret.txt", release / "D1" / "Out.txt");
    fs::create_symlink("Missing.txt", release / "Dangling.txt");
    fs::create_symlink(release, Root() / "current");

    const std::set<std::string> alwaysServed = {"./Inside.txt", "./Real.txt", "D1/In.txt", "D1/Plain.txt"};
    const std::set<std::string> outsideLinks = {"./Outside.txt", "D1/Out.txt", "OutDir/F.txt"};
    for (const bool follow : {false, true}) {
        SCOPED_TRACE(follow ? "--follow-outside-links" : "default");
        warnings.clear();
        ReleaseFolder folder = Folder(Root() / "current", follow);
        ASSERT_TRUE(folder.Rescan());
        std::set<std::string> expected = alwaysServed;
        if (follow) expected.insert(outsideLinks.begin(), outsideLinks.end());
        EXPECT_EQ(Served(folder), expected);
        const size_t refused = follow ? 0 : 1;
        EXPECT_EQ(WarningsWith("file ./Outside.txt left out: a symbolic link leading outside"), refused);
        EXPECT_EQ(WarningsWith("file D1/Out.txt left out: a symbolic link leading outside"), refused);
        EXPECT_EQ(WarningsWith("folder OutDir left out: a symbolic link leading outside"), refused);
        EXPECT_EQ(WarningsWith("Inside.txt"), 0u);
        EXPECT_EQ(WarningsWith("In.txt left out"), 0u);
    }
}

TEST_F(ReleaseFolderTest, NamesTheHostRefusesAreLeftOutWithAWarning) {
    const std::vector<std::string> refusedFiles = {
        "CON", "nul.txt", "Com1.dat", "LPT\xB9", "Aux .log", "Trailing.", "Trailing ", "x|y", "Tab\tName",
    };
    for (const std::string& name : refusedFiles)
        WriteFile(release / name, Pattern(5, 1));
    WriteFile(release / "PRN" / "Inside.txt", Pattern(5, 2));
    WriteFile(release / "Folder." / "Inside.txt", Pattern(5, 3));
    WriteFile(release / std::string(64, 'L'), Pattern(5, 4));
    // Near misses the host takes.
    WriteFile(release / "CONSOLE.txt", Pattern(5, 5));
    WriteFile(release / "COM0", Pattern(5, 6));
    WriteFile(release / "Sub" / "Ok.txt", Pattern(5, 7));

    ReleaseFolder folder = Folder(release);
    ASSERT_TRUE(folder.Rescan());
    EXPECT_EQ(Served(folder), (std::set<std::string>{"./CONSOLE.txt", "./COM0", "Sub/Ok.txt"}));
    for (const std::string& name : refusedFiles)
        EXPECT_EQ(WarningsWith("file ./" + name + " left out: the host refuses its name"), 1u) << name;
    EXPECT_EQ(WarningsWith("folder PRN left out: the host refuses its name"), 1u);
    EXPECT_EQ(WarningsWith("folder Folder. left out: the host refuses its name"), 1u);
    EXPECT_EQ(WarningsWith("file ./" + std::string(64, 'L') + " left out: its name is too long"), 1u);
    EXPECT_EQ(warnings.size(), refusedFiles.size() + 3);

    // The same problems again say nothing new; a new one repeats the whole list.
    warnings.clear();
    ASSERT_TRUE(folder.Rescan());
    EXPECT_TRUE(warnings.empty());
    WriteFile(release / "AUX.cfg", Pattern(5, 8));
    ASSERT_TRUE(folder.Rescan());
    EXPECT_EQ(WarningsWith("file ./AUX.cfg left out: the host refuses its name"), 1u);
    EXPECT_EQ(warnings.size(), refusedFiles.size() + 4);
}

TEST_F(ReleaseFolderTest, EmptyFilesAndAChangedHostProgramAreReportedOnce) {
    WriteFile(release / "Tidemarch.exe", Pattern(100, 1));
    SetWriteTime(release / "Tidemarch.exe", kReleaseTime, 0);
    WriteFile(release / "Empty.cfg", {});
    WriteFile(release / "Tools" / "Tidemarch.exe", Pattern(50, 2));

    ReleaseFolder folder = Folder(release);
    ASSERT_TRUE(folder.Rescan());
    EXPECT_EQ(WarningsWith("file ./Empty.cfg is empty: a client that has a non-empty copy keeps it"), 1u);
    // What the hosts run is unknown at the first look: nothing has changed yet.
    EXPECT_EQ(WarningsWith("changed"), 0u);
    EXPECT_EQ(Served(folder).count("./Empty.cfg"), 1u);

    warnings.clear();
    ASSERT_TRUE(folder.Rescan());
    EXPECT_TRUE(warnings.empty());

    struct Step {
        const char* what;
        fs::path path;
        size_t size;
        int64_t time;
        const char* warning;  // null: no warning about the host program
    };
    const Step steps[] = {
        {"a new time", release / "Tidemarch.exe", 100, kReleaseTime + 60, "file ./Tidemarch.exe changed"},
        {"a new size", release / "Tidemarch.exe", 120, kReleaseTime + 60, "file ./Tidemarch.exe changed"},
        {"another folder's program", release / "Tools" / "Tidemarch.exe", 70, kReleaseTime, nullptr},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        warnings.clear();
        WriteFile(fs::path(step.path.string() + ".new"), Pattern(step.size, 3));
        SetWriteTime(step.path.string() + ".new", step.time, 0);
        fs::rename(step.path.string() + ".new", step.path);
        ASSERT_TRUE(folder.Rescan());
        EXPECT_EQ(WarningsWith("never replace their own program"), step.warning ? 1u : 0u);
        if (step.warning) {
            EXPECT_EQ(WarningsWith(step.warning), 1u);
        }
        warnings.clear();
        ASSERT_TRUE(folder.Rescan());
        EXPECT_TRUE(warnings.empty());
    }

    // The host's file system ignores case: a program under another spelling replaces it too.
    warnings.clear();
    fs::remove(release / "Tidemarch.exe");
    WriteFile(release / "TIDEMARCH.EXE", Pattern(130, 4));
    ASSERT_TRUE(folder.Rescan());
    EXPECT_EQ(WarningsWith("file ./TIDEMARCH.EXE changed"), 1u);

    // Without a program in the release folder, programs elsewhere are nobody's concern.
    warnings.clear();
    fs::remove(release / "TIDEMARCH.EXE");
    ASSERT_TRUE(folder.Rescan());
    WriteFile(release / "Tools" / "Tidemarch.exe", Pattern(90, 5));
    ASSERT_TRUE(folder.Rescan());
    EXPECT_EQ(WarningsWith("never replace their own program"), 0u);
}

}  // namespace
