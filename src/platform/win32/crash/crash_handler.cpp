#include "platform/win32/crash/crash_handler.h"

#include <windows.h>

#include <atomic>
#include <cwchar>

#include "crash/crash_notice.h"
#include "crash/crash_report.h"
#include "platform/win32/crash/crash_files.h"
#include "platform/win32/crash/process_snapshot.h"

namespace {
constexpr size_t kPathCapacity = MAX_PATH + 32;
constexpr size_t kUtf8PathCapacity = kPathCapacity * 3;
constexpr size_t kNoticeCapacity = 4096;
constexpr size_t kCaptionCapacity = 128;
// The report, the history and the dump get this long; a handler stuck longer (a lock that the
// faulting thread held) ends the process without them.
constexpr DWORD kWritingTimeoutMilliseconds = 60000;

constexpr const wchar_t* kReportName = L"crash.txt";
constexpr const wchar_t* kHistoryName = L"crash-history.txt";
constexpr const wchar_t* kDumpName = L"crash.dmp";

// Where the files go: the chosen folder and, when the report cannot be made there, the user's
// temporary folder.
struct CrashPlace {
    wchar_t report[kPathCapacity];
    wchar_t history[kPathCapacity];
    wchar_t dump[kPathCapacity];
    char reportUtf8[kUtf8PathCapacity];
    bool known;
};

// Everything the handler uses, set aside when it is installed. Static and trivially
// destructible, so that it is there until the process has ended.
struct CrashState {
    std::atomic<bool> installed;
    const char* version;
    CrashNoticeFunction notice;
    CrashPlace places[2];
    MiniDumpWriter writeDump;
    DWORD mainThread;
    HANDLE wake;           // the reporter's signal to start
    HANDLE reportWritten;  // set by the reporter once the files are written
    HANDLE reporter;
    DWORD reporterThread;
    std::atomic<const CrashFrameSource*> frames;

    // The fault being handled: the thread that owns it (0: none yet) and what it left.
    volatile LONG handlingThread;
    EXCEPTION_POINTERS* exception;
    DWORD faultThread;
    uint32_t stackTop;

