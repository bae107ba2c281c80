#pragma once
// The frame log's machine on Windows: the process environment, a file written with WriteFile,
// and the counts kept by the program's operator new and delete.
#include "shell/frame_log_platform.h"

class Win32FrameLogPlatform final : public FrameLogPlatform {
  public:
    ~Win32FrameLogPlatform();
    bool ReadSetting(const char* name, char* value, size_t capacity) override;
    bool OpenLog(const char* path) override;
    bool AppendToLog(const char* text, size_t length) override;
    void CloseLog() override;
    bool StartHeapCount() override;
    HeapBlockCount CurrentHeapCount() override;

  private:
    void* file_ = nullptr;  // the file's handle while open
};
