#pragma once
// What the frame-timing log needs of the machine: one setting from the environment, one file to
// write, and, where the program can count them, its own live heap blocks.
#include <cstddef>
#include <cstdint>

// The program's own heap blocks that are allocated and not yet freed, counted from the moment
// counting started (blocks from before that and freed later count as negative).
struct HeapBlockCount {
    int32_t blocks = 0;
    int32_t bytes = 0;
};

class FrameLogPlatform {
  public:
    // Copies the environment variable's value, NUL-terminated, into value. False when it is not
    // set, is empty or does not fit.
    virtual bool ReadSetting(const char* name, char* value, size_t capacity) = 0;
    // Creates the file, or empties an existing one, and keeps it open for AppendToLog.
    virtual bool OpenLog(const char* path) = 0;
    virtual bool AppendToLog(const char* text, size_t length) = 0;
    virtual void CloseLog() = 0;
    // Starts counting the program's heap blocks; false where the program cannot count them.
    virtual bool StartHeapCount() = 0;
    virtual HeapBlockCount CurrentHeapCount() = 0;

  protected:
    ~FrameLogPlatform() = default;
};
