#pragma once
// The plain records the host and a game module share: geometry, the window message, the display
// format and channel masks, and the three records the host hands a module at load time.
#include "tidemarch/abi.h"

namespace tidemarch {

// Rectangles are (left, top, right, bottom), right and bottom exclusive, in client-area pixels.
struct Rect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

struct Point {
    int32_t x;
    int32_t y;
};

struct Size {
    int32_t width;
    int32_t height;
};

// The platform's MSG: window, message, wParam, lParam, time, point.
struct WindowMessage {
    void* window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    uint32_t time;
    Point point;
};

struct DisplayFormat {
    uint32_t featureWord;  // CPUID leaf 1, EDX
    int32_t screenWidth;
    int32_t screenHeight;
    int32_t bytesPerPixel;
    int32_t rowBytes;
    int32_t frameBytes;
};

// Seven 64-bit masks for packed channel arithmetic on the display's pixels.
struct ChannelMasks {
    uint64_t redLanes;
    uint64_t greenLanes;
    uint64_t blueLanes;
    uint64_t pairMaskA;
    uint64_t pairMaskB;
    uint64_t redBlueLanes;
    uint64_t greenLanes2;
};

class Control;
class SurfaceControl;
class NetworkManager;

// Handed to the export "InitKTZDLL" right after the module is loaded: copies of the host's
// engine state at that moment (only the objects pointed at are live). 464 bytes.
#pragma pack(push, 4)
struct EngineInfo {
    void* hostWindow;             // 0
    void* instanceHandle;         // 4
    uint32_t featureWord;         // 8
    void* directDraw;             // 12   IDirectDraw4
    uint32_t unsetGlobal16;       // 16   0
    uint8_t effects3D;            // 20   mono static buffers are made 3D when non-zero
    uint8_t unsetBytes21[3];      // 21   0
    void* soundDevice8;           // 24   IDirectSound8, or null
    void* fallbackSoundDevice;    // 28   IDirectSound, or null
    void* primarySoundBuffer;     // 32   null after start-up
    void* soundListener;          // 36   the host's SoundListener
    uint32_t unsetGlobal40;       // 40   0
    uint32_t unsetGlobal44;       // 44   0
    int32_t liveSoundObjects;     // 48
    uint32_t cooperativeLevel;    // 52   19 full screen, 8 windowed, 10 frameless
    int32_t screenWidth;          // 56
    int32_t screenHeight;         // 60
    int32_t bytesPerPixel;        // 64
    int32_t rowBytes;             // 68
    int32_t frameBytes;           // 72
    ChannelMasks channelMasks;    // 76
    void* display;                // 132  the host's Display (a SurfaceControl)
    SurfaceControl* rootControl;  // 136  the target of all drawing
    uint8_t unwritten[320];       // 140  0
    Control* mouseCursor;         // 460  the host's MouseCursor
};
#pragma pack(pop)

// At a fixed place for the whole run; "InitApplicationInfo" receives its address.
struct ApplicationInfo {
    NetworkManager* networkManager;
    void* window;
    Control* currentScreen;  // the host panel that owns the module's first screen
    char emptyText[4];
    int32_t RetryCount;
};

// The command line as "AllocScreen" receives it (its third argument).
struct CommandLineBlock {
    char head[12];  // the first 12 characters, no terminator inside the field
    uint8_t zero[14];
    char tail[366];   // from the fourteenth character on, zero-terminated
    uint8_t hasTail;  // 1 when tail is not empty
    uint8_t padding[3];
};

// The exports the host looks up by name.
using InitEngineFunction = int32_t (*)(EngineInfo* info);                // "InitKTZDLL"
using InitApplicationInfoFunction = int32_t (*)(ApplicationInfo* info);  // "InitApplicationInfo"
using AllocScreenFunction = Control* (*)(int32_t first, Control* parent, void* commandLine);  // "AllocScreen"

}  // namespace tidemarch

TIDEMARCH_KIT_CHECKS_BEGIN
static_assert(sizeof(tidemarch::Rect) == 16 && sizeof(tidemarch::Point) == 8, "geometry records");
TIDEMARCH_KIT_SIZE(tidemarch::DisplayFormat, 24);
TIDEMARCH_KIT_SIZE(tidemarch::ChannelMasks, 56);
TIDEMARCH_KIT_SIZE(tidemarch::CommandLineBlock, 396);
TIDEMARCH_KIT_OFFSET(tidemarch::CommandLineBlock, tail, 26);
TIDEMARCH_KIT_OFFSET(tidemarch::CommandLineBlock, hasTail, 392);
#if TIDEMARCH_KIT_LAYOUT
TIDEMARCH_KIT_SIZE(tidemarch::WindowMessage, 28);
TIDEMARCH_KIT_SIZE(tidemarch::EngineInfo, 464);
TIDEMARCH_KIT_OFFSET(tidemarch::EngineInfo, directDraw, 12);
TIDEMARCH_KIT_OFFSET(tidemarch::EngineInfo, effects3D, 20);
TIDEMARCH_KIT_OFFSET(tidemarch::EngineInfo, soundDevice8, 24);
TIDEMARCH_KIT_OFFSET(tidemarch::EngineInfo, soundListener, 36);
TIDEMARCH_KIT_OFFSET(tidemarch::EngineInfo, liveSoundObjects, 48);
TIDEMARCH_KIT_OFFSET(tidemarch::EngineInfo, cooperativeLevel, 52);
TIDEMARCH_KIT_OFFSET(tidemarch::EngineInfo, screenWidth, 56);
TIDEMARCH_KIT_OFFSET(tidemarch::EngineInfo, frameBytes, 72);
TIDEMARCH_KIT_OFFSET(tidemarch::EngineInfo, channelMasks, 76);
TIDEMARCH_KIT_OFFSET(tidemarch::EngineInfo, display, 132);
TIDEMARCH_KIT_OFFSET(tidemarch::EngineInfo, rootControl, 136);
TIDEMARCH_KIT_OFFSET(tidemarch::EngineInfo, unwritten, 140);
TIDEMARCH_KIT_OFFSET(tidemarch::EngineInfo, mouseCursor, 460);
TIDEMARCH_KIT_SIZE(tidemarch::ApplicationInfo, 20);
TIDEMARCH_KIT_OFFSET(tidemarch::ApplicationInfo, currentScreen, 8);
TIDEMARCH_KIT_OFFSET(tidemarch::ApplicationInfo, emptyText, 12);
TIDEMARCH_KIT_OFFSET(tidemarch::ApplicationInfo, RetryCount, 16);
#endif
TIDEMARCH_KIT_CHECKS_END
