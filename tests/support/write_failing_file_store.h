#pragma once
// A file store that passes every call to the store it wraps, except that a chunk write can be
// made to fail once, as a full disk fails a write to a file that opened: nothing is written,
// the file held open for chunks is closed (dated when earlier chunks were written through it)
// and the write reports WriteFailed.
#include <string>
#include <vector>

#include "update_client/file_store_platform.h"

class WriteFailingFileStore final : public FileStorePlatform {
  public:
    explicit WriteFailingFileStore(FileStorePlatform& store) : store_(store) {}

    void FailNextWrite() { failNextWrite_ = true; }

    bool ListFolder(const std::string& folder, std::vector<FileStoreEntry>* entries) override {
        return store_.ListFolder(folder, entries);
    }
    bool MakeFolder(const std::string& name) override { return store_.MakeFolder(name); }
    bool CreateOrKeepFile(const std::string& path) override { return store_.CreateOrKeepFile(path); }
    WriteOutcome WriteChunk(const std::string& path, uint32_t offset, const uint8_t* data, uint32_t length,
                            const CalendarTime& time) override {
        if (!failNextWrite_) return store_.WriteChunk(path, offset, data, length, time);
        failNextWrite_ = false;
        store_.CloseChunkFile();
        return WriteOutcome::WriteFailed;
    }
    void CloseChunkFile() override { store_.CloseChunkFile(); }
    bool IsRunningProgram(const std::string& folder, const std::string& name) override {
        return store_.IsRunningProgram(folder, name);
    }
    bool ReadWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>* bytes) override {
        return store_.ReadWholeFile(path, maxBytes, bytes);
    }
    bool RemoveFile(const std::string& path) override { return store_.RemoveFile(path); }

  private:
    FileStorePlatform& store_;
    bool failNextWrite_ = false;
};
