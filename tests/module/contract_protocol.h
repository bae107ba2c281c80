#pragma once
// How the contract test and its game module report to each other what crossed the boundary.
//
// This is instrumentation, not part of the contract under test: plain records of fixed-width
// fields that both compilers lay out alike. The shared control and surface records themselves
// are declared separately on each side (the host's headers, the module's own declaration).
#include <stdint.h>

namespace contract {

// The slot a call came through; recorded by host and module controls alike.
enum Call : int32_t {
    kDestroy = 0,
    kOpen = 1,
    kClose = 2,
    kUpdate = 3,
    kHandleMessage = 4,
    kDraw = 5,
    kNotify = 6,
};

struct CallRecord {
    const void* control;
    int32_t call;
    int32_t detail;  // the delete flags for kDestroy where the callee sees them, else 0
};

// The order of calls across both sides of one test.
struct CallJournal {
    int32_t count;
    CallRecord records[48];
};

inline void Note(CallJournal* journal, const void* control, int32_t call, int32_t detail) {
    if (!journal || journal->count >= int32_t(sizeof(journal->records) / sizeof(journal->records[0]))) return;
    CallRecord& record = journal->records[journal->count++];
    record.control = control;
    record.call = call;
    record.detail = detail;
}

// How a probe answers HandleMessage.
enum MessageAnswer : int32_t {
    kWalk = 0,          // the base behaviour: ask the children, then decline with the previous sibling
    kConsume = 1,       // null
    kRedirect = 2,      // redirectTo
    kQuitOnEscape = 3,  // the Escape key posts the quit message and is consumed; the rest walks
};

// What a module probe control saw last. Owned by the test, so it outlives the probe.
struct ProbeState {
    CallJournal* journal;
    int32_t answer;
    void* redirectTo;
    uint32_t paintColour;  // 16-bit pixel the probe paints over its box when drawn; 0 paints nothing

    const void* drawTarget;
    const void* drawClip;
    const void* drawOrigin;
    int32_t clipSeen[4];
    int32_t originSeen[2];

    const void* messageAt;
    uint32_t messageSeen[7];  // window, message, wParam, lParam, time, point x, point y

    const void* notifySender;
    int32_t notifyCode;
    int32_t notifyParam;

    int32_t destructions;
};

// Arguments of the module's control constructor: (parent, x1, y1, x2, y2, priority).
struct ProbeArguments {
    int32_t x1;
    int32_t y1;
    int32_t x2;
    int32_t y2;
    int32_t priority;
};

// What the module read back while it drove a host control through its slots.
struct HostCallReport {
    uint32_t flagsBefore;
    uint32_t flagsAfterOpen;
    uint32_t flagsAfterClose;
    const void* messageResult;
    int32_t x;
    int32_t y;
    int32_t priority;
    int32_t bounds[4];
};

// What the module read from a host surface record and through its slots. The module assumes a
// 16-bit layout.
struct SurfaceReport {
    int32_t width;
    int32_t height;
    int32_t pitch;
    uint32_t pixelRead;  // GetPixel at kDirectPixelX, kDirectPixelY after the direct write
};

// The drawing the module makes on a host surface, so the host can repeat it on a reference.
inline constexpr int32_t kDirectPixelX = 3;
inline constexpr int32_t kDirectPixelY = 2;
inline constexpr uint16_t kDirectPixel = 0x1234;
inline constexpr int32_t kFill[4] = {12, 9, 4, 5};  // given reversed: the fill orders its corners
inline constexpr uint32_t kFillColour = 0xF81F;
inline constexpr int32_t kFillLevel = 128;
inline constexpr int32_t kPutPixelX = 14;
inline constexpr int32_t kPutPixelY = 1;
inline constexpr uint32_t kPutPixelColour = 0x07E0;
inline constexpr int32_t kBlitX = 17;
inline constexpr int32_t kBlitY = 6;
inline constexpr int32_t kBlitSource[4] = {1, 2, 7, 5};
inline constexpr int32_t kBlitLevel = 256;
inline constexpr int32_t kBlitEffect = -96;

}  // namespace contract

namespace contract {

// What the game module's three exports received. Owned by the module, read by the test.
struct HandOverReport {
    int32_t initEngineCalls;
    uint8_t engineBytes[464];
    int32_t initApplicationInfoCalls;
    const void* applicationInfo;
    const void* applicationNetworkManager;  // read through the record at the call
    const void* applicationWindow;
    int32_t allocScreenCalls;
    int32_t allocFirst;
    const void* allocParent;
    const void* allocCommandLine;
    char commandHead[13];  // the first 12 characters of the command line, as the module read them
    const void* screen;
    int32_t callsBeforeEngine;  // calls of InitApplicationInfo or AllocScreen before InitKTZDLL
};

// How a module connection behaves, and what it saw.
enum ConnectionDeletion : int32_t {
    kKeepAlive = 0,
    kDeleteOnMessage = 1,
    kDeleteOnDisconnected = 2,
    kDeleteOnBadChecksum = 3,
};

struct ConnectionState {
    CallJournal* journal;  // notes the destruction, when set
    int32_t deletion;
    int32_t messages;
    uint32_t lastId;
    uint32_t lastBodyByte;
    int32_t disconnections;
    int32_t badChecksums;
    int32_t destructions;
};

}  // namespace contract
