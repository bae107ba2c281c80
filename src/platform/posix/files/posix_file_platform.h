#pragma once
// Files on POSIX systems: the descriptor itself is carried in the handle.
#include "files/read_only_file.h"

class PosixFilePlatform final : public FilePlatform {
  public:
    FileHandle OpenForReading(const char* path) override;
    void Close(FileHandle file) override;
    bool Read(FileHandle file, void* into, uint32_t bytes, uint32_t* bytesRead) override;
    bool SeekTo(FileHandle file, uint32_t offset) override;
    bool SeekBy(FileHandle file, int32_t delta) override;
    bool Tell(FileHandle file, uint32_t* position) override;
};
