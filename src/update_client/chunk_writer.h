#pragma once
// How the update writes a file's chunks, on any file system: the file stays open for the next
// chunk of the same path (opening and closing it for every chunk costs more than the write
// itself), a chunk is written at its offset and the file ends directly behind it, and the file is
// dated with the time of its last chunk when it is closed (dated last: every write moves the
// write time). A chunk that cannot be written closes its file at once, dated only when an earlier
// chunk was written through it. The file system does only the calls (ChunkFile).
#include <cstdint>
#include <string>

#include "update_client/chunk_file_extent.h"
#include "update_client/file_store_platform.h"
#include "update_protocol/file_record.h"

// One file open for writing at a time, unshared, at the file system's calls.
class ChunkFile {
  public:
    // Opens an existing file for writing without changing it. False leaves nothing open.
    virtual bool Open(const std::string& path) = 0;
    virtual bool Seek(uint32_t offset) = 0;
    // Writes all the bytes at the position, which moves behind them.
    virtual bool Write(const uint8_t* data, uint32_t length) = 0;
    // Ends the file at the given length, which is always where the last write left the position.
    virtual void EndAt(uint64_t length) = 0;
    // Sets the file's times to the calendar time, when it is a valid one.
    virtual void Date(const CalendarTime& time) = 0;
    virtual void Close() = 0;

  protected:
    ~ChunkFile() = default;
};

class ChunkWriter {
  public:
    explicit ChunkWriter(ChunkFile& file) : file_(file) {}
    ChunkWriter(const ChunkWriter&) = delete;
    ChunkWriter& operator=(const ChunkWriter&) = delete;

    FileStorePlatform::WriteOutcome Write(const std::string& path, uint32_t offset, const uint8_t* data,
                                          uint32_t length, const CalendarTime& time);
    // Closes and dates the open file; nothing when none is.
    void Close();
    bool HoldsFile() const { return open_; }

  private:
    ChunkFile& file_;
    bool open_ = false;
    std::string path_;
    ChunkFileExtent extent_;
    CalendarTime time_{};
    // A chunk was written through the open file, so closing it dates it.
    bool written_ = false;
};
