#include "release_snapshot.h"

#include <cstring>

bool MemoryFileSource::Read(uint64_t offset, uint8_t* out, uint32_t length) const {
    if (offset > bytes_.size() || bytes_.size() - offset < length) return false;
    if (length) std::memcpy(out, bytes_.data() + offset, length);
    return true;
}
