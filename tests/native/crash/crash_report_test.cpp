// The crash report from plain data: where an address lies, the exception, the stack words that
// point into modules (and only memory that could be read), the modules and the frames.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "crash/crash_report.h"

namespace {
struct StringSink final : ReportSink {
    std::string text;
    std::vector<std::string> writes;
    bool Write(const char* piece, size_t length) override {
        writes.emplace_back(piece, length);
        text.append(piece, length);
        return true;
    }
};

constexpr uint32_t kPage = 4096;

// Memory made of readable pages; a read that touches any other page fails.
struct PageMemory final : CrashMemory {
    std::map<uint32_t, std::vector<uint32_t>> pages;  // by page address, 1024 words each

    void Put(uint32_t address, uint32_t word) {
        std::vector<uint32_t>& page = pages[address & ~(kPage - 1)];
        page.resize(kPage / 4);
        page[(address % kPage) / 4] = word;
    }
    void MakeReadable(uint32_t page) { pages[page].resize(kPage / 4); }

    bool Read(uint32_t address, void* out, size_t bytes) override {
        for (uint32_t at = address & ~(kPage - 1); at < address + bytes; at += kPage)
            if (!pages.count(at)) return false;
        auto* to = static_cast<uint8_t*>(out);
        for (size_t i = 0; i < bytes; ++i) {
            const uint32_t at = address + uint32_t(i);
            uint32_t word = pages[at & ~(kPage - 1)][(at % kPage) / 4];
            to[i] = uint8_t(word >> (8 * (at % 4)));
        }
        return true;
    }
};

struct FrameSource final : CrashFrameSource {
    uint32_t started = 0;
    std::vector<std::string> lines;
    uint32_t FramesStarted() const override { return started; }
    size_t RecentFrames() const override { return lines.size(); }
    const char* RecentFrameColumns() const override { return "# frame due\n"; }
    size_t FormatRecentFrame(size_t index, char* line, size_t capacity) const override {
        size_t length = std::min(lines[index].size(), capacity - 1);
        std::memcpy(line, lines[index].data(), length);
        line[length] = '\0';
        return length;
    }
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "a line without CR LF at the end";
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// The lines of the part that begins with the title, up to the blank line after it.
std::vector<std::string> Part(const std::string& text, const std::string& title) {
    std::vector<std::string> lines = Lines(text), part;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind(title, 0) != 0) continue;
        for (size_t k = i; k < lines.size() && !lines[k].empty(); ++k)
            part.push_back(lines[k]);
        break;
    }
    return part;
}

constexpr uint32_t kMainBase = 0x10000000;
constexpr uint32_t kHostBase = 0x00400000;
constexpr uint32_t kStackTop = 0x00130000;

struct CrashReportTest : ::testing::Test {
    LoadedModules modules;
    PageMemory memory;
    CrashFacts facts;

    CrashReportTest() {
        LoadedModule* host = modules.Add();
        host->base = kHostBase;
        host->size = 0x100000;
        host->codeStart = 0x1000;
        host->codeEnd = 0x80000;
        host->headerRead = true;
        host->preferredBase = kHostBase;
        host->linkStamp = 0x6B1BEF3A;
        std::strcpy(host->path, "C:\\Games\\Tidemarch\\Tidemarch.exe");
        LoadedModule* main = modules.Add();
        main->base = kMainBase;
        main->size = 0x10000;
        main->codeStart = 0x1000;
        main->codeEnd = 0x5000;
        main->modified = CalendarTime{2026, 3, 4, 5, 6, 7, true};
        std::strcpy(main->path, "C:\\Games\\Tidemarch\\Main.dll");
        facts.version = "1.0.0";
        facts.code = 0xC0000005;
        facts.address = kMainBase + 0x1234;
        facts.parameterCount = 2;
        facts.parameters[0] = 1;
        facts.registers.eip = facts.address;
        facts.registers.esp = kStackTop - 0x100;
        facts.stackTop = kStackTop;
        facts.modules = &modules;
        memory.MakeReadable(kStackTop - kPage);
    }

    std::string Report() {
        StringSink sink;
        {
            ReportStream out(sink);
            WriteCrashReport(facts, memory, out);
        }
        return sink.text;
    }
};

TEST_F(CrashReportTest, AnAddressLiesInTheModuleWhoseImageHoldsIt) {
    LoadedModule* top = modules.Add();
    top->base = 0xFFFF0000;
    top->size = 0x10000;
    struct Case {
        uint32_t address;
        const char* module;  // null: none
        uint32_t offset;
    };
    const Case cases[] = {
        {kMainBase, "Main.dll", 0},
        {kMainBase + 0xFFFF, "Main.dll", 0xFFFF},
        {kMainBase + 0x10000, nullptr, 0},
        {kMainBase - 1, nullptr, 0},
        {kHostBase + 0x2184, "Tidemarch.exe", 0x2184},
        {0, nullptr, 0},
        // A module that ends at the top of the address space.
        {0xFFFFFFFF, "", 0xFFFF},
    };
    for (const Case& c : cases) {
        ModuleAddress place = modules.Locate(c.address);
        if (!c.module) {
            EXPECT_EQ(place.module, nullptr) << std::hex << c.address;
            continue;
        }
        ASSERT_NE(place.module, nullptr) << std::hex << c.address;
        EXPECT_STREQ(place.module->Name(), c.module);
        EXPECT_EQ(place.offset, c.offset);
    }
}

