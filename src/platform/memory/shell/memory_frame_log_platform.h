#pragma once
// The frame log's machine in memory: an environment and files that are strings, failures on
// request, and a heap count that the owner sets.
#include <cstring>
#include <map>
#include <optional>
#include <string>

#include "shell/frame_log_platform.h"

class MemoryFrameLogPlatform final : public FrameLogPlatform {
  public:
    bool ReadSetting(const char* name, char* value, size_t capacity) override {
        auto found = environment.find(name);
        if (found == environment.end() || found->second.empty() || found->second.size() >= capacity)
            return false;
        std::memcpy(value, found->second.c_str(), found->second.size() + 1);
        return true;
    }
    bool OpenLog(const char* path) override {
        if (refuseOpen || open) return false;
        open = true;
        openPath = path;
        std::string& file = files[openPath];
        file.clear();
        file.reserve(reservedBytes);
        return true;
    }
    bool AppendToLog(const char* text, size_t length) override {
        if (!open || failWrites) return false;
        files[openPath].append(text, length);
        ++writes;
        return true;
    }
    void CloseLog() override {
        open = false;
        ++closes;
    }
    bool StartHeapCount() override { return heapCount.has_value(); }
    HeapBlockCount CurrentHeapCount() override { return heapCount.value_or(HeapBlockCount{}); }

    std::map<std::string, std::string> environment;
    std::map<std::string, std::string> files;
    std::optional<HeapBlockCount> heapCount;  // none: the program cannot count its heap
    size_t reservedBytes = 0;  // room a new file gets at once, so that appending does not allocate
    bool refuseOpen = false;
    bool failWrites = false;
    bool open = false;
    std::string openPath;
    int writes = 0;
    int closes = 0;
};
