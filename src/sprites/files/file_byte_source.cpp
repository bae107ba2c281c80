#include "sprites/files/file_byte_source.h"

#include <algorithm>
#include <cstring>
#include <limits>

FileByteSource::FileByteSource(FileHandle file) : file_(file), buffer_(new uint8_t[kBufferBytes]) {}

bool FileByteSource::ReadAt(uint64_t offset, uint8_t* into, size_t bytes, size_t* got) {
    *got = 0;
    if (offset > std::numeric_limits<uint32_t>::max()) return false;
    if (platformPosition_ != offset) {
        if (!ActiveFilePlatform().SeekTo(file_, uint32_t(offset))) return false;
        platformPosition_ = offset;
    }
    while (*got < bytes) {
        const uint32_t ask = uint32_t(std::min<size_t>(bytes - *got, std::numeric_limits<int32_t>::max()));
        uint32_t arrived = 0;
        if (!ActiveFilePlatform().Read(file_, into + *got, ask, &arrived)) return false;
        platformPosition_ += arrived;
        *got += arrived;
        if (arrived == 0) break;  // the end of the file
    }
    return true;
}

bool FileByteSource::Read(void* into, size_t bytes) {
    auto* out = static_cast<uint8_t*>(into);
    const size_t fromBuffer = std::min(bytes, Buffered());
    if (fromBuffer) std::memcpy(out, buffer_.get() + (position_ - bufferStart_), fromBuffer);
    position_ += fromBuffer;
    out += fromBuffer;
    bytes -= fromBuffer;
    if (bytes == 0) return true;
    size_t got;
    if (bytes >= kBufferBytes) {
        // Large data goes straight to its destination.
        if (!ReadAt(position_, out, bytes, &got) || got != bytes) return false;
        position_ += bytes;
        return true;
    }
    if (!ReadAt(position_, buffer_.get(), kBufferBytes, &got)) return false;
    bufferStart_ = position_;
    bufferEnd_ = position_ + got;
    if (got < bytes) return false;
    std::memcpy(out, buffer_.get(), bytes);
    position_ += bytes;
    return true;
}

bool FileByteSource::Has(uint64_t bytes) {
    if (bytes <= Buffered()) return true;
    uint8_t last;
    size_t got;
    return ReadAt(position_ + bytes - 1, &last, 1, &got) && got == 1;
}

bool FileByteSource::Skip(uint64_t bytes) {
    if (!Has(bytes)) return false;
    position_ += bytes;
    return true;
}

const uint8_t* FileByteSource::Borrow(size_t bytes) {
    if (bytes > kBufferBytes) return nullptr;
    if (Buffered() < bytes) {
        // Keep what is buffered at the front and fill the rest of the buffer behind it.
        const size_t kept = Buffered();
        if (kept) std::memmove(buffer_.get(), buffer_.get() + (position_ - bufferStart_), kept);
        size_t got;
        const bool read = ReadAt(position_ + kept, buffer_.get() + kept, kBufferBytes - kept, &got);
        bufferStart_ = position_;
        bufferEnd_ = position_ + kept + (read ? got : 0);
        if (Buffered() < bytes) return nullptr;
    }
    const uint8_t* at = buffer_.get() + (position_ - bufferStart_);
    position_ += bytes;
    return at;
}
