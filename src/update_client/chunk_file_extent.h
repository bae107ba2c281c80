#pragma once
// Where a file held open for its chunks stands: its position and, once a chunk has ended it,
// where it ends. A store asks it which calls a chunk needs: a chunk directly behind the previous
// one needs no seek, and a chunk that reaches the known end or goes past it ends the file
// directly behind itself by the write alone. What the file holds afterwards is the same as when
// every chunk seeks and ends the file.
#include <cstdint>
#include <limits>

class ChunkFileExtent {
  public:
    // Just opened: at the start, with whatever length the file had.
    void Opened() {
        position_ = 0;
        end_ = kUnknownEnd;
    }
    bool NeedsSeek(uint32_t offset) const { return position_ != offset; }
    bool NeedsEnd(uint32_t offset, uint32_t length) const {
        return end_ == kUnknownEnd || end_ > uint64_t(offset) + length;
    }
    // The chunk is written and the file ends directly behind it.
    void Wrote(uint32_t offset, uint32_t length) { position_ = end_ = uint64_t(offset) + length; }

  private:
    static constexpr uint64_t kUnknownEnd = std::numeric_limits<uint64_t>::max();
    uint64_t position_ = 0;
    uint64_t end_ = kUnknownEnd;
};
