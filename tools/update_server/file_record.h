#pragma once
// The 152-byte record that both directions of an update use: one entry of the client's file list,
// and the header that announces each file the server sends (all integers little-endian).
//
//   offset  size  field
//   0       64    folder: zero-terminated text; "." for the release folder itself, else the name
//                 of a folder directly inside it
//   64      64    file name: zero-terminated text
//   128     16    last-write time, eight u16: year, month, day of week, day, hour, minute,
//                 second, milliseconds; in UTC, as the client's file system reports it
//   144     4     zero
//   148     4     file size in bytes (the low 32 bits)
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "common/layout_check.h"

inline constexpr uint32_t kFileRecordSize = 152;
inline constexpr uint32_t kRecordTextSize = 64;
// The longest folder or file name a record can carry, terminator excluded.
inline constexpr uint32_t kLongestRecordName = kRecordTextSize - 1;
inline constexpr std::string_view kReleaseRootFolder = ".";

#pragma pack(push, 1)
struct RecordTime {
    uint16_t year;
    uint16_t month;
    uint16_t dayOfWeek;  // 0 is Sunday
    uint16_t day;
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
    uint16_t milliseconds;
};

struct FileRecord {
    char folder[kRecordTextSize];
    char name[kRecordTextSize];
    RecordTime lastWrite;
    uint32_t reserved;
    uint32_t size;
};
#pragma pack(pop)

TIDEMARCH_CHECK_SIZE(RecordTime, 16);
TIDEMARCH_CHECK_SIZE(FileRecord, kFileRecordSize);

// The record time of a file-system time stamp, cut to the millisecond. Times before the year 1601
// or after 30827 have no record time.
std::optional<RecordTime> RecordTimeOf(const timespec& stamp);

// The file-system time stamp that gives this record time again (whole milliseconds).
timespec StampOf(const RecordTime& time);

// The same instant to the millisecond. The day of the week follows from the date and is not
// compared: a client may leave it unset.
bool SameWriteTime(const RecordTime& a, const RecordTime& b);

// The text of a record field, or nothing when it has no terminator within its 64 bytes.
std::optional<std::string_view> RecordText(const char (&field)[kRecordTextSize]);

// A record with both names copied (each must be at most kLongestRecordName characters).
FileRecord MakeFileRecord(std::string_view folder, std::string_view name, const RecordTime& time,
                          uint32_t size);
