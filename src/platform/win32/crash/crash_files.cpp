#include "platform/win32/crash/crash_files.h"

#include <dbghelp.h>

CrashFileSink::CrashFileSink(const wchar_t* path, Mode mode) {
    const bool append = mode == Mode::Append;
    file_ = CreateFileW(path, append ? FILE_APPEND_DATA : GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                        append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

CrashFileSink::~CrashFileSink() {
    if (IsOpen()) CloseHandle(file_);
}

bool CrashFileSink::Write(const char* text, size_t length) {
    DWORD written = 0;
    return IsOpen() && WriteFile(file_, text, DWORD(length), &written, nullptr) && written == length;
}

MiniDumpWriter FindMiniDumpWriter() {
    HMODULE dbghelp = LoadLibraryW(L"dbghelp.dll");
    if (!dbghelp) return nullptr;
    return reinterpret_cast<MiniDumpWriter>(
        reinterpret_cast<void*>(GetProcAddress(dbghelp, "MiniDumpWriteDump")));
}

bool WriteMiniDump(MiniDumpWriter writer, const wchar_t* path, DWORD faultThread,
                   EXCEPTION_POINTERS* exception) {
    if (!writer) return false;
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    MINIDUMP_EXCEPTION_INFORMATION fault{};
    fault.ThreadId = faultThread;
    fault.ExceptionPointers = exception;
    fault.ClientPointers = FALSE;
    // The threads, their stacks and the modules: enough to see every thread's calls in a
    // debugger, small enough to send.
    const BOOL written =
        writer(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal, &fault, nullptr, nullptr);
    CloseHandle(file);
    if (!written) DeleteFileW(path);
    return written != FALSE;
}
