#pragma once
// The update's file store on Windows: paths relative to the current directory, which is the
// program folder.
#include <cstdint>
#include <string>

#include "update_client/chunk_writer.h"
#include "update_client/file_store_platform.h"

class Win32FileStorePlatform final : public FileStorePlatform {
  public:
    Win32FileStorePlatform() = default;
    Win32FileStorePlatform(const Win32FileStorePlatform&) = delete;
    Win32FileStorePlatform& operator=(const Win32FileStorePlatform&) = delete;
    ~Win32FileStorePlatform() { chunks_.Close(); }

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
    class Win32ChunkFile final : public ChunkFile {
      public:
        bool Open(const std::string& path) override;
        bool Seek(uint32_t offset) override;
        bool Write(const uint8_t* data, uint32_t length) override;
        void EndAt(uint64_t length) override;
        void Date(const CalendarTime& time) override;
        void Close() override;

      private:
        void* handle_ = nullptr;  // a HANDLE
    };

    Win32ChunkFile chunkFile_;
    ChunkWriter chunks_{chunkFile_};
};
