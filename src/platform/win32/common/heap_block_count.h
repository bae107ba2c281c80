#pragma once
// The count of the program's own heap blocks that the frame-timing diagnostics switch on. Each
// executable and module has its own copy (an inline variable), kept by its operator new and
// delete (process_heap_new.cpp) and read by the diagnostics.
#include <atomic>
#include <cstdint>

struct ProgramHeapCount {
    std::atomic<bool> counting{false};
    std::atomic<int32_t> blocks{0};
    std::atomic<int32_t> bytes{0};
};

inline ProgramHeapCount programHeapCount;
