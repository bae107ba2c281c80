// A game module that faults on purpose, where its command line says, so that the host's crash
// report can be checked against this module's map file. Started as
//   Tidemarch.exe /fault-where update|thread|stack|shutdown
// its first screen runs a second of frames, then writes through a null pointer in its Update
// ("update"), in a thread of its own ("thread"), recurses until the stack overflows ("stack"), or
// ends the run and writes through a null pointer when the host deletes it ("shutdown"). Each
// fault happens in a function of its own, which the test finds in the map file.
#include <windows.h>

#include <string.h>

#include "tidemarch/controls.h"
#include "tidemarch/records.h"

using tidemarch::Control;

extern "C" {
// A null pointer that the compiler cannot see through, so that the write is a real write and not
// a trap instruction put in its place.
int* volatile gNowhere = nullptr;

__attribute__((noinline)) void NullWriteInUpdate() { *gNowhere = 1; }
__attribute__((noinline)) void NullWriteInThread() { *gNowhere = 2; }
__attribute__((noinline)) void NullWriteInShutdown() { *gNowhere = 3; }

// Each call keeps a frame of its own: the sum after the call keeps it from being a jump. The depth
// never goes below zero, but the compiler cannot know that.
__attribute__((noinline)) int RecurseWithoutEnd(volatile int* depth) {
    volatile char frame[256];
    frame[0] = char(*depth);
    if (*depth < 0) return 0;
    *depth = *depth + 1;
    return RecurseWithoutEnd(depth) + frame[0];
}
}

// Every function of the module has an external name, so that the map file lists it and a place
// in the module is found in exactly one function.
enum class Fault { InUpdate, InThread, StackOverflow, AtShutdown };

// Twelve characters, a blank, then where.
constexpr char kFaultSwitch[] = "/fault-where";
// The frames the screen runs before it faults: the frame log then holds a second of them.
constexpr int kCalmFrames = 25;

Fault gFault = Fault::InUpdate;

DWORD WINAPI RunFaultingThread(void*) {
    NullWriteInThread();
    return 0;
}

class FaultingScreen : public Control {
  public:
    explicit FaultingScreen(Control* parent) : Control(parent, 0, 0, 1024, 768, 0) {}

    void* DeletingDestructor(uint32_t deleteFlags) override {
        if (gFault == Fault::AtShutdown) NullWriteInShutdown();
        return Control::DeletingDestructor(deleteFlags);
    }

    void Update() override {
        if (++frames_ != kCalmFrames) return;
        switch (gFault) {
        case Fault::InUpdate:
            NullWriteInUpdate();
            break;
        case Fault::InThread:
            CloseHandle(CreateThread(nullptr, 0, RunFaultingThread, nullptr, 0, nullptr));
            break;
        case Fault::StackOverflow: {
            volatile int depth = 0;
            RecurseWithoutEnd(&depth);
            break;
        }
        case Fault::AtShutdown:
            PostQuitMessage(0);
            break;
        }
    }

  private:
    int frames_ = 0;
};

Fault FaultNamed(const char* where) {
    if (strcmp(where, "thread") == 0) return Fault::InThread;
    if (strcmp(where, "stack") == 0) return Fault::StackOverflow;
    if (strcmp(where, "shutdown") == 0) return Fault::AtShutdown;
    return Fault::InUpdate;
}

TIDEMARCH_MODULE_EXPORT int32_t InitKTZDLL(tidemarch::EngineInfo*) { return 0; }

TIDEMARCH_MODULE_EXPORT int32_t InitApplicationInfo(tidemarch::ApplicationInfo*) { return 0; }

TIDEMARCH_MODULE_EXPORT Control* AllocScreen(int32_t, Control* hostPanel, void* commandLine) {
    const auto* block = static_cast<const tidemarch::CommandLineBlock*>(commandLine);
    if (block && memcmp(block->head, kFaultSwitch, sizeof block->head) == 0 && block->hasTail)
        gFault = FaultNamed(block->tail);
    return new FaultingScreen(hostPanel);
}
