#pragma once
// The process heap, the one heap the host and every module share: blocks that one side makes and
// the other frees (registry entries, receive buffers) are taken and given back here directly,
// never through a module's runtime, whose blocks may carry headers of its own (MSVC's Debug
// runtime does).
#include <stddef.h>

extern "C" {
__declspec(dllimport) void* __stdcall GetProcessHeap();
__declspec(dllimport) void* __stdcall HeapAlloc(void* heap, unsigned long flags, size_t bytes);
__declspec(dllimport) int __stdcall HeapFree(void* heap, unsigned long flags, void* block);
}

namespace tidemarch {
inline void* ProcessHeapAllocate(size_t bytes) { return HeapAlloc(GetProcessHeap(), 0, bytes ? bytes : 1); }
inline void ProcessHeapFree(void* block) {
    if (block) HeapFree(GetProcessHeap(), 0, block);
}
}  // namespace tidemarch
