// The crash handler in a process of its own: crash_probe.exe faults as told, and the test reads
// the exit code and the files it left. Each run is bounded in time, so a handler that loops or
// hangs fails the test instead of holding it.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "crash/crash_report.h"

namespace {
constexpr DWORD kRunMilliseconds = 60000;

std::string ExecutableFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.rfind('\\') + 1);
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

size_t Count(const std::string& text, const std::string& piece) {
    size_t count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        ++count;
    return count;
}

struct ProbeRun {
    DWORD exitCode = 0;
    std::string folder;
    std::string report, history, notice;
    bool dumped = false;
};

// Runs the probe with the fault in a fresh folder and collects the files; the report goes to the
// folder given instead, when one is.
ProbeRun RunProbe(const std::string& fault, const std::string& reportFolder = "") {
    const std::string folder = ExecutableFolder() + "crash_" + fault + "\\";
    for (const char* name : {"crash.txt", "crash-history.txt", "crash.dmp", "notice.txt"})
        DeleteFileA((folder + name).c_str());
    CreateDirectoryA(folder.c_str(), nullptr);
    // The folders without their final backslash, which would escape the closing quote.
    const std::string reportTo = reportFolder.empty() ? folder : reportFolder;
    std::string command = "\"" + ExecutableFolder() + "crash_probe.exe\" " + fault + " \"" +
                          reportTo.substr(0, reportTo.size() - 1) + "\" \"" +
                          folder.substr(0, folder.size() - 1) + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ProbeRun run;
    run.folder = folder;
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        ADD_FAILURE() << "could not start " << command;
        return run;
    }
    if (WaitForSingleObject(process.hProcess, kRunMilliseconds) == WAIT_TIMEOUT) {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, INFINITE);
        ADD_FAILURE() << fault << ": the probe did not end within " << kRunMilliseconds << " ms";
    }
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    run.report = ReadFile(folder + "crash.txt");
    run.history = ReadFile(folder + "crash-history.txt");
    run.notice = ReadFile(folder + "notice.txt");
    run.dumped = ReadFile(folder + "crash.dmp").rfind("MDMP", 0) == 0;
    return run;
}

// The module and offset of the faulting address, as the report's address line gives them.
std::string FaultPlace(const std::string& report) {
    std::smatch match;
    if (!std::regex_search(report, match, std::regex("address: 0x[0-9A-F]{8} (\\S+\\+0x[0-9A-F]+)\r\n")))
        return "";
    return match[1];
}

TEST(CrashHandlerTest, AFaultOnAnyThreadIsReportedOnceAndEndsTheProcess) {
    struct Case {
        const char* fault;
        const char* exception;
        const char* thread;
    };
    const Case cases[] = {
        {"main", "0xC0000005 EXCEPTION_ACCESS_VIOLATION", "(the main thread)"},
        {"stack", "0xC00000FD EXCEPTION_STACK_OVERFLOW", "(the main thread)"},
        {"sound-thread", "0xC0000005 EXCEPTION_ACCESS_VIOLATION", "(another thread)"},
        // Two threads fault at once: one report, one notice.
        {"two-threads", "0xC0000005 EXCEPTION_ACCESS_VIOLATION", "(another thread)"},
        // After main has returned, while the program ends.
        {"at-exit", "0xC0000005 EXCEPTION_ACCESS_VIOLATION", "(the main thread)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        ProbeRun run = RunProbe(c.fault);
        EXPECT_EQ(run.exitCode, kCrashExitCode);
        EXPECT_EQ(Count(run.report, std::string("exception: ") + c.exception + "\r\n"), 1u) << run.report;
        EXPECT_NE(run.report.find(c.thread), std::string::npos);
        EXPECT_NE(run.report.find("version: probe\r\n"), std::string::npos);
        // The probe's own function, in the probe.
        const std::string place = FaultPlace(run.report);
        EXPECT_EQ(place.rfind("crash_probe.exe+0x", 0), 0u) << place;
        EXPECT_NE(
            run.report.find("frames started: 77\r\nrecent frames, from the frame log:\r\n# frame due\r\n"
                            "75 3000\r\n76 3040\r\n"),
            std::string::npos);
        EXPECT_EQ(Count(run.history, "\r\n"), 1u) << run.history;
        EXPECT_NE(run.history.find(place), std::string::npos);
        EXPECT_TRUE(run.dumped);
        EXPECT_EQ(Count(run.notice, "----\n"), 1u) << run.notice;
        EXPECT_NE(run.notice.find("main thread counted meanwhile: 0\n"), std::string::npos) << run.notice;
        EXPECT_NE(run.notice.find("The game stopped because of a fault in crash_probe.exe."),
                  std::string::npos);
        EXPECT_NE(run.notice.find("The crash report is in\n" + run.folder + "crash.txt"), std::string::npos)
            << run.notice;
    }
}

TEST(CrashHandlerTest, AFaultInsideTheHandlingEndsTheProcessAtOnceWithWhatWasWritten) {
    // The report's frame source faults: the parts before it are in the file, and nothing after.
    ProbeRun run = RunProbe("in-handler");
    EXPECT_EQ(run.exitCode, kFaultInCrashHandlingExitCode);
    EXPECT_NE(run.report.find("exception: 0xC0000005 EXCEPTION_ACCESS_VIOLATION\r\n"), std::string::npos);
    EXPECT_NE(run.report.find("\r\nmodules ("), std::string::npos) << run.report;
    EXPECT_EQ(run.report.find("frames started"), std::string::npos);
    EXPECT_TRUE(run.history.empty());
    EXPECT_TRUE(run.notice.empty()) << run.notice;
}

TEST(CrashHandlerTest, AFolderThatCannotTakeTheReportSendsItToTheTemporaryFolder) {
    char temporary[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, temporary);
    ASSERT_GT(length, 0u);
    const std::string fallback(temporary, length);
    for (const char* name : {"crash.txt", "crash-history.txt", "crash.dmp"})
        DeleteFileA((fallback + name).c_str());
    ProbeRun run = RunProbe("main", "Q:\\no such folder\\");
    EXPECT_EQ(run.exitCode, kCrashExitCode);
    const std::string report = ReadFile(fallback + "crash.txt");
    EXPECT_NE(report.find("exception: 0xC0000005 EXCEPTION_ACCESS_VIOLATION\r\n"), std::string::npos);
    EXPECT_TRUE(Exists(fallback + "crash-history.txt"));
    EXPECT_NE(run.notice.find("The crash report is in\n" + fallback + "crash.txt"), std::string::npos)
        << run.notice;
    for (const char* name : {"crash.txt", "crash-history.txt", "crash.dmp"})
        DeleteFileA((fallback + name).c_str());
}
}  // namespace
