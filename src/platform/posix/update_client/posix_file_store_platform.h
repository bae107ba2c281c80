#pragma once
// The update's file store on a POSIX file system, below a root folder that stands for the
// program folder. Calendar times are UTC; the creation time has no place here, so only the
// access and write times are set. There are no share modes: a file held open for its chunks can
// be read meanwhile, one removed meanwhile takes the rest of its chunks with it, and a change of its
// length from outside is not seen by the chunks that follow.
#include <string>

#include "update_client/chunk_writer.h"
#include "update_client/file_store_platform.h"

class PosixFileStorePlatform final : public FileStorePlatform {
  public:
    explicit PosixFileStorePlatform(std::string root) : root_(std::move(root)) {}
    PosixFileStorePlatform(const PosixFileStorePlatform&) = delete;
    PosixFileStorePlatform& operator=(const PosixFileStorePlatform&) = delete;
    ~PosixFileStorePlatform() { chunks_.Close(); }

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
    // Whether a file is held open for the next chunk.
    bool HoldsChunkFile() const { return chunks_.HoldsFile(); }

  private:
    std::string Full(const std::string& path) const { return root_ + "/" + path; }

    class PosixChunkFile final : public ChunkFile {
      public:
        explicit PosixChunkFile(const PosixFileStorePlatform& store) : store_(store) {}
        bool Open(const std::string& path) override;
        bool Seek(uint32_t offset) override;
        bool Write(const uint8_t* data, uint32_t length) override;
        void EndAt(uint64_t length) override;
        void Date(const CalendarTime& time) override;
        void Close() override;

      private:
        const PosixFileStorePlatform& store_;
        int fd_ = -1;
    };

    std::string root_;
    std::string runningProgram_;
    PosixChunkFile chunkFile_{*this};
    ChunkWriter chunks_{chunkFile_};
};
