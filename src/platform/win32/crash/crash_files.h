#pragma once
// The files a crash leaves: the report, the history line and the minidump.
#include <windows.h>

#include "crash/report_stream.h"

// A file written from its start (or from its end, for a history), closed when the sink goes.
class CrashFileSink final : public ReportSink {
  public:
    enum class Mode { Replace, Append };
    CrashFileSink(const wchar_t* path, Mode mode);
    ~CrashFileSink();
    CrashFileSink(const CrashFileSink&) = delete;
    CrashFileSink& operator=(const CrashFileSink&) = delete;

    bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
    bool Write(const char* text, size_t length) override;

  private:
    HANDLE file_;
};

// dbghelp's MiniDumpWriteDump, found when the handler is installed; null where the platform
// has none.
using MiniDumpWriter = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, int, const void*, const void*, const void*);
MiniDumpWriter FindMiniDumpWriter();

// Writes the dump of the process with the fault of the given thread. False when it could not.
bool WriteMiniDump(MiniDumpWriter writer, const wchar_t* path, DWORD faultThread,
                   EXCEPTION_POINTERS* exception);
