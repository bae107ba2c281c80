#pragma once
// A read-only file as the sprite loader and streamed sounds share it: a Windows file HANDLE in
// the product, a POSIX file descriptor in native builds, carried in a pointer-sized handle field
// either way. The file position is shared by everyone holding the handle.
//
// All operations are safe to call with the invalid handle; they fail then.
#include <cstdint>

using FileHandle = void*;

// The invalid handle value: all bits set (a failed open).
inline FileHandle InvalidFileHandle() { return reinterpret_cast<FileHandle>(~uintptr_t{0}); }
inline bool IsValidFileHandle(FileHandle file) { return file != InvalidFileHandle() && file != nullptr; }

namespace sound_file {
// Opens an existing file for reading, shared with other readers. Invalid handle on failure.
FileHandle OpenForReading(const char* path);
void Close(FileHandle file);

// Reads up to bytes at the current position and advances it. A short read at the end of the
// file still succeeds; *bytesRead (when given) tells how much arrived.
bool Read(FileHandle file, void* into, uint32_t bytes, uint32_t* bytesRead = nullptr);

// Moves the position to offset bytes from the start of the file.
bool SeekTo(FileHandle file, uint32_t offset);
// Moves the position by delta bytes from the current position.
bool SeekBy(FileHandle file, int32_t delta);
// The current position.
bool Tell(FileHandle file, uint32_t* position);
}  // namespace sound_file
