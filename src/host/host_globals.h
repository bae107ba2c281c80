#pragma once
// The host-wide objects and settings, one of each for the process, used on the window's thread.
// Every subsystem may read them; each is set in one place.
// The game module reads them through the records handed to it, so ApplicationInfo's layout is
// fixed: 0 network manager, 4 window, 8 current screen, 12 empty text (4 bytes), 16 RetryCount.
#include <cstdint>

#include "common/geometry.h"
#include "common/layout_check.h"

// The globals point at objects of the layers above; they name them without depending on them.
class Control;
class Display;
class NetworkManager;
class RootControl;

struct ApplicationInfo {
    ::NetworkManager* networkManager;
    void* window;
    Control* currentScreen;
    char emptyText[4];
    int32_t RetryCount;
};

// The command line as the game module's first screen receives it: the first 12 characters at
// offset 0, the text from the fourteenth character on at offset 26 (at most 365 characters,
// zero-terminated), and at offset 392 a flag telling whether that text is not empty.
struct CommandLineBlock {
    char head[12];
    uint8_t zero[14];
    char tail[366];
    uint8_t hasTail;
    uint8_t padding[3];
};

namespace host {
inline constexpr int32_t kFrameIntervalMs = 40;

// DirectDraw cooperative levels the host knows.
inline constexpr uint32_t kFullScreen = 19;  // full screen, allow reboot, exclusive
inline constexpr uint32_t kWindowed = 8;     // ordinary framed window
inline constexpr uint32_t kFrameless = 10;   // window without frame

extern void* HostWindow;
extern void* InstanceHandle;
extern void* DirectDrawObject;  // the display's IDirectDraw4, for the engine record
extern uint32_t CooperativeLevel;
extern Point ClientOffset;
extern uint32_t FrameInterval;
extern uint32_t BackgroundClear;
extern Control* DrawRoot;
extern Control* UpdateRoot;
extern Control* InputRoot;
extern Control* MouseCursor;
extern ::Display* Display;
extern ::RootControl* RootControl;
extern ::NetworkManager* NetworkManager;
extern ApplicationInfo AppInfo;
extern CommandLineBlock CommandLine;

// The process's exit code: 0 unless the game module could not be handed over.
extern int32_t ExitCode;

// Sets ClientOffset, the distance from the window's outer corner to its client area, for the
// window the start-up makes at a cooperative level: (3, 21) for a framed window, (0, 0) for a
// window without frame.
void SetClientOffsetFor(uint32_t cooperativeLevel);
}  // namespace host

// Clears CommandLineBlock and fills it from the command line as described above; a command line
// of fewer than 13 characters leaves it all zero.
void FillCommandLineBlock(CommandLineBlock& block, const char* commandLine);

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_SIZE(ApplicationInfo, 20);
TIDEMARCH_CHECK_OFFSET(ApplicationInfo, currentScreen, 8);
TIDEMARCH_CHECK_OFFSET(ApplicationInfo, emptyText, 12);
TIDEMARCH_CHECK_OFFSET(ApplicationInfo, RetryCount, 16);
TIDEMARCH_LAYOUT_CHECKS_END
#endif
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_SIZE(CommandLineBlock, 396);
TIDEMARCH_CHECK_OFFSET(CommandLineBlock, zero, 12);
TIDEMARCH_CHECK_OFFSET(CommandLineBlock, tail, 26);
TIDEMARCH_CHECK_OFFSET(CommandLineBlock, hasTail, 392);
TIDEMARCH_LAYOUT_CHECKS_END
