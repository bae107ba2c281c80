#include "platform/posix/release_manifest/posix_release_file_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

class PosixReleaseFileReader final : public ReleaseFileReader {
  public:
    PosixReleaseFileReader(int descriptor, uint64_t size) : descriptor_(descriptor), size_(size) {}
    ~PosixReleaseFileReader() override { close(descriptor_); }

    uint64_t Size() override { return size_; }
    bool Read(uint8_t* buffer, size_t capacity, size_t* got) override {
        ssize_t read;
        do {
            read = ::read(descriptor_, buffer, capacity);
        } while (read < 0 && errno == EINTR);
        if (read < 0) return false;
        *got = size_t(read);
        return true;
    }

  private:
    int descriptor_;
    uint64_t size_;
};

}  // namespace

ReleaseFileSource::Opened PosixReleaseFileSource::Open(const std::string& path,
                                                       std::unique_ptr<ReleaseFileReader>* reader) {
    const int descriptor = open((folder_ + "/" + path).c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return errno == ENOENT || errno == ENOTDIR ? Opened::Missing : Opened::Unreadable;
    struct stat status {};
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(descriptor);
        return Opened::Unreadable;
    }
    *reader = std::make_unique<PosixReleaseFileReader>(descriptor, uint64_t(status.st_size));
    return Opened::Yes;
}
