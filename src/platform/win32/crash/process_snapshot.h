#pragma once
// What the report reads of the process: its memory, safely, and its loaded modules.
#include <windows.h>

#include "crash/crash_report.h"
#include "crash/loaded_modules.h"

// Reads only committed pages that may be read and are no guard pages, so that reading for the
// report never faults.
class ProcessMemory final : public CrashMemory {
  public:
    bool Read(uint32_t address, void* out, size_t bytes) override;
};

// Fills the table with the process's modules: base, size, path, the file's last write and, from
// the module's header, its link stamp and linked base. handles is room for the module handles.
void GatherLoadedModules(LoadedModules& modules, HMODULE* handles, size_t handleCapacity,
                         CrashMemory& memory);

// Suspends every thread of the process but the two given, so that nothing else runs while the
// fault is handled: the game goes no further and no other thread faults meanwhile. They stay
// suspended until the process ends.
void SuspendOtherThreads(DWORD keep, DWORD alsoKeep);

X86Registers RegistersOf(const CONTEXT& context);

CalendarTime CalendarTimeOf(const SYSTEMTIME& time);
