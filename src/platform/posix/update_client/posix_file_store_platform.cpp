#include "platform/posix/update_client/posix_file_store_platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace {

constexpr mode_t kFileMode = 0644;
constexpr mode_t kFolderMode = 0755;

CalendarTime ToCalendar(const timespec& at) {
    std::tm parts{};
    const time_t seconds = at.tv_sec;
    gmtime_r(&seconds, &parts);
    return CalendarTime{uint16_t(parts.tm_year + 1900), uint16_t(parts.tm_mon + 1),
                        uint16_t(parts.tm_wday),        uint16_t(parts.tm_mday),
                        uint16_t(parts.tm_hour),        uint16_t(parts.tm_min),
                        uint16_t(parts.tm_sec),         uint16_t(at.tv_nsec / 1000000)};
}

bool ToTimespec(const CalendarTime& time, timespec* at) {
    if (time.year < 1601 || time.month < 1 || time.month > 12 || time.day < 1 || time.day > 31 ||
        time.hour > 23 || time.minute > 59 || time.second > 59 || time.milliseconds > 999)
        return false;
    std::tm parts{};
    parts.tm_year = time.year - 1900;
    parts.tm_mon = time.month - 1;
    parts.tm_mday = time.day;
    parts.tm_hour = time.hour;
    parts.tm_min = time.minute;
    parts.tm_sec = time.second;
    const time_t seconds = timegm(&parts);
    if (parts.tm_mday != time.day) return false;  // 31 February and the like
    at->tv_sec = seconds;
    at->tv_nsec = long(time.milliseconds) * 1000000;
    return true;
}

bool WriteAll(int fd, const uint8_t* data, uint32_t length) {
    uint32_t done = 0;
    while (done < length) {
        const ssize_t wrote = ::write(fd, data + done, length - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += uint32_t(wrote);
    }
    return true;
}

}  // namespace

bool PosixFileStorePlatform::ListFolder(const std::string& folder, std::vector<FileStoreEntry>* entries) {
    CloseChunkFile();
    const std::string base = Full(folder);
    DIR* dir = ::opendir(base.c_str());
    if (!dir) return false;
    while (const dirent* item = ::readdir(dir)) {
        struct stat info {};
        FileStoreEntry entry;
        entry.name = item->d_name;
        if (::stat((base + "/" + entry.name).c_str(), &info) != 0) continue;
        entry.isFolder = S_ISDIR(info.st_mode);
        entry.lastWrite = ToCalendar(info.st_mtim);
        entry.size = entry.isFolder ? 0 : uint64_t(info.st_size);
        entries->push_back(std::move(entry));
    }
    ::closedir(dir);
    return true;
}

bool PosixFileStorePlatform::MakeFolder(const std::string& name) {
    CloseChunkFile();
    return ::mkdir(Full(name).c_str(), kFolderMode) == 0 || errno == EEXIST;
}

bool PosixFileStorePlatform::CreateOrKeepFile(const std::string& path) {
    CloseChunkFile();
    const int fd = ::open(Full(path).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, kFileMode);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

FileStorePlatform::WriteOutcome PosixFileStorePlatform::WriteChunk(const std::string& path, uint32_t offset,
                                                                   const uint8_t* data, uint32_t length,
                                                                   const CalendarTime& time) {
    return chunks_.Write(path, offset, data, length, time);
}

void PosixFileStorePlatform::CloseChunkFile() { chunks_.Close(); }

bool PosixFileStorePlatform::PosixChunkFile::Open(const std::string& path) {
    fd_ = ::open(store_.Full(path).c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    return fd_ >= 0;
}

bool PosixFileStorePlatform::PosixChunkFile::Seek(uint32_t offset) {
    return ::lseek(fd_, off_t(offset), SEEK_SET) >= 0;
}

bool PosixFileStorePlatform::PosixChunkFile::Write(const uint8_t* data, uint32_t length) {
    return WriteAll(fd_, data, length);
}

void PosixFileStorePlatform::PosixChunkFile::EndAt(uint64_t length) { ::ftruncate(fd_, off_t(length)); }

void PosixFileStorePlatform::PosixChunkFile::Date(const CalendarTime& time) {
    timespec times[2];
    if (!ToTimespec(time, &times[0])) return;
    times[1] = times[0];
    ::futimens(fd_, times);
}

void PosixFileStorePlatform::PosixChunkFile::Close() {
    ::close(fd_);
    fd_ = -1;
}

bool PosixFileStorePlatform::IsRunningProgram(const std::string& folder, const std::string& name) {
    CloseChunkFile();
    return !runningProgram_.empty() && folder == kProgramFolderName && name == runningProgram_;
}

bool PosixFileStorePlatform::RemoveFile(const std::string& path) {
    CloseChunkFile();
    return ::unlink(Full(path).c_str()) == 0;
}

bool PosixFileStorePlatform::ReadWholeFile(const std::string& path, size_t maxBytes,
                                           std::vector<uint8_t>* bytes) {
    CloseChunkFile();
    const int fd = ::open(Full(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bytes->clear();
    uint8_t chunk[4096];
    ssize_t got = 0;
    bool tooLong = false;
    while (!tooLong && ((got = ::read(fd, chunk, sizeof chunk)) > 0 || (got < 0 && errno == EINTR))) {
        tooLong = got > 0 && size_t(got) > maxBytes - bytes->size();
        if (got > 0 && !tooLong) bytes->insert(bytes->end(), chunk, chunk + got);
    }
    ::close(fd);
    if (tooLong) bytes->clear();
    return !tooLong && got == 0;
}
