#pragma once
// The update's file store on a POSIX file system, below a root folder that stands for the
// program folder. Calendar times are UTC; the creation time has no place here, so only the
// access and write times are set. There are no share modes: a file held open for its chunks can
// be read meanwhile, one removed meanwhile takes the rest of its chunks with it, and a change of its
// length from outside is not seen by the chunks that follow.
#include <string>

#include "startscreen/chunk_file_extent.h"
#include "startscreen/file_store_platform.h"

class PosixFileStorePlatform final : public FileStorePlatform {
  public:
    explicit PosixFileStorePlatform(std::string root) : root_(std::move(root)) {}
    PosixFileStorePlatform(const PosixFileStorePlatform&) = delete;
    PosixFileStorePlatform& operator=(const PosixFileStorePlatform&) = delete;
    ~PosixFileStorePlatform() { CloseChunkFile(); }

    bool ListFolder(const std::string& folder, std::vector<FileStoreEntry>* entries) override;
    bool MakeFolder(const std::string& name) override;
    bool CreateOrKeepFile(const std::string& path) override;
    WriteOutcome WriteChunk(const std::string& path, uint32_t offset, const uint8_t* data, uint32_t length,
                            const CalendarTime& time) override;
    void CloseChunkFile() override;
    bool IsRunningProgram(const std::string& folder, const std::string& name) override;
    bool ReadWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>* bytes) override;
    bool RemoveFile(const std::string& path) override;

    // The file that plays the running program ("." and a name); none by default.
    void SetRunningProgram(std::string name) { runningProgram_ = std::move(name); }
    // The next chunk write fails after its file was opened, writing nothing, as on a full disk.
    void FailNextWrite() { failNextWrite_ = true; }
    // Whether a file is held open for the next chunk.
    bool HoldsChunkFile() const { return chunkFd_ >= 0; }

  private:
    std::string Full(const std::string& path) const { return root_ + "/" + path; }

    std::string root_;
    std::string runningProgram_;
    bool failNextWrite_ = false;
    // The file the chunk writes keep open; -1 when none is.
    int chunkFd_ = -1;
    std::string chunkPath_;
    ChunkFileExtent chunkExtent_;
    CalendarTime chunkTime_{};
    // A chunk was written through the open file, so closing it dates it.
    bool chunkWritten_ = false;
};
