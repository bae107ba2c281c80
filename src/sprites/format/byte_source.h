#pragma once
// Where the records of a sprite file come from: a file on disk or bytes already in memory (a
// resource of the program module, a test's buffer). Reads are all or nothing, so that a file
// that ends inside a record is a failed read, never a record half filled with stale bytes.
#include <cstddef>
#include <cstdint>
#include <span>

class SpriteByteSource {
  public:
    // Reads exactly bytes; false when the data ends before them or the platform fails.
    virtual bool Read(void* into, size_t bytes) = 0;
    // Whether bytes more bytes follow the current position.
    virtual bool Has(uint64_t bytes) = 0;
    // The next bytes in place, without a copy, and moves past them; the pointer stays valid
    // until the next call on the source. Null (and no move) when the source cannot lend that
    // many at once or they are not all there; Read then tells which.
    virtual const uint8_t* Borrow(size_t bytes) = 0;
    // Moves past bytes; false (and no move) when they are not all there.
    virtual bool Skip(uint64_t bytes) = 0;
    // Bytes from the start of the data.
    virtual uint64_t Position() const = 0;

  protected:
    ~SpriteByteSource() = default;
};

class MemoryByteSource final : public SpriteByteSource {
  public:
    explicit MemoryByteSource(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    bool Read(void* into, size_t bytes) override;
    bool Has(uint64_t bytes) override { return bytes <= bytes_.size() - position_; }
    const uint8_t* Borrow(size_t bytes) override;
    bool Skip(uint64_t bytes) override;
    uint64_t Position() const override { return position_; }

  private:
    std::span<const uint8_t> bytes_;
    size_t position_ = 0;
};
