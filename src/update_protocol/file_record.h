#pragma once
// The unit of the update protocol in both directions: one entry of the client's file list and
// the header of one file the server sends.
//
//   offset  size  field
//   0       64    folder     zero-terminated; "." for the program folder, else a folder directly in it
//   64      64    name       zero-terminated file name
//   128     16    lastWrite  calendar time: year, month, day of week, day, hour, minute, second,
//                            milliseconds (u16 each), the file system's time without zone change
//   144     4     reserved   zero from the client; ignored in headers
//   148     4     size       bytes (low 32 bits)
#include <cstddef>
#include <cstdint>

struct CalendarTime {
    uint16_t year;
    uint16_t month;
    uint16_t dayOfWeek;
    uint16_t day;
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
    uint16_t milliseconds;

    bool operator==(const CalendarTime&) const = default;
};

struct FileRecord {
    static constexpr size_t kNameField = 64;

    char folder[kNameField];
    char name[kNameField];
    CalendarTime lastWrite;
    uint32_t reserved;
    uint32_t size;
};

static_assert(sizeof(CalendarTime) == 16);
static_assert(sizeof(FileRecord) == 152);
static_assert(offsetof(FileRecord, name) == 64);
static_assert(offsetof(FileRecord, lastWrite) == 128);
static_assert(offsetof(FileRecord, reserved) == 144);
static_assert(offsetof(FileRecord, size) == 148);

// The folder name of the program folder itself in records.
inline constexpr char kProgramFolderName[] = ".";
