#pragma once
// Slot 0 of every class shared with the game module is the other compiler's deleting
// destructor: one virtual slot that takes a flag word and returns the object. It is declared as
// an ordinary virtual function (a C++ virtual destructor would take two slots in this compiler)
// and implemented with the helper below in every class of the shared hierarchies.
#include <cstdint>
#include <new>

// Bit 0 of the flag word: free the memory after destruction.
inline constexpr uint32_t kDeleteMemory = 1;

// Runs the C++ destructor of the most derived class T (public, not virtual) and frees the memory
// when the flag asks for it.
template <class T> void* RunDeletingDestructor(T* self, uint32_t flags) {
    self->T::~T();  // qualified: exactly this class's destructor, which is not virtual
    if (flags & kDeleteMemory) ::operator delete(static_cast<void*>(self));
    return self;
}