TEST_F(CrashReportTest, AFullModuleTableCountsTheModulesItCannotHold) {
    while (modules.Count() < LoadedModules::kCapacity)
        ASSERT_NE(modules.Add(), nullptr);
    EXPECT_EQ(modules.Add(), nullptr);
    EXPECT_EQ(modules.Add(), nullptr);
    EXPECT_EQ(modules.NotListed(), 2u);
    std::vector<std::string> part = Part(Report(), "modules ");
    EXPECT_EQ(part.back(), "  and 2 more, not listed");
}

TEST_F(CrashReportTest, NamesTheExceptionItsAccessAndWhereItHappened) {
    struct Case {
        uint32_t code;
        std::vector<uint32_t> parameters;
        uint32_t address;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {0xC0000005,
         {1, 0},
         kMainBase + 0x16F5,
         {"exception: 0xC0000005 EXCEPTION_ACCESS_VIOLATION", "  writing to 0x00000000",
          "address: 0x100016F5 Main.dll+0x16F5"}},
        {0xC0000005,
         {0, 0x44},
         kHostBase + 0x2000,
         {"exception: 0xC0000005 EXCEPTION_ACCESS_VIOLATION", "  reading from 0x00000044",
          "address: 0x00402000 Tidemarch.exe+0x2000"}},
        {0xC0000005,
         {8, 0x10008000},
         0x10008000,
         {"exception: 0xC0000005 EXCEPTION_ACCESS_VIOLATION", "  executing at 0x10008000",
          "address: 0x10008000 Main.dll+0x8000 (data)"}},
        {0xC0000006,
         {1, 0x2000, 0xC000009C},
         0,
         {"exception: 0xC0000006 EXCEPTION_IN_PAGE_ERROR", "  writing to 0x00002000",
          "address: 0x00000000 (no loaded module)"}},
        {0xC00000FD,
         {1, 0x00D21F40},
         kMainBase + 0x1741,
         {"exception: 0xC00000FD EXCEPTION_STACK_OVERFLOW", "  parameters: 0x00000001 0x00D21F40",
          "address: 0x10001741 Main.dll+0x1741"}},
        {0xE0000001,
         {},
         kMainBase + 0x1000,
         {"exception: 0xE0000001 (unknown exception code)", "address: 0x10001000 Main.dll+0x1000"}},
    };
    for (const Case& c : cases) {
        facts.code = c.code;
        facts.parameterCount = uint32_t(c.parameters.size());
        for (size_t i = 0; i < c.parameters.size(); ++i)
            facts.parameters[i] = c.parameters[i];
        facts.address = c.address;
        EXPECT_EQ(Part(Report(), "exception: "), c.lines);
    }
}

TEST_F(CrashReportTest, BeginsWithTheVersionTimeAndThread) {
    facts.time = CalendarTime{2026, 12, 1, 9, 5, 3, true};
    facts.threadId = 0x24;
    facts.mainThread = true;
    EXPECT_EQ(Part(Report(), kCrashReportTitle),
              (std::vector<std::string>{kCrashReportTitle, "version: 1.0.0", "time: 2026-12-01 09:05:03 UTC",
                                        "thread: 0x00000024 (the main thread)"}));
}

TEST_F(CrashReportTest, RegistersThatPointIntoAModuleAreShownAsAPlaceInIt) {
    facts.registers.ecx = kMainBase + 0x9000;
    facts.registers.ebp = 0x0012FF00;
    facts.registers.cs = 0x23;
    std::vector<std::string> part = Part(Report(), "registers:");
    ASSERT_EQ(part.size(), 12u);
    EXPECT_EQ(part[1], "  EIP 0x10001234 Main.dll+0x1234");
    EXPECT_EQ(part[4], "  ECX 0x10009000 Main.dll+0x9000 (data)");
    EXPECT_EQ(part[8], "  EBP 0x0012FF00");
    EXPECT_EQ(part[11].substr(0, 11), "  CS 0x0023");
}

