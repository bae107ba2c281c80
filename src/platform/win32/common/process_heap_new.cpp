// The program's operator new and delete over the process heap (GetProcessHeap).
//
// The game module runs its own copies of non-virtual engine code on the host's objects, so
// blocks cross the boundary: the module's copy of the registration code makes registry entries
// that the host's manager frees, and the host's entries may be freed by the module's copy. The
// process heap is the one heap both sides have: the C runtimes of MSVC (since 2012) and clang-cl
// allocate there, while mingw's malloc has a heap of its own. Every executable and module built
// here links this file.
//
// While the frame-timing diagnostics are on, the blocks and bytes that are live are counted, so
// that the log shows whether frames leave anything behind.
#include <windows.h>

#include <new>

#include "platform/win32/common/heap_block_count.h"

namespace {
void* Allocate(std::size_t bytes) {
    void* block = HeapAlloc(GetProcessHeap(), 0, bytes ? bytes : 1);
    if (block && programHeapCount.counting.load(std::memory_order_relaxed)) {
        programHeapCount.blocks.fetch_add(1, std::memory_order_relaxed);
        programHeapCount.bytes.fetch_add(int32_t(HeapSize(GetProcessHeap(), 0, block)),
                                         std::memory_order_relaxed);
    }
    return block;
}
void Release(void* block) {
    if (!block) return;
    if (programHeapCount.counting.load(std::memory_order_relaxed)) {
        programHeapCount.blocks.fetch_sub(1, std::memory_order_relaxed);
        programHeapCount.bytes.fetch_sub(int32_t(HeapSize(GetProcessHeap(), 0, block)),
                                         std::memory_order_relaxed);
    }
    HeapFree(GetProcessHeap(), 0, block);
}
void* AllocateOrFail(std::size_t bytes) {
    if (void* block = Allocate(bytes)) return block;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t bytes) { return AllocateOrFail(bytes); }
void* operator new[](std::size_t bytes) { return AllocateOrFail(bytes); }
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept { return Allocate(bytes); }
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept { return Allocate(bytes); }
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Release(block); }
