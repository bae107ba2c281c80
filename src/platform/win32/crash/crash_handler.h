#pragma once
// The handler of faults that nothing else handles, on any thread of the process: it writes
// crash.txt (and a line in crash-history.txt) and, where the platform can, crash.dmp beside the
// executable, tells the player once, and ends the process with kCrashExitCode. A fault while it
// does so ends the process at once with kFaultInCrashHandlingExitCode.
//
// Everything it needs is set aside when it is installed: its memory is static, and a thread of
// its own waits to write the report, so that a thread whose stack has overflowed only has to
// wake it. The faulting thread waits meanwhile, and every other thread is suspended.
#include <cstddef>

class CrashFrameSource;

// Tells the player; text and caption are UTF-8.
using CrashNoticeFunction = void (*)(const char* text, const char* caption);

struct CrashHandlerSettings {
    // The host's version; the text must outlive the process (a literal).
    const char* version = nullptr;
    // The folder the files go to, ending in a backslash; null: the executable's folder. When the
    // report cannot be made there, it goes to the user's temporary folder.
    const wchar_t* folder = nullptr;
    // Null: a message box.
    CrashNoticeFunction notice = nullptr;
};

// Installs the handler for the rest of the process's life. False, and the process runs without
// it, when what it needs could not be set aside; a second call changes nothing and returns true.
bool InstallCrashHandler(const CrashHandlerSettings& settings);

// Lends the report a frame source for the life of this object.
class CrashFrameSourceScope {
  public:
    explicit CrashFrameSourceScope(const CrashFrameSource& source);
    ~CrashFrameSourceScope();
    CrashFrameSourceScope(const CrashFrameSourceScope&) = delete;
    CrashFrameSourceScope& operator=(const CrashFrameSourceScope&) = delete;
};