TEST_F(CrashReportTest, TheStackShowsOnlyWordsThatPointIntoModulesAndOnlyMemoryThatWasRead) {
    // Three pages above the stack pointer; the middle one cannot be read.
    facts.registers.esp = kStackTop - 3 * kPage + 0x10;
    memory.MakeReadable(kStackTop - 3 * kPage);
    memory.Put(kStackTop - 3 * kPage + 0x0C, kMainBase + 0x1500);  // below the stack pointer
    memory.Put(kStackTop - 3 * kPage + 0x10, kMainBase + 0x1234);
    memory.Put(kStackTop - 3 * kPage + 0x20, 0x12345678);  // in no module
    memory.Put(kStackTop - 3 * kPage + 0x24, kHostBase + 0x90000);
    memory.Put(kStackTop - kPage + 0xFFC, kHostBase + 0x2184);
    std::vector<std::string> part = Part(Report(), "stack from ");
    EXPECT_EQ(part, (std::vector<std::string>{
                        "stack from 0x0012D010 to 0x00130000, the words that point into a loaded module:",
                        "  0x0012D010 0x10001234 Main.dll+0x1234",
                        "  0x0012D024 0x00490000 Tidemarch.exe+0x90000 (data)",
                        "  0x0012E000 to 0x0012F000 could not be read",
                        "  0x0012FFFC 0x00402184 Tidemarch.exe+0x2184",
                    }));
}

TEST_F(CrashReportTest, AStackThatCannotBeReadAtAllIsSaidToBeSo) {
    // A stack pointer above its own stack: the report reads what lies above it, bounded.
    facts.registers.esp = 0x7FFE0002;
    std::vector<std::string> part = Part(Report(), "stack from ");
    EXPECT_EQ(part, (std::vector<std::string>{
                        "stack from 0x7FFE0004 to 0x803E0004, the words that point into a loaded module:",
                        "  0x7FFE0004 to 0x803E0004 could not be read",
                    }));
}

TEST_F(CrashReportTest, ListsTheFirstStackWordsIntoModulesAndCountsTheRest) {
    facts.registers.esp = kStackTop - kPage;
    const uint32_t words = kPage / 4;
    for (uint32_t i = 0; i < words; ++i)
        memory.Put(kStackTop - kPage + 4 * i, kMainBase + 0x1000 + i);
    std::vector<std::string> part = Part(Report(), "stack from ");
    ASSERT_EQ(part.size(), 1 + kMostListedStackWords + 1);
    EXPECT_EQ(part[1], "  0x0012F000 0x10001000 Main.dll+0x1000");
    EXPECT_EQ(part.back(),
              "  and " + std::to_string(words - kMostListedStackWords) + " more such words, not listed");
}

TEST_F(CrashReportTest, ListsEachModuleWithItsPlaceFileTimeAndHeader) {
    std::vector<std::string> part = Part(Report(), "modules ");
    EXPECT_EQ(part,
              (std::vector<std::string>{
                  "modules (base, size, file time, link stamp, linked base, path):",
                  "  0x00400000 0x00100000 unknown 0x6B1BEF3A 0x00400000 C:\\Games\\Tidemarch\\Tidemarch.exe",
                  "  0x10000000 0x00010000 2026-03-04 05:06:07 UTC - - C:\\Games\\Tidemarch\\Main.dll",
              }));
}

TEST_F(CrashReportTest, TheFramesPartSaysWhatTheFrameSourceHolds) {
    FrameSource off;
    off.started = 1234;
    FrameSource on;
    on.started = 28;
    on.lines = {"25 1040 1041\n", "26 1080 1081"};
    struct Case {
        const CrashFrameSource* source;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {nullptr, {"frames started: unknown"}},
        {&off, {"frames started: 1234", "recent frames: none kept (the frame log is off)"}},
        {&on,
         {"frames started: 28", "recent frames, from the frame log:", "# frame due", "25 1040 1041",
          "26 1080 1081"}},
    };
    for (const Case& c : cases) {
        facts.frames = c.source;
        EXPECT_EQ(Part(Report(), "frames started: "), c.lines);
    }
}

TEST_F(CrashReportTest, EachPartReachesTheFileBeforeTheNextIsWritten) {
    // A fault while the report is written ends the process: what came before must be in the file.
    StringSink sink;
    {
        ReportStream out(sink);
        WriteCrashReport(facts, memory, out);
    }
    ASSERT_GE(sink.writes.size(), 5u);
    EXPECT_NE(sink.writes[0].find("address: "), std::string::npos);
    EXPECT_EQ(sink.writes[0].find("registers:"), std::string::npos);
    EXPECT_EQ(sink.writes[1].rfind("registers:", 0), 0u);
    EXPECT_EQ(sink.writes[2].rfind("stack from ", 0), 0u);
    EXPECT_EQ(sink.writes[3].rfind("modules ", 0), 0u);
    EXPECT_EQ(sink.writes[4].rfind("frames started: ", 0), 0u);
}

TEST_F(CrashReportTest, TheHistoryLineNamesTimeVersionExceptionAndPlace) {
    facts.time = CalendarTime{2026, 12, 11, 12, 41, 24, true};
    StringSink sink;
    {
        ReportStream out(sink);
        WriteCrashHistoryLine(facts, out);
    }
    EXPECT_EQ(sink.text, "2026-12-11 12:41:24 UTC  version 1.0.0  0xC0000005 EXCEPTION_ACCESS_VIOLATION at "
                         "Main.dll+0x1234\r\n");
}
}  // namespace
