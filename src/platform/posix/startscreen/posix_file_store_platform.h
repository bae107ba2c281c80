#pragma once
// The update's file store on a POSIX file system, below a root folder that stands for the
// program folder. Calendar times are UTC; the creation time has no place here, so only the
// access and write times are set.
#include <string>

#include "startscreen/file_store_platform.h"

class PosixFileStorePlatform final : public FileStorePlatform {
  public:
    explicit PosixFileStorePlatform(std::string root) : root_(std::move(root)) {}

    bool ListFolder(const std::string& folder, std::vector<FileStoreEntry>* entries) override;
    bool MakeFolder(const std::string& name) override;
    bool CreateOrKeepFile(const std::string& path) override;
    WriteOutcome WriteChunk(const std::string& path, uint32_t offset, const uint8_t* data, uint32_t length,
                            const CalendarTime& time) override;
    bool IsRunningProgram(const std::string& folder, const std::string& name) override;
    bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes) override;
    bool RemoveFile(const std::string& path) override;

    // The file that plays the running program ("." and a name); none by default.
    void SetRunningProgram(std::string name) { runningProgram_ = std::move(name); }
    // The next chunk write fails after its file was opened, as on a full disk.
    void FailNextWrite() { failNextWrite_ = true; }

  private:
    std::string Full(const std::string& path) const { return root_ + "/" + path; }

    std::string root_;
    std::string runningProgram_;
    bool failNextWrite_ = false;
};
