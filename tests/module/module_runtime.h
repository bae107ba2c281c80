#pragma once
// The module's heap (operator new and delete over the process heap) and placement new; the
// C++ library is not there.
#include <stddef.h>
#include <stdint.h>

// Blocks allocated with the module's operator new and not yet freed.
int32_t LiveModuleAllocations();

inline void* operator new(size_t, void* storage) noexcept { return storage; }

extern "C" {
void* memset(void* destination, int value, size_t count);
void* memcpy(void* destination, const void* source, size_t count);
}
