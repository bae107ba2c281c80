#include "net/message_splitter.h"

#include <cstring>

#include "net/wire_format.h"

uint32_t ReadLittleEndian32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

FrameCheck InspectFrame(const uint8_t* data, uint32_t available, bool withTrailer) {
    if (available < kHeaderSize) return {FrameStatus::Incomplete, 0};
    if (ReadLittleEndian32(data) != FrameMagic) return {FrameStatus::BadMagic, 0};
    const uint64_t size =
        uint64_t(kHeaderSize) + ReadLittleEndian32(data + 16) + (withTrailer ? kTrailerSize : 0);
    if (available < size) return {FrameStatus::Incomplete, size};
    return {FrameStatus::Complete, size};
}
