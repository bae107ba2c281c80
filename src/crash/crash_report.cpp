#include "crash/crash_report.h"

#include "crash/exception_names.h"

namespace {
constexpr uint32_t kPageBytes = 4096;
constexpr uint32_t kWordBytes = 4;
// Text longer than a line of the frame log is cut.
constexpr size_t kFrameLineCapacity = 256;

// The access an access violation or in-page error was making (its first parameter).
constexpr uint32_t kAccessRead = 0;
constexpr uint32_t kAccessWrite = 1;
constexpr uint32_t kAccessExecute = 8;

void WriteTime(const CalendarTime& time, ReportStream& out) {
    if (!time.known) {
        out.Text("unknown");
        return;
    }
    out.Decimal(time.year, 4).Text("-").Decimal(time.month, 2).Text("-").Decimal(time.day, 2);
    out.Text(" ").Decimal(time.hour, 2).Text(":").Decimal(time.minute, 2).Text(":").Decimal(time.second, 2);
    out.Text(" UTC");
}

void WriteExceptionName(uint32_t code, ReportStream& out) {
    out.Hex(code).Text(" ");
    const char* name = ExceptionName(code);
    out.Text(name ? name : "(unknown exception code)");
}

// Text without the line end it may carry.
void WriteLineOf(const char* text, size_t length, ReportStream& out) {
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r'))
        --length;
    out.Text(text, length).LineEnd();
}

void WriteHeader(const CrashFacts& facts, ReportStream& out) {
    out.Text(kCrashReportTitle).LineEnd();
    out.Text("version: ").Text(facts.version ? facts.version : "unknown").LineEnd();
    out.Text("time: ");
    WriteTime(facts.time, out);
    out.LineEnd();
    out.Text("thread: ")
        .Hex(facts.threadId)
        .Text(facts.mainThread ? " (the main thread)" : " (another thread)");
    out.LineEnd().LineEnd();
}

void WriteException(const CrashFacts& facts, ReportStream& out) {
    out.Text("exception: ");
    WriteExceptionName(facts.code, out);
    out.LineEnd();
    const bool accessFault =
        facts.code == exception_code::AccessViolation || facts.code == exception_code::InPageError;
    if (accessFault && facts.parameterCount >= 2) {
        switch (facts.parameters[0]) {
        case kAccessRead:
            out.Text("  reading from ");
            break;
        case kAccessWrite:
            out.Text("  writing to ");
            break;
        case kAccessExecute:
            out.Text("  executing at ");
            break;
        default:
            out.Text("  access of kind ").Decimal(facts.parameters[0]).Text(" at ");
            break;
        }
        out.Hex(facts.parameters[1]).LineEnd();
    } else if (facts.parameterCount > 0) {
        out.Text("  parameters:");
        uint32_t count = facts.parameterCount < CrashFacts::kMostParameters
                             ? facts.parameterCount
                             : uint32_t(CrashFacts::kMostParameters);
        for (uint32_t i = 0; i < count; ++i)
            out.Text(" ").Hex(facts.parameters[i]);
        out.LineEnd();
    }
    out.Text("address: ").Hex(facts.address).Text(" ");
    WriteModuleAddress(facts.modules, facts.address, out);
    out.LineEnd().LineEnd();
}

void WriteRegister(const char* name, uint32_t value, const LoadedModules* modules, ReportStream& out) {
    out.Text("  ").Text(name).Text(" ").Hex(value);
    if (modules && modules->Locate(value).module) {
        out.Text(" ");
        WriteModuleAddress(modules, value, out);
    }
    out.LineEnd();
}

void WriteRegisters(const CrashFacts& facts, ReportStream& out) {
    const X86Registers& r = facts.registers;
    out.Text("registers:").LineEnd();
    const struct {
        const char* name;
        uint32_t value;
    } general[] = {{"EIP", r.eip}, {"EAX", r.eax}, {"EBX", r.ebx}, {"ECX", r.ecx}, {"EDX", r.edx},
                   {"ESI", r.esi}, {"EDI", r.edi}, {"EBP", r.ebp}, {"ESP", r.esp}};
    for (const auto& named : general)
        WriteRegister(named.name, named.value, facts.modules, out);
    out.Text("  EFLAGS ").Hex(r.eflags).LineEnd();
    out.Text("  CS ").Hex(r.cs, 4).Text("  DS ").Hex(r.ds, 4).Text("  ES ").Hex(r.es, 4);
    out.Text("  FS ").Hex(r.fs, 4).Text("  GS ").Hex(r.gs, 4).Text("  SS ").Hex(r.ss, 4).LineEnd().LineEnd();
}

// The stack from the stack pointer up: each word that points into a loaded module, and each run
// of pages that could not be read.
void WriteStack(const CrashFacts& facts, CrashMemory& memory, ReportStream& out) {
    // Read in whole words from the first word boundary at or above the stack pointer.
    const uint32_t start = (facts.registers.esp + kWordBytes - 1) & ~(kWordBytes - 1);
    uint32_t end = facts.stackTop;
    if (end <= start || end - start > kMostStackBytes) {
        // A stack pointer outside its thread's stack: the report shows what lies above it.
        end = start + kMostStackBytes < start ? 0xFFFFFFFCu : start + kMostStackBytes;
    }
    out.Text("stack from ").Hex(start).Text(" to ").Hex(end);
    out.Text(", the words that point into a loaded module:").LineEnd();

    uint32_t page[kPageBytes / kWordBytes];
    uint32_t listed = 0;
    uint32_t notListed = 0;
    uint32_t unreadableFrom = 0;
    bool inUnreadable = false;
    for (uint32_t at = start; at < end && at >= start;) {
        // Up to the end of this page: a read that fails loses only that page.
        uint32_t pageEnd = (at | (kPageBytes - 1)) + 1;
        uint32_t bytes = (pageEnd == 0 || pageEnd > end ? end : pageEnd) - at;
        bytes &= ~(kWordBytes - 1);
        if (bytes == 0) break;
        if (!memory.Read(at, page, bytes)) {
            if (!inUnreadable) unreadableFrom = at;
            inUnreadable = true;
            at += bytes;
            continue;
        }
        if (inUnreadable) {
            out.Text("  ").Hex(unreadableFrom).Text(" to ").Hex(at).Text(" could not be read").LineEnd();
            inUnreadable = false;
        }
        for (uint32_t i = 0; i < bytes / kWordBytes; ++i) {
            if (!facts.modules || !facts.modules->Locate(page[i]).module) continue;
            if (listed == kMostListedStackWords) {
                ++notListed;
                continue;
            }
            ++listed;
            out.Text("  ").Hex(at + i * kWordBytes).Text(" ").Hex(page[i]).Text(" ");
            WriteModuleAddress(facts.modules, page[i], out);
            out.LineEnd();
        }
        at += bytes;
    }
    if (inUnreadable)
        out.Text("  ").Hex(unreadableFrom).Text(" to ").Hex(end).Text(" could not be read").LineEnd();
    if (notListed > 0) out.Text("  and ").Decimal(notListed).Text(" more such words, not listed").LineEnd();
    out.LineEnd();
}

void WriteModules(const CrashFacts& facts, ReportStream& out) {
    out.Text("modules (base, size, file time, link stamp, linked base, path):").LineEnd();
    if (!facts.modules) {
        out.Text("  unknown").LineEnd().LineEnd();
        return;
    }
    const LoadedModules& modules = *facts.modules;
    for (size_t i = 0; i < modules.Count(); ++i) {
        const LoadedModule& module = modules[i];
        out.Text("  ").Hex(module.base).Text(" ").Hex(module.size).Text(" ");
        WriteTime(module.modified, out);
        if (module.headerRead) {
            out.Text(" ").Hex(module.linkStamp).Text(" ").Hex(module.preferredBase);
        } else {
            out.Text(" - -");
        }
        out.Text(" ").Text(module.path).LineEnd();
    }
    if (modules.NotListed() > 0)
        out.Text("  and ").Decimal(modules.NotListed()).Text(" more, not listed").LineEnd();
    out.LineEnd();
}

void WriteFrames(const CrashFacts& facts, ReportStream& out) {
    out.Text("frames started: ");
    if (!facts.frames) {
        out.Text("unknown").LineEnd();
        return;
    }
    const CrashFrameSource& frames = *facts.frames;
    out.Decimal(frames.FramesStarted()).LineEnd();
    const size_t recent = frames.RecentFrames();
    if (recent == 0) {
        out.Text("recent frames: none kept (the frame log is off)").LineEnd();
        return;
    }
    out.Text("recent frames, from the frame log:").LineEnd();
    const char* columns = frames.RecentFrameColumns();
    size_t length = 0;
    while (columns[length])
        ++length;
    WriteLineOf(columns, length, out);
    char line[kFrameLineCapacity];
    for (size_t i = 0; i < recent; ++i) {
        length = frames.FormatRecentFrame(i, line, sizeof line);
        WriteLineOf(line, length < sizeof line ? length : sizeof line - 1, out);
    }
}
}  // namespace

