#pragma once
// What the player is told after a fault: in the game's language and in English, that the game
// stopped because of a fault in a named module, and where the report is.
#include <cstddef>
#include <cstdint>

struct CrashNoticeFacts {
    const char* moduleName = nullptr;  // null: the address lies in no loaded module
    uint32_t address = 0;
    const char* reportPath = nullptr;  // null: no report could be written
};

// The caption of the message box: the product and "crash" in both languages.
inline constexpr const char* kCrashNoticeCaption = "Tidemarch: сбой / crash";

// Composes the notice in UTF-8 into text, always terminated, cut at a character boundary when
// the capacity is too small. Returns its length.
size_t ComposeCrashNotice(const CrashNoticeFacts& facts, char* text, size_t capacity);
