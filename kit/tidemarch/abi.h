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
