// The little runtime the module needs without a C runtime library: the heap through the
// platform, the memory helpers the compiler may call, and the library entry point.
#include <stddef.h>
#include <stdint.h>

#include "module_runtime.h"

extern "C" {
__declspec(dllimport) void* __stdcall GetProcessHeap();
__declspec(dllimport) void* __stdcall HeapAlloc(void* heap, unsigned long flags, size_t bytes);
__declspec(dllimport) int __stdcall HeapFree(void* heap, unsigned long flags, void* block);

// Tells the linker that floating point is in use; the module needs no floating-point runtime.
int _fltused = 0;

// Byte loops through volatile pointers, so that the optimiser cannot turn them back into calls to
// memset and memcpy themselves.
void* memset(void* destination, int value, size_t count) {
    auto* bytes = static_cast<volatile unsigned char*>(destination);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<unsigned char>(value);
    return destination;
}

void* memcpy(void* destination, const void* source, size_t count) {
    auto* to = static_cast<volatile unsigned char*>(destination);
    const auto* from = static_cast<const unsigned char*>(source);
    for (size_t i = 0; i < count; ++i)
        to[i] = from[i];
    return destination;
}

int __stdcall _DllMainCRTStartup(void*, unsigned long, void*) { return 1; }
}

namespace {
int32_t gLiveAllocations = 0;
}

int32_t LiveModuleAllocations() { return gLiveAllocations; }

void* operator new(size_t bytes) {
    void* block = HeapAlloc(GetProcessHeap(), 0, bytes ? bytes : 1);
    if (block) ++gLiveAllocations;
    return block;
}

void operator delete(void* block) noexcept {
    if (!block) return;
    --gLiveAllocations;
    HeapFree(GetProcessHeap(), 0, block);
}

void operator delete(void* block, size_t) noexcept { operator delete(block); }
