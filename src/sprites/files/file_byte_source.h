#pragma once
// Sprite file records read from an open file through a buffer of its own, so that the many
// small head reads of a file do not each cost a platform call. The handle stays the caller's;
// the file's platform position is left wherever the last read or probe put it (streamed sounds
// seek before they read).
#include <cstdint>
#include <memory>

#include "files/read_only_file.h"
#include "sprites/format/byte_source.h"

class FileByteSource final : public SpriteByteSource {
  public:
    explicit FileByteSource(FileHandle file);

    bool Read(void* into, size_t bytes) override;
    // Looks at the last of those bytes when they lie beyond the buffer.
    bool Has(uint64_t bytes) override;
    // Lends what fits the buffer, refilling it first when needed.
    const uint8_t* Borrow(size_t bytes) override;
    bool Skip(uint64_t bytes) override;
    uint64_t Position() const override { return position_; }

  private:
    // Large enough that refills, each a platform call and a move of the record cut at the
    // buffer's end, are few, and that nearly every sprite's data is lent in place: loading ran
    // about a tenth faster than with 256 KB.
    static constexpr size_t kBufferBytes = 1024 * 1024;

    size_t Buffered() const {
        return position_ >= bufferStart_ && position_ < bufferEnd_ ? size_t(bufferEnd_ - position_) : 0;
    }
    // Reads into memory at the file offset; every byte or failure.
    bool ReadAt(uint64_t offset, uint8_t* into, size_t bytes, size_t* got);

    FileHandle file_;
    std::unique_ptr<uint8_t[]> buffer_;
    uint64_t bufferStart_ = 0;  // file offset of buffer_[0]
    uint64_t bufferEnd_ = 0;    // file offset just past the buffered bytes
    uint64_t position_ = 0;
    uint64_t platformPosition_ = 0;
};
