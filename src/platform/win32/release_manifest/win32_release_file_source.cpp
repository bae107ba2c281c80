#include "platform/win32/release_manifest/win32_release_file_source.h"

#include <windows.h>

namespace {

class Win32ReleaseFileReader final : public ReleaseFileReader {
  public:
    Win32ReleaseFileReader(HANDLE file, uint64_t size) : file_(file), size_(size) {}
    ~Win32ReleaseFileReader() override { CloseHandle(file_); }

    uint64_t Size() override { return size_; }
    bool Read(uint8_t* buffer, size_t capacity, size_t* got) override {
        DWORD read = 0;
        if (!ReadFile(file_, buffer, DWORD(capacity), &read, nullptr)) return false;
        *got = read;
        return true;
    }

  private:
    HANDLE file_;
    uint64_t size_;
};

}  // namespace

ReleaseFileSource::Opened Win32ReleaseFileSource::Open(const std::string& path,
                                                       std::unique_ptr<ReleaseFileReader>* reader) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Opened::Missing
                                                                              : Opened::Unreadable;
    }
    LARGE_INTEGER size{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size)) {
        CloseHandle(file);
        return Opened::Unreadable;
    }
    *reader = std::make_unique<Win32ReleaseFileReader>(file, uint64_t(size.QuadPart));
    return Opened::Yes;
}
