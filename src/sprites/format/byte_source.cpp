#include "sprites/format/byte_source.h"

#include <cstring>

bool MemoryByteSource::Read(void* into, size_t bytes) {
    if (!Has(bytes)) return false;
    if (bytes) std::memcpy(into, bytes_.data() + position_, bytes);
    position_ += bytes;
    return true;
}

bool MemoryByteSource::Skip(uint64_t bytes) {
    if (!Has(bytes)) return false;
    position_ += size_t(bytes);
    return true;
}

const uint8_t* MemoryByteSource::Borrow(size_t bytes) {
    if (!Has(bytes)) return nullptr;
    const uint8_t* at = bytes_.data() + position_;
    position_ += bytes;
    return at;
}
