#pragma once
// Compile-time checks of the record layouts shared with the game module. They hold for the
// 32-bit product build, where pointers are 4 bytes; other builds skip them.
#include <cstddef>
#include <cstdint>

#if UINTPTR_MAX == 0xFFFFFFFFu
#define TIDEMARCH_SHARED_LAYOUT 1
#else
#define TIDEMARCH_SHARED_LAYOUT 0
#endif

// offsetof on a class with a virtual table is conditionally supported; GCC and clang give the
// plain byte offset but warn, so the checks silence that one warning.
#define TIDEMARCH_LAYOUT_CHECKS_BEGIN                                                                        \
    _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Winvalid-offsetof\"")
#define TIDEMARCH_LAYOUT_CHECKS_END _Pragma("GCC diagnostic pop")
#define TIDEMARCH_CHECK_OFFSET(Type, field, offset)                                                          \
    static_assert(offsetof(Type, field) == (offset), #Type "::" #field " must be at " #offset)
#define TIDEMARCH_CHECK_SIZE(Type, size)                                                                     \
    static_assert(sizeof(Type) == (size), #Type " must be " #size " bytes")
