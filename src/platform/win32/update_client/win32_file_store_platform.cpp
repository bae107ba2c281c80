#include "platform/win32/update_client/win32_file_store_platform.h"

#include <windows.h>

#include <vector>

namespace {

// The longest path the system gives, in characters.
constexpr DWORD kModulePathChars = 32768;

CalendarTime ToCalendar(const FILETIME& time) {
    SYSTEMTIME parts{};
    FileTimeToSystemTime(&time, &parts);
    return CalendarTime{parts.wYear, parts.wMonth,  parts.wDayOfWeek, parts.wDay,
                        parts.wHour, parts.wMinute, parts.wSecond,    parts.wMilliseconds};
}

struct FileIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool known = false;
};

// Closes the handle it is given.
FileIdentity IdentityOfOpened(HANDLE file) {
    FileIdentity identity;
    if (file == INVALID_HANDLE_VALUE) return identity;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileInformationByHandle(file, &info)) {
        identity.volume = info.dwVolumeSerialNumber;
        identity.indexHigh = info.nFileIndexHigh;
        identity.indexLow = info.nFileIndexLow;
        identity.known = true;
    }
    CloseHandle(file);
    return identity;
}

constexpr DWORD kIdentityShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

FileIdentity IdentityOf(const char* path) {
    return IdentityOfOpened(
        CreateFileA(path, 0, kIdentityShare, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Through the wide path: a folder whose name has characters outside the code page has no
// ANSI path that opens it.
const FileIdentity& ProgramIdentity() {
    static const FileIdentity identity = [] {
        std::vector<wchar_t> path(kModulePathChars);
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), kModulePathChars);
        if (length == 0 || length >= kModulePathChars) return FileIdentity{};
        return IdentityOfOpened(CreateFileW(path.data(), 0, kIdentityShare, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    }();
    return identity;
}

}  // namespace

bool Win32FileStorePlatform::ListFolder(const std::string& folder, std::vector<FileStoreEntry>* entries) {
    CloseChunkFile();
    const std::string pattern = folder == kProgramFolderName ? std::string("*.*") : folder + "\\*.*";
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        FileStoreEntry entry;
        entry.name = found.cFileName;
        entry.isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.lastWrite = ToCalendar(found.ftLastWriteTime);
        entry.size = uint64_t(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
        entries->push_back(std::move(entry));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return true;
}

bool Win32FileStorePlatform::MakeFolder(const std::string& name) {
    CloseChunkFile();
    return CreateDirectoryA(name.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool Win32FileStorePlatform::CreateOrKeepFile(const std::string& path) {
    CloseChunkFile();
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

FileStorePlatform::WriteOutcome Win32FileStorePlatform::WriteChunk(const std::string& path, uint32_t offset,
                                                                   const uint8_t* data, uint32_t length,
                                                                   const CalendarTime& time) {
    return chunks_.Write(path, offset, data, length, time);
}

void Win32FileStorePlatform::CloseChunkFile() { chunks_.Close(); }

bool Win32FileStorePlatform::Win32ChunkFile::Open(const std::string& path) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    handle_ = file;
    return true;
}

bool Win32FileStorePlatform::Win32ChunkFile::Seek(uint32_t offset) {
    LARGE_INTEGER position;
    position.QuadPart = LONGLONG(offset);
    return SetFilePointerEx(handle_, position, nullptr, FILE_BEGIN) != 0;
}

bool Win32FileStorePlatform::Win32ChunkFile::Write(const uint8_t* data, uint32_t length) {
    DWORD written = 0;
    return WriteFile(handle_, data, length, &written, nullptr) && written == length;
}

void Win32FileStorePlatform::Win32ChunkFile::EndAt(uint64_t) {
    // The position is the length: the writer ends a file only directly behind a chunk it wrote.
    SetEndOfFile(handle_);
}

void Win32FileStorePlatform::Win32ChunkFile::Date(const CalendarTime& time) {
    const SYSTEMTIME parts{time.year, time.month,  time.dayOfWeek, time.day,
                           time.hour, time.minute, time.second,    time.milliseconds};
    FILETIME stamp{};
    if (SystemTimeToFileTime(&parts, &stamp)) SetFileTime(handle_, &stamp, &stamp, &stamp);
}

void Win32FileStorePlatform::Win32ChunkFile::Close() {
    CloseHandle(handle_);
    handle_ = nullptr;
}

bool Win32FileStorePlatform::IsRunningProgram(const std::string& folder, const std::string& name) {
    CloseChunkFile();
    const FileIdentity& program = ProgramIdentity();
    if (!program.known) return false;
    const FileIdentity candidate = IdentityOf((folder + "\\" + name).c_str());
    return candidate.known && candidate.volume == program.volume &&
           candidate.indexHigh == program.indexHigh && candidate.indexLow == program.indexLow;
}

bool Win32FileStorePlatform::RemoveFile(const std::string& path) {
    CloseChunkFile();
    return ::DeleteFileA(path.c_str()) != 0;
}

bool Win32FileStorePlatform::ReadWholeFile(const std::string& path, size_t maxBytes,
                                           std::vector<uint8_t>* bytes) {
    CloseChunkFile();
    // No sharing while it is read, and existing files only.
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bytes->clear();
    uint8_t chunk[4096];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, chunk, sizeof chunk, &got, nullptr) != 0) && got > 0) {
        if (got > maxBytes - bytes->size()) {
            ok = false;
            bytes->clear();
            break;
        }
        bytes->insert(bytes->end(), chunk, chunk + got);
    }
    CloseHandle(file);
    return ok;
}
