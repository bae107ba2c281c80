#pragma once
// How the kit's declarations meet the game module's compiler.
//
// Member functions of the shared classes are thiscall on 32-bit x86 in MSVC, clang-cl and
// i686 mingw g++ alike. Slot 0 of every shared class is the deleting destructor of the MSVC ABI:
// one slot taking a flag word (bit 0: free the memory) and returning the object. MSVC and
// clang-cl make exactly that slot from a virtual destructor; g++ would make two slots from one,
// so under g++ the slot is declared as an ordinary virtual function instead.
#include <stddef.h>
#include <stdint.h>

// The kit uses inline variables and nested namespaces: C++17 or later (/std:c++17, -std=c++17).
#if defined(_MSVC_LANG)
#define TIDEMARCH_KIT_LANGUAGE _MSVC_LANG
#else
#define TIDEMARCH_KIT_LANGUAGE __cplusplus
#endif
#if TIDEMARCH_KIT_LANGUAGE < 201703L
#error "The module author's kit needs C++17 or later: build with /std:c++17 or -std=c++17"
#endif

#if defined(_MSC_VER) && !defined(__MINGW32__)
#define TIDEMARCH_KIT_MSVC_ABI 1
// Slot 0 of Class: its virtual destructor.
#define TIDEMARCH_SLOT0_DESTRUCTOR(Class) virtual ~Class()
#else
#define TIDEMARCH_KIT_MSVC_ABI 0
// Slot 0 of Class: the deleting destructor as an ordinary slot; the class's own destructor is
// then not virtual, and deleting through a base pointer goes through this slot.
#define TIDEMARCH_SLOT0_DESTRUCTOR(Class)                                                                    \
    virtual void* DeletingDestructor(uint32_t deleteFlags);                                                  \
    ~Class()
#endif

namespace tidemarch {

// Bit 0 of slot 0's flag word: free the memory after destruction.
inline constexpr uint32_t kDeleteMemory = 1;

#if !TIDEMARCH_KIT_MSVC_ABI
// Slot 0 under g++: runs the destructor of exactly this class, then frees the memory when the
// flag asks for it, with the module's own operator delete (the object came from its new).
template <class T> void* RunDeletingDestructor(T* self, uint32_t deleteFlags) {
    self->T::~T();
    if (deleteFlags & kDeleteMemory) ::operator delete(static_cast<void*>(self));
    return self;
}
#endif

// Destroys an object of a shared class through its slot 0 and frees it, whoever made the class.
template <class T> void Destroy(T* object) {
    if (!object) return;
#if TIDEMARCH_KIT_MSVC_ABI
    delete object;
#else
    object->DeletingDestructor(kDeleteMemory);
#endif
}

}  // namespace tidemarch

// Put this in every class of the module that derives from a shared class. Under MSVC and
// clang-cl the virtual destructor already is slot 0 and it adds nothing; under g++ it makes
// slot 0 run this class's destructor, so that the host's deleting through slot 0 destroys the
// whole object.
#if TIDEMARCH_KIT_MSVC_ABI
#define TIDEMARCH_SLOT0_OVERRIDE(Class) static_assert(true, "")
#else
#define TIDEMARCH_SLOT0_OVERRIDE(Class)                                                                      \
    void* DeletingDestructor(uint32_t deleteFlags) override {                                                \
        return ::tidemarch::RunDeletingDestructor(this, deleteFlags);                                        \
    }                                                                                                        \
    static_assert(true, "")
#endif

// Layout checks: they hold on 32-bit x86, where every pointer is 4 bytes.
#if UINTPTR_MAX == 0xFFFFFFFFu
#define TIDEMARCH_KIT_LAYOUT 1
#else
#define TIDEMARCH_KIT_LAYOUT 0
#endif

#if defined(__clang__) || defined(__GNUC__)
#define TIDEMARCH_KIT_CHECKS_BEGIN                                                                           \
    _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Winvalid-offsetof\"")
#define TIDEMARCH_KIT_CHECKS_END _Pragma("GCC diagnostic pop")
#else
#define TIDEMARCH_KIT_CHECKS_BEGIN
#define TIDEMARCH_KIT_CHECKS_END
#endif
#define TIDEMARCH_KIT_OFFSET(Type, field, offset)                                                            \
    static_assert(offsetof(Type, field) == (offset), #Type "::" #field " must be at " #offset)
#define TIDEMARCH_KIT_SIZE(Type, size) static_assert(sizeof(Type) == (size), #Type " must be " #size " bytes")

// The module's exports: extern "C", so that the names stay undecorated, and the C calling
// convention (the caller removes the arguments).
#if defined(_WIN32)
#define TIDEMARCH_MODULE_EXPORT extern "C" __declspec(dllexport)
#else
#define TIDEMARCH_MODULE_EXPORT extern "C"
#endif
