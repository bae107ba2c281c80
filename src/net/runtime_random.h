#pragma once
// The runtime library's linear congruential generator, which both ends of a connection (and the
// scrambled files) use to fill mask tables. Every table fill seeds it first, so a table depends
// only on its seed; each fill therefore uses a generator of its own rather than a shared state.
#include <cstdint>

class RuntimeRandom {
  public:
    explicit RuntimeRandom(uint32_t seed) : state_(seed) {}

    // A value from 0 to 32767.
    uint32_t Next() {
        state_ = state_ * 214013u + 2531011u;
        return (state_ >> 16) & 0x7FFFu;
    }

  private:
    uint32_t state_;
};
