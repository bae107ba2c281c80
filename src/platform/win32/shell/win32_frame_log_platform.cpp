#include "platform/win32/shell/win32_frame_log_platform.h"

#include <windows.h>

#include "platform/win32/common/heap_block_count.h"

Win32FrameLogPlatform::~Win32FrameLogPlatform() { CloseLog(); }

bool Win32FrameLogPlatform::ReadSetting(const char* name, char* value, size_t capacity) {
    DWORD length = GetEnvironmentVariableA(name, value, DWORD(capacity));
    // 0: not set or empty; capacity or more: the size the value would need.
    return length > 0 && length < capacity;
}

bool Win32FrameLogPlatform::OpenLog(const char* path) {
    CloseLog();
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    file_ = file;
    return true;
}

bool Win32FrameLogPlatform::AppendToLog(const char* text, size_t length) {
    if (!file_) return false;
    DWORD written = 0;
    return WriteFile(static_cast<HANDLE>(file_), text, DWORD(length), &written, nullptr) && written == length;
}

void Win32FrameLogPlatform::CloseLog() {
    if (!file_) return;
    CloseHandle(static_cast<HANDLE>(file_));
    file_ = nullptr;
}

bool Win32FrameLogPlatform::StartHeapCount() {
    programHeapCount.counting.store(true);
    return true;
}

HeapBlockCount Win32FrameLogPlatform::CurrentHeapCount() {
    HeapBlockCount count;
    count.blocks = programHeapCount.blocks.load(std::memory_order_relaxed);
    count.bytes = programHeapCount.bytes.load(std::memory_order_relaxed);
    return count;
}
