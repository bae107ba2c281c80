#pragma once
// Byte buffers handed from finished sessions to new ones. Sessions that finish keep a little
// bookkeeping while they linger; were each new session to allocate its buffers afresh, they would
// land beside those small blocks and the freed ones between them would be too short to reuse, so
// the heap would grow by a buffer for every lingering session. Reusing the buffers keeps the heap
// at what the sessions served at once need.
#include <cstddef>
#include <cstdint>
#include <vector>

class BufferPool {
  public:
    explicit BufferPool(size_t mostKept) : mostKept_(mostKept) {}

    // An empty buffer, with the capacity of one given back earlier when there is one.
    std::vector<uint8_t> Take() {
        if (kept_.empty()) return {};
        std::vector<uint8_t> buffer = std::move(kept_.back());
        kept_.pop_back();
        return buffer;
    }

    void Give(std::vector<uint8_t> buffer) {
        if (buffer.capacity() == 0 || kept_.size() >= mostKept_) return;
        buffer.clear();
        kept_.push_back(std::move(buffer));
    }

    size_t Kept() const { return kept_.size(); }

  private:
    size_t mostKept_;
    std::vector<std::vector<uint8_t>> kept_;
};
