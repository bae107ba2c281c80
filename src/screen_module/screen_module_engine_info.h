#pragma once
// The engine state a screen module receives through its export "InitKTZDLL" as soon as it is
// loaded. A screen module keeps its own copy of the engine's globals; this record points that
// copy at the host's window, display, pixel format and sound device. A binary contract with
// every screen module, in little-endian bytes:
//
//   offset  size  content
//   0       4     HostWindow
//   4       4     the program's instance handle
//   8       4     DisplayFormat feature word (CPUID leaf 1, EDX)
//   12      4     the DirectDraw object (IDirectDraw4)
//   16      4     a global the host never sets: 0
//   20      1     the 3D effects switch of the sound device
//   21      3     never set: 0
//   24      4     the DirectSound 8 device, or null
//   28      4     the plain DirectSound device, or null
//   32      4     the primary sound buffer slot (null after start-up)
//   36      4     the SoundListener
//   40      8     two globals the host never sets: 0
//   48      4     the count of live sound objects
//   52      4     the display's cooperative-level flags
//   56      20    DisplayFormat screen width, height, bytes per pixel, row bytes, frame bytes
//   76      56    the seven ChannelMasks, 8 bytes each, in their declared order
//   132     4     the Display
//   136     4     the RootControl
//   140     320   not written by the host: 0
//   460     4     the mouse cursor
//
// Every value is copied as it stands when the module is loaded; only the objects the pointers
// point at are live.
#include <cstdint>

#include "common/layout_check.h"
#include "display/display_format.h"

class Control;
class Display;
class SoundListener;
class RootControl;

// The masks sit at offset 76, which is not a multiple of 8: the record packs to 4 bytes.
#pragma pack(push, 4)
struct EngineInfo {
    static constexpr uint32_t kUnwrittenBytes = 320;

    void* hostWindow;
    void* instanceHandle;
    uint32_t featureWord;
    void* directDraw;
    uint32_t unsetGlobal16;
    uint8_t effects3D;
    uint8_t unsetBytes21[3];
    void* soundDevice8;
    void* fallbackSoundDevice;
    void* primarySoundBuffer;
    SoundListener* soundListener;
    uint32_t unsetGlobal40;
    uint32_t unsetGlobal44;
    int32_t liveSoundObjects;
    uint32_t cooperativeLevel;
    int32_t screenWidth;
    int32_t screenHeight;
    int32_t bytesPerPixel;
    int32_t rowBytes;
    int32_t frameBytes;
    ChannelMasks channelMasks;
    ::Display* display;
    ::RootControl* rootControl;
    uint8_t unwritten[kUnwrittenBytes];
    Control* mouseCursor;
};
#pragma pack(pop)

// Fills the record from the host's globals of this moment, byte for byte; every byte the host
// has nothing for is zero.
void FillEngineInfo(EngineInfo& info);

// The module's side: points this copy of the engine's globals at what the record names (the
// window, display format and masks, DirectDraw, the sound device, display, root control and
// mouse cursor). A screen module built from the engine's own code calls it from "InitKTZDLL".
void AdoptEngineInfo(const EngineInfo& info);

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_SIZE(EngineInfo, 464);
TIDEMARCH_CHECK_OFFSET(EngineInfo, instanceHandle, 4);
TIDEMARCH_CHECK_OFFSET(EngineInfo, featureWord, 8);
TIDEMARCH_CHECK_OFFSET(EngineInfo, directDraw, 12);
TIDEMARCH_CHECK_OFFSET(EngineInfo, unsetGlobal16, 16);
TIDEMARCH_CHECK_OFFSET(EngineInfo, effects3D, 20);
TIDEMARCH_CHECK_OFFSET(EngineInfo, soundDevice8, 24);
TIDEMARCH_CHECK_OFFSET(EngineInfo, fallbackSoundDevice, 28);
TIDEMARCH_CHECK_OFFSET(EngineInfo, primarySoundBuffer, 32);
TIDEMARCH_CHECK_OFFSET(EngineInfo, soundListener, 36);
TIDEMARCH_CHECK_OFFSET(EngineInfo, unsetGlobal40, 40);
TIDEMARCH_CHECK_OFFSET(EngineInfo, unsetGlobal44, 44);
TIDEMARCH_CHECK_OFFSET(EngineInfo, liveSoundObjects, 48);
TIDEMARCH_CHECK_OFFSET(EngineInfo, cooperativeLevel, 52);
TIDEMARCH_CHECK_OFFSET(EngineInfo, screenWidth, 56);
TIDEMARCH_CHECK_OFFSET(EngineInfo, screenHeight, 60);
TIDEMARCH_CHECK_OFFSET(EngineInfo, bytesPerPixel, 64);
TIDEMARCH_CHECK_OFFSET(EngineInfo, rowBytes, 68);
TIDEMARCH_CHECK_OFFSET(EngineInfo, frameBytes, 72);
TIDEMARCH_CHECK_OFFSET(EngineInfo, channelMasks, 76);
TIDEMARCH_CHECK_OFFSET(EngineInfo, display, 132);
TIDEMARCH_CHECK_OFFSET(EngineInfo, rootControl, 136);
TIDEMARCH_CHECK_OFFSET(EngineInfo, unwritten, 140);
TIDEMARCH_CHECK_OFFSET(EngineInfo, mouseCursor, 460);
TIDEMARCH_LAYOUT_CHECKS_END
#endif
