#pragma once
// A read-only file as the sprite loader and streamed sounds share it: a Windows file HANDLE in
// the product, a POSIX file descriptor in native builds, carried in a pointer-sized handle field
// either way. The file position is shared by everyone holding the handle.
#include <cstdint>

#include "common/platform_slot.h"

using FileHandle = void*;

// The invalid handle value: all bits set (a failed open).
inline FileHandle InvalidFileHandle() { return reinterpret_cast<FileHandle>(~uintptr_t{0}); }
inline bool IsValidFileHandle(FileHandle file) { return file != InvalidFileHandle() && file != nullptr; }

// What reading a file needs of the platform. Every operation is safe to call with the invalid or
// the null handle; it fails then.
class FilePlatform {
  public:
    // Opens an existing file for reading, shared with other readers. Invalid handle on failure.
    virtual FileHandle OpenForReading(const char* path) = 0;
    virtual void Close(FileHandle file) = 0;

    // Reads up to bytes at the current position and advances it. A short read at the end of the
    // file still succeeds; *bytesRead (when given) tells how much arrived.
    virtual bool Read(FileHandle file, void* into, uint32_t bytes, uint32_t* bytesRead = nullptr) = 0;

    // Moves the position to offset bytes from the start of the file.
    virtual bool SeekTo(FileHandle file, uint32_t offset) = 0;
    // Moves the position by delta bytes from the current position.
    virtual bool SeekBy(FileHandle file, int32_t delta) = 0;
    // The current position.
    virtual bool Tell(FileHandle file, uint32_t* position) = 0;

  protected:
    ~FilePlatform() = default;
};

// The installed implementation; the process ends with a message naming it when none is.
inline FilePlatform& ActiveFilePlatform() { return PlatformSlot<FilePlatform>::Required("FilePlatform"); }