    LoadedModules modules;
    HMODULE moduleHandles[LoadedModules::kCapacity];
    char noticeText[kNoticeCapacity];
    wchar_t noticeWide[kNoticeCapacity];
    wchar_t captionWide[kCaptionCapacity];
};
CrashState gCrash;

bool Concatenate(wchar_t* out, size_t capacity, const wchar_t* folder, const wchar_t* name) {
    const size_t folderLength = std::wcslen(folder);
    const size_t nameLength = std::wcslen(name);
    if (folderLength + nameLength + 1 > capacity) return false;
    std::wmemcpy(out, folder, folderLength);
    std::wmemcpy(out + folderLength, name, nameLength + 1);
    return true;
}

bool PreparePlace(CrashPlace& place, const wchar_t* folder) {
    place.known = false;
    if (!folder || !*folder) return false;
    if (!Concatenate(place.report, kPathCapacity, folder, kReportName) ||
        !Concatenate(place.history, kPathCapacity, folder, kHistoryName) ||
        !Concatenate(place.dump, kPathCapacity, folder, kDumpName))
        return false;
    int length = WideCharToMultiByte(CP_UTF8, 0, place.report, -1, place.reportUtf8, int(kUtf8PathCapacity),
                                     nullptr, nullptr);
    if (length <= 0) return false;
    place.known = true;
    return true;
}

// The executable's folder, with its final backslash.
bool ExecutableFolder(wchar_t* folder, size_t capacity) {
    DWORD length = GetModuleFileNameW(nullptr, folder, DWORD(capacity));
    if (length == 0 || length >= capacity) return false;
    wchar_t* slash = std::wcsrchr(folder, L'\\');
    if (!slash) return false;
    slash[1] = L'\0';
    return true;
}

void ShowMessageBox(const char* text, const char* caption) {
    if (!MultiByteToWideChar(CP_UTF8, 0, text, -1, gCrash.noticeWide, int(kNoticeCapacity))) return;
    if (!MultiByteToWideChar(CP_UTF8, 0, caption, -1, gCrash.captionWide, int(kCaptionCapacity))) return;
    // No owner: the host's window belongs to a thread that is stopped now.
    MessageBoxW(nullptr, gCrash.noticeWide, gCrash.captionWide,
                MB_OK | MB_ICONERROR | MB_TOPMOST | MB_SETFOREGROUND);
}

CrashFacts GatherFacts(ProcessMemory& memory) {
    CrashFacts facts;
    const EXCEPTION_RECORD& record = *gCrash.exception->ExceptionRecord;
    facts.version = gCrash.version;
    SYSTEMTIME now;
    GetSystemTime(&now);
    facts.time = CalendarTimeOf(now);
    facts.threadId = gCrash.faultThread;
    facts.mainThread = gCrash.faultThread == gCrash.mainThread;
    facts.code = record.ExceptionCode;
    facts.address = uint32_t(uintptr_t(record.ExceptionAddress));
    facts.parameterCount = record.NumberParameters < CrashFacts::kMostParameters
                               ? record.NumberParameters
                               : CrashFacts::kMostParameters;
    for (uint32_t i = 0; i < facts.parameterCount; ++i)
        facts.parameters[i] = uint32_t(record.ExceptionInformation[i]);
    facts.registers = RegistersOf(*gCrash.exception->ContextRecord);
    facts.stackTop = gCrash.stackTop;
    GatherLoadedModules(gCrash.modules, gCrash.moduleHandles, LoadedModules::kCapacity, memory);
    facts.modules = &gCrash.modules;
    facts.frames = gCrash.frames.load();
    return facts;
}

// Writes the report where it can be made; the place, or null.
const CrashPlace* WriteReport(const CrashFacts& facts, ProcessMemory& memory) {
    for (const CrashPlace& place : gCrash.places) {
        if (!place.known) continue;
        CrashFileSink file(place.report, CrashFileSink::Mode::Replace);
        if (!file.IsOpen()) continue;
        ReportStream out(file);
        WriteCrashReport(facts, memory, out);
        return &place;
    }
    return nullptr;
}

// The whole handling of one fault, after which the process ends.
void HandleFault() {
    SuspendOtherThreads(GetCurrentThreadId(), gCrash.faultThread);
    ProcessMemory memory;
    const CrashFacts facts = GatherFacts(memory);
    const CrashPlace* place = WriteReport(facts, memory);
    if (place) {
        CrashFileSink history(place->history, CrashFileSink::Mode::Append);
        ReportStream line(history);
        WriteCrashHistoryLine(facts, line);
        line.Flush();
        WriteMiniDump(gCrash.writeDump, place->dump, gCrash.faultThread, gCrash.exception);
    }
    SetEvent(gCrash.reportWritten);

    CrashNoticeFacts notice;
    ModuleAddress where = gCrash.modules.Locate(facts.address);
    notice.moduleName = where.module ? where.module->Name() : nullptr;
    notice.address = facts.address;
    notice.reportPath = place ? place->reportUtf8 : nullptr;
    ComposeCrashNotice(notice, gCrash.noticeText, kNoticeCapacity);
    (gCrash.notice ? gCrash.notice : ShowMessageBox)(gCrash.noticeText, kCrashNoticeCaption);
}

DWORD WINAPI RunReporter(void*) {
    WaitForSingleObject(gCrash.wake, INFINITE);
    HandleFault();
    return 0;
}

// The top of the calling thread's stack: StackBase of its thread information block, at fs:4.
uint32_t StackTopOfThisThread() {
    uint32_t top;
    asm volatile("movl %%fs:4, %0" : "=r"(top));
    return top;
}

[[noreturn]] void EndProcess(UINT exitCode) {
    TerminateProcess(GetCurrentProcess(), exitCode);
    // TerminateProcess of the own process does not return; should it, nothing more runs here.
    for (;;)
        Sleep(INFINITE);
}

LONG WINAPI OnUnhandledFault(EXCEPTION_POINTERS* exception) {
    const DWORD self = GetCurrentThreadId();
    const LONG owner = InterlockedCompareExchange(&gCrash.handlingThread, LONG(self), 0);
    if (owner != 0) {
        // A fault while one is handled: in the handling itself it ends the process now; on
        // another thread it waits for the handling, which ends the process.
        if (DWORD(owner) == self || self == gCrash.reporterThread) EndProcess(kFaultInCrashHandlingExitCode);
        for (;;)
            Sleep(INFINITE);
    }
    gCrash.exception = exception;
    gCrash.faultThread = self;
    gCrash.stackTop = StackTopOfThisThread();

    if (WaitForSingleObject(gCrash.reporter, 0) == WAIT_TIMEOUT) {
        SetEvent(gCrash.wake);
        const HANDLE writing[2] = {gCrash.reportWritten, gCrash.reporter};
        if (WaitForMultipleObjects(2, writing, FALSE, kWritingTimeoutMilliseconds) == WAIT_TIMEOUT)
            EndProcess(kCrashExitCode);
        // The player answers the notice in their own time.
        WaitForSingleObject(gCrash.reporter, INFINITE);
    } else {
        // The reporter has gone (the process is ending): the faulting thread handles it itself.
        HandleFault();
    }
    EndProcess(kCrashExitCode);
}
}  // namespace

bool InstallCrashHandler(const CrashHandlerSettings& settings) {
    if (gCrash.installed.load()) return true;
    gCrash.version = settings.version;
    gCrash.notice = settings.notice;

    static wchar_t folder[kPathCapacity];
    const wchar_t* chosen = settings.folder;
    if (!chosen && ExecutableFolder(folder, kPathCapacity)) chosen = folder;
    PreparePlace(gCrash.places[0], chosen);
    static wchar_t temporary[kPathCapacity];
    DWORD length = GetTempPathW(DWORD(kPathCapacity), temporary);
    if (length > 0 && length < kPathCapacity) PreparePlace(gCrash.places[1], temporary);

    gCrash.writeDump = FindMiniDumpWriter();
    gCrash.mainThread = GetCurrentThreadId();
    gCrash.wake = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    gCrash.reportWritten = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!gCrash.wake || !gCrash.reportWritten) return false;
    gCrash.reporter = CreateThread(nullptr, 0, RunReporter, nullptr, 0, &gCrash.reporterThread);
    if (!gCrash.reporter) return false;
    SetUnhandledExceptionFilter(OnUnhandledFault);
    gCrash.installed.store(true);
    return true;
}

CrashFrameSourceScope::CrashFrameSourceScope(const CrashFrameSource& source) { gCrash.frames.store(&source); }

CrashFrameSourceScope::~CrashFrameSourceScope() { gCrash.frames.store(nullptr); }
