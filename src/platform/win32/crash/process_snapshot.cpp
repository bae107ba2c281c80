#include "platform/win32/crash/process_snapshot.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {
constexpr DWORD kReadableProtection = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                                      PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

bool RegionReadable(const MEMORY_BASIC_INFORMATION& region) {
    return region.State == MEM_COMMIT && (region.Protect & kReadableProtection) != 0 &&
           (region.Protect & (PAGE_GUARD | PAGE_NOACCESS)) == 0;
}

void ReadHeader(LoadedModule& module, CrashMemory& memory) {
    IMAGE_DOS_HEADER dos;
    if (!memory.Read(module.base, &dos, sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) return;
    IMAGE_NT_HEADERS32 nt;
    if (!memory.Read(module.base + uint32_t(dos.e_lfanew), &nt, sizeof nt) ||
        nt.Signature != IMAGE_NT_SIGNATURE)
        return;
    module.linkStamp = nt.FileHeader.TimeDateStamp;
    module.preferredBase = nt.OptionalHeader.ImageBase;
    module.headerRead = true;

    // The sections follow the optional header, whatever its recorded size.
    uint32_t section = module.base + uint32_t(dos.e_lfanew) + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                       nt.FileHeader.SizeOfOptionalHeader;
    uint32_t codeStart = UINT32_MAX;
    uint32_t codeEnd = 0;
    for (uint16_t i = 0; i < nt.FileHeader.NumberOfSections; ++i, section += sizeof(IMAGE_SECTION_HEADER)) {
        IMAGE_SECTION_HEADER header;
        if (!memory.Read(section, &header, sizeof header)) return;
        if (!(header.Characteristics & (IMAGE_SCN_MEM_EXECUTE | IMAGE_SCN_CNT_CODE))) continue;
        const uint32_t size = header.Misc.VirtualSize ? header.Misc.VirtualSize : header.SizeOfRawData;
        if (header.VirtualAddress < codeStart) codeStart = header.VirtualAddress;
        if (header.VirtualAddress + size > codeEnd) codeEnd = header.VirtualAddress + size;
    }
    if (codeEnd > codeStart) {
        module.codeStart = codeStart;
        module.codeEnd = codeEnd;
    }
}
}  // namespace

bool ProcessMemory::Read(uint32_t address, void* out, size_t bytes) {
    const uint32_t end = address + uint32_t(bytes);
    if (bytes == 0) return true;
    if (end < address) return false;
    // Every region the bytes touch must be readable before any of them is copied.
    for (uint32_t at = address; at < end;) {
        MEMORY_BASIC_INFORMATION region;
        if (VirtualQuery(reinterpret_cast<const void*>(uintptr_t(at)), &region, sizeof region) !=
            sizeof region)
            return false;
        if (!RegionReadable(region)) return false;
        const uint32_t regionEnd = uint32_t(uintptr_t(region.BaseAddress)) + uint32_t(region.RegionSize);
        if (regionEnd <= at) break;  // the last region of the address space
        at = regionEnd;
    }
    std::memcpy(out, reinterpret_cast<const void*>(uintptr_t(address)), bytes);
    return true;
}

void GatherLoadedModules(LoadedModules& modules, HMODULE* handles, size_t handleCapacity,
                         CrashMemory& memory) {
    modules.Clear();
    HANDLE process = GetCurrentProcess();
    DWORD needed = 0;
    if (!EnumProcessModules(process, handles, DWORD(handleCapacity * sizeof(HMODULE)), &needed)) return;
    const size_t found = needed / sizeof(HMODULE);
    for (size_t i = 0; i < found; ++i) {
        LoadedModule* module = modules.Add();
        if (!module || i >= handleCapacity) continue;
        MODULEINFO info{};
        if (GetModuleInformation(process, handles[i], &info, sizeof info)) {
            module->base = uint32_t(uintptr_t(info.lpBaseOfDll));
            module->size = info.SizeOfImage;
        } else {
            module->base = uint32_t(uintptr_t(handles[i]));
        }
        wchar_t path[MAX_PATH];
        DWORD length = GetModuleFileNameW(handles[i], path, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            int written = WideCharToMultiByte(CP_UTF8, 0, path, int(length), module->path,
                                              int(sizeof module->path - 1), nullptr, nullptr);
            module->path[written > 0 ? written : 0] = '\0';
            WIN32_FILE_ATTRIBUTE_DATA file;
            SYSTEMTIME lastWrite;
            if (GetFileAttributesExW(path, GetFileExInfoStandard, &file) &&
                FileTimeToSystemTime(&file.ftLastWriteTime, &lastWrite))
                module->modified = CalendarTimeOf(lastWrite);
        }
        ReadHeader(*module, memory);
    }
}

void SuspendOtherThreads(DWORD keep, DWORD alsoKeep) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    const DWORD process = GetCurrentProcessId();
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != process || entry.th32ThreadID == keep ||
            entry.th32ThreadID == alsoKeep)
            continue;
        if (HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID)) {
            SuspendThread(thread);
            CloseHandle(thread);
        }
    }
    CloseHandle(snapshot);
}

X86Registers RegistersOf(const CONTEXT& context) {
    X86Registers r;
    r.eax = context.Eax;
    r.ebx = context.Ebx;
    r.ecx = context.Ecx;
    r.edx = context.Edx;
    r.esi = context.Esi;
    r.edi = context.Edi;
    r.ebp = context.Ebp;
    r.esp = context.Esp;
    r.eip = context.Eip;
    r.eflags = context.EFlags;
    r.cs = context.SegCs;
    r.ds = context.SegDs;
    r.es = context.SegEs;
    r.fs = context.SegFs;
    r.gs = context.SegGs;
    r.ss = context.SegSs;
    return r;
}

CalendarTime CalendarTimeOf(const SYSTEMTIME& time) {
    CalendarTime calendar;
    calendar.year = time.wYear;
    calendar.month = time.wMonth;
    calendar.day = time.wDay;
    calendar.hour = time.wHour;
    calendar.minute = time.wMinute;
    calendar.second = time.wSecond;
    calendar.known = true;
    return calendar;
}
