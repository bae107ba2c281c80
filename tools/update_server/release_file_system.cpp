#include "release_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

class OpenFileSource : public FileSource {
  public:
    explicit OpenFileSource(int descriptor) : descriptor_(descriptor) {}
    ~OpenFileSource() override { ::close(descriptor_); }
    OpenFileSource(const OpenFileSource&) = delete;
    OpenFileSource& operator=(const OpenFileSource&) = delete;

    // pread leaves the descriptor's position alone, so several reading threads may share it.
    bool Read(uint64_t offset, uint8_t* out, uint32_t length) const override {
        while (length > 0) {
            const ssize_t n = ::pread(descriptor_, out, length, off_t(offset));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;  // an error, or the file got shorter in place
            out += n;
            offset += uint64_t(n);
            length -= uint32_t(n);
        }
        return true;
    }

  private:
    int descriptor_;
};

}  // namespace

bool PosixReleaseFileSystem::List(const std::string& path, std::vector<std::string>& names) {
    DIR* folder = ::opendir(path.c_str());
    if (!folder) return false;
    while (const dirent* entry = ::readdir(folder))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    ::closedir(folder);
    return true;
}

bool PosixReleaseFileSystem::Status(const std::string& path, struct stat& info) {
    return ::stat(path.c_str(), &info) == 0;
}

bool PosixReleaseFileSystem::LinkStatus(const std::string& path, struct stat& info) {
    return ::lstat(path.c_str(), &info) == 0;
}

bool PosixReleaseFileSystem::RealPath(const std::string& path, std::string& resolved) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return false;
    resolved = real;
    std::free(real);
    return true;
}

std::shared_ptr<const FileSource> PosixReleaseFileSystem::Open(const std::string& path, struct stat& info) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return nullptr;
    auto source = std::make_shared<OpenFileSource>(descriptor);
    if (::fstat(descriptor, &info) != 0) return nullptr;
    return source;
}
