// The shared file handle on POSIX systems: the descriptor itself, carried in the handle.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "sound/sound_file.h"

namespace {
int Descriptor(FileHandle file) { return int(reinterpret_cast<intptr_t>(file)); }
}  // namespace

namespace sound_file {

FileHandle OpenForReading(const char* path) {
    if (!path) return InvalidFileHandle();
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    // Descriptor 0 would look like the null handle.
    if (fd == 0) {
        const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
        ::close(fd);
        fd = moved;
    }
    if (fd < 0) return InvalidFileHandle();
    return reinterpret_cast<FileHandle>(intptr_t(fd));
}

void Close(FileHandle file) {
    if (IsValidFileHandle(file)) ::close(Descriptor(file));
}

bool Read(FileHandle file, void* into, uint32_t bytes, uint32_t* bytesRead) {
    if (bytesRead) *bytesRead = 0;
    if (!IsValidFileHandle(file)) return false;
    auto* cursor = static_cast<uint8_t*>(into);
    uint32_t done = 0;
    while (done < bytes) {
        const ssize_t got = ::read(Descriptor(file), cursor + done, bytes - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        done += uint32_t(got);
    }
    if (bytesRead) *bytesRead = done;
    return true;
}

bool SeekTo(FileHandle file, uint32_t offset) {
    return IsValidFileHandle(file) && ::lseek(Descriptor(file), off_t(offset), SEEK_SET) >= 0;
}

bool SeekBy(FileHandle file, int32_t delta) {
    return IsValidFileHandle(file) && ::lseek(Descriptor(file), off_t(delta), SEEK_CUR) >= 0;
}

bool Tell(FileHandle file, uint32_t* position) {
    if (!IsValidFileHandle(file)) return false;
    const off_t at = ::lseek(Descriptor(file), 0, SEEK_CUR);
    if (at < 0 || at > off_t(UINT32_MAX)) return false;
    *position = uint32_t(at);
    return true;
}

}  // namespace sound_file
