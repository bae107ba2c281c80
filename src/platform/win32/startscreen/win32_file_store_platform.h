#pragma once
// The update's file store on Windows: paths relative to the current directory, which is the
// program folder.
#include <cstdint>
#include <string>

#include "startscreen/chunk_file_extent.h"
#include "startscreen/file_store_platform.h"

class Win32FileStorePlatform final : public FileStorePlatform {
  public:
    Win32FileStorePlatform() = default;
    Win32FileStorePlatform(const Win32FileStorePlatform&) = delete;
    Win32FileStorePlatform& operator=(const Win32FileStorePlatform&) = delete;
    ~Win32FileStorePlatform() { CloseChunkFile(); }

    bool ListFolder(const std::string& folder, std::vector<FileStoreEntry>* entries) override;
    bool MakeFolder(const std::string& name) override;
    bool CreateOrKeepFile(const std::string& path) override;
    WriteOutcome WriteChunk(const std::string& path, uint32_t offset, const uint8_t* data, uint32_t length,
                            const CalendarTime& time) override;
    void CloseChunkFile() override;
    // Compares the file's identity (volume and file index) with the program file's, so that
    // other spellings of its name (case, short names) are recognised too.
    bool IsRunningProgram(const std::string& folder, const std::string& name) override;
    bool ReadWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>* bytes) override;
    bool RemoveFile(const std::string& path) override;

  private:
    // The file the chunk writes keep open (a HANDLE; null when none is open).
    void* chunkFile_ = nullptr;
    std::string chunkPath_;
    ChunkFileExtent chunkExtent_;
    CalendarTime chunkTime_{};
    // A chunk was written through the open file, so closing it dates it.
    bool chunkWritten_ = false;
};
