#pragma once
// A fresh folder that plays the program folder, removed after the test. Its name holds the
// process id, so runs of the same test from several build trees at once do not meet.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class ProgramFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        base_ =
            std::filesystem::temp_directory_path() / ("tidemarch_" + std::string(info->test_suite_name()) +
                                                      "_" + info->name() + "_" + std::to_string(::getpid()));
        std::filesystem::remove_all(base_);
        root_ = base_ / "program";
        std::filesystem::create_directories(root_);
    }
    void TearDown() override { std::filesystem::remove_all(base_); }

    void Put(const std::string& path, const std::string& bytes) const {
        std::filesystem::create_directories((root_ / path).parent_path());
        std::ofstream(root_ / path, std::ios::binary) << bytes;
    }
    std::string Get(const std::string& path) const {
        std::ifstream in(root_ / path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    bool Exists(const std::string& path) const { return std::filesystem::exists(root_ / path); }

    // Holds the program folder; things the server must never reach go beside it.
    std::filesystem::path base_;
    std::filesystem::path root_;
};
