#include <windows.h>

#include "platform/win32/files/win32_file_platform.h"

FileHandle Win32FilePlatform::OpenForReading(const char* path) {
    if (!path) return InvalidFileHandle();
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? InvalidFileHandle() : file;
}

void Win32FilePlatform::Close(FileHandle file) {
    if (IsValidFileHandle(file)) CloseHandle(file);
}

bool Win32FilePlatform::Read(FileHandle file, void* into, uint32_t bytes, uint32_t* bytesRead) {
    if (bytesRead) *bytesRead = 0;
    if (!IsValidFileHandle(file)) return false;
    DWORD got = 0;
    if (!ReadFile(file, into, bytes, &got, nullptr)) return false;
    if (bytesRead) *bytesRead = got;
    return true;
}

namespace {
bool Move(FileHandle file, LONGLONG distance, DWORD method) {
    if (!IsValidFileHandle(file)) return false;
    LARGE_INTEGER move;
    move.QuadPart = distance;
    return SetFilePointerEx(file, move, nullptr, method) != 0;
}
}  // namespace

bool Win32FilePlatform::SeekTo(FileHandle file, uint32_t offset) { return Move(file, LONGLONG(offset), FILE_BEGIN); }

bool Win32FilePlatform::SeekBy(FileHandle file, int32_t delta) { return Move(file, LONGLONG(delta), FILE_CURRENT); }

bool Win32FilePlatform::Tell(FileHandle file, uint32_t* position) {
    if (!IsValidFileHandle(file)) return false;
    LARGE_INTEGER zero{};
    LARGE_INTEGER at{};
    if (!SetFilePointerEx(file, zero, &at, FILE_CURRENT) || at.QuadPart > LONGLONG(0xFFFFFFFF)) return false;
    *position = uint32_t(at.QuadPart);
    return true;
}
