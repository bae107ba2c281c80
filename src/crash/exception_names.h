#pragma once
// The names the platform's documentation gives to exception codes, so that a report reader can
// look a code up.
#include <cstdint>

namespace exception_code {
inline constexpr uint32_t AccessViolation = 0xC0000005;
inline constexpr uint32_t InPageError = 0xC0000006;
inline constexpr uint32_t StackOverflow = 0xC00000FD;
}  // namespace exception_code

// The name of a known exception code ("EXCEPTION_ACCESS_VIOLATION"), or null.
const char* ExceptionName(uint32_t code);
