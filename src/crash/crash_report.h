#pragma once
// The crash report: what the process was doing when it faulted, written from plain data that the
// platform gathers. Every piece of memory the report shows is read through CrashMemory, so that
// a report never shows memory that could not be read; the writer itself takes no memory beyond
// its stream and a page on its caller's stack.
#include <cstddef>
#include <cstdint>

#include "crash/loaded_modules.h"
#include "crash/report_stream.h"

// How a run that faulted ends: with the report written and the player told.
inline constexpr uint32_t kCrashExitCode = 4;
// How it ends when the crash handling itself faults: at once, with nothing more written.
inline constexpr uint32_t kFaultInCrashHandlingExitCode = 5;

struct X86Registers {
    uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0, esi = 0, edi = 0, ebp = 0, esp = 0, eip = 0;
    uint32_t eflags = 0;
    uint32_t cs = 0, ds = 0, es = 0, fs = 0, gs = 0, ss = 0;
};

// The process's memory as the report may read it.
class CrashMemory {
  public:
    // Copies bytes from the address; false, with nothing to show, when any of them cannot be read.
    virtual bool Read(uint32_t address, void* out, size_t bytes) = 0;

  protected:
    ~CrashMemory() = default;
};

// The frame loop's side of the report: how many frames began, and the last ones the frame log
// still holds.
class CrashFrameSource {
  public:
    virtual uint32_t FramesStarted() const = 0;
    // How many recent frames the source holds, 0 when it keeps none.
    virtual size_t RecentFrames() const = 0;
    // The names of the columns of a frame's line.
    virtual const char* RecentFrameColumns() const = 0;
    // The line of a recent frame, oldest first; returns its length.
    virtual size_t FormatRecentFrame(size_t index, char* line, size_t capacity) const = 0;

  protected:
    ~CrashFrameSource() = default;
};

struct CrashFacts {
    static constexpr size_t kMostParameters = 15;

    const char* version = nullptr;
    CalendarTime time;
    uint32_t threadId = 0;
    bool mainThread = false;  // the thread that started the host and runs its window
    uint32_t code = 0;
    uint32_t address = 0;
    uint32_t parameterCount = 0;
    uint32_t parameters[kMostParameters] = {};
    X86Registers registers;
    // The top of the faulting thread's stack (exclusive); the stack is read from ESP up to it.
    uint32_t stackTop = 0;
    const LoadedModules* modules = nullptr;
    const CrashFrameSource* frames = nullptr;
};

inline constexpr const char* kCrashReportTitle = "Tidemarch crash report";
// A stack longer than this is shown from its stack pointer up to this many bytes.
inline constexpr uint32_t kMostStackBytes = 4u << 20;
// The stack words that point into a module, from the stack pointer up, that the report lists;
// the rest are counted.
inline constexpr uint32_t kMostListedStackWords = 512;

// The whole report: the exception and where it happened, the registers, the stack words that
// point into modules, the modules, and the frames.
void WriteCrashReport(const CrashFacts& facts, CrashMemory& memory, ReportStream& out);

// One line for the history of the crashes of an installation: time, version, exception, place.
void WriteCrashHistoryLine(const CrashFacts& facts, ReportStream& out);

// "Main.dll+0x1234", "Main.dll+0x29000 (data)" outside its code, or "(no loaded module)".
void WriteModuleAddress(const LoadedModules* modules, uint32_t address, ReportStream& out);