void WriteModuleAddress(const LoadedModules* modules, uint32_t address, ReportStream& out) {
    ModuleAddress place = modules ? modules->Locate(address) : ModuleAddress{};
    if (!place.module) {
        out.Text("(no loaded module)");
        return;
    }
    out.Text(place.module->Name()).Text("+").Hex(place.offset, 1);
    if (place.InData()) out.Text(" (data)");
}

void WriteCrashReport(const CrashFacts& facts, CrashMemory& memory, ReportStream& out) {
    // Each part goes to the file as soon as it is written, so that a report that cannot be
    // finished still holds what came before.
    WriteHeader(facts, out);
    WriteException(facts, out);
    out.Flush();
    WriteRegisters(facts, out);
    out.Flush();
    WriteStack(facts, memory, out);
    out.Flush();
    WriteModules(facts, out);
    out.Flush();
    WriteFrames(facts, out);
    out.Flush();
}

void WriteCrashHistoryLine(const CrashFacts& facts, ReportStream& out) {
    WriteTime(facts.time, out);
    out.Text("  version ").Text(facts.version ? facts.version : "unknown").Text("  ");
    WriteExceptionName(facts.code, out);
    out.Text(" at ");
    WriteModuleAddress(facts.modules, facts.address, out);
    out.LineEnd();
    out.Flush();
}
