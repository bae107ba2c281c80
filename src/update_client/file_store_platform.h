#pragma once
// What the update needs of the file system: the program folder (the current directory) and the
// folders directly inside it. Paths are relative, "folder/name", with "." for the program folder.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "update_protocol/file_record.h"

struct FileStoreEntry {
    std::string name;
    bool isFolder = false;
    CalendarTime lastWrite{};
    uint64_t size = 0;
};

class FileStorePlatform {
  public:
    enum class WriteOutcome { Written, OpenFailed, WriteFailed };

    // Every entry of the folder ("." or a folder name), "." and ".." included where the platform
    // lists them, in the platform's order. False when the folder cannot be listed.
    virtual bool ListFolder(const std::string& folder, std::vector<FileStoreEntry>* entries) = 0;
    // Creates one folder level; an existing folder is fine.
    virtual bool MakeFolder(const std::string& name) = 0;
    // Opens the file for writing, creating it when missing and keeping an existing file's
    // content, and closes it again.
    virtual bool CreateOrKeepFile(const std::string& path) = 0;
    // Writes the bytes at offset of the existing file and ends the file directly behind them.
    // The file stays open, unshared, for the next chunk of the same path: opening and closing it
    // for every chunk costs more than the write itself. It is closed, and its creation, access and
    // write times set to the time of its last chunk (when that is a valid calendar time), by
    // CloseChunkFile, by a chunk of another path, by every other call of the store and by the
    // store's destruction. A chunk that cannot be written closes its file at once (dated only
    // when an earlier chunk was written through it); OpenFailed leaves nothing open.
    virtual WriteOutcome WriteChunk(const std::string& path, uint32_t offset, const uint8_t* data,
                                    uint32_t length, const CalendarTime& time) = 0;
    // Closes and dates the file the chunk writes keep open; nothing when none is.
    virtual void CloseChunkFile() = 0;
    // True for the file of the running program, which cannot be replaced while it runs.
    virtual bool IsRunningProgram(const std::string& folder, const std::string& name) = 0;
    // The whole content of an existing file; false when it cannot be read or holds more than
    // maxBytes, of which no more than a read's worth past maxBytes is read.
    virtual bool ReadWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>* bytes) = 0;
    // Deletes a file; false when it did not exist or could not be deleted.
    virtual bool RemoveFile(const std::string& path) = 0;

  protected:
    ~FileStorePlatform() = default;
};
