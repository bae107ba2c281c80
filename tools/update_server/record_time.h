#pragma once
// Conversions and checks around the FileRecord that both directions of an update use (see
// update_protocol/file_record.h): record times from file-system time stamps, in UTC and cut to the
// millisecond as the client's file system reports them, and the record's text fields.
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "update_protocol/file_record.h"

inline constexpr uint32_t kFileRecordSize = sizeof(FileRecord);
// The longest folder or file name a record can carry, terminator excluded.
inline constexpr uint32_t kLongestRecordName = FileRecord::kNameField - 1;
inline constexpr std::string_view kReleaseRootFolder = kProgramFolderName;

// The record time of a file-system time stamp, cut to the millisecond. Times before the year 1601
// or after 30827 have no record time.
std::optional<CalendarTime> RecordTimeOf(const timespec& stamp);

// The file-system time stamp that gives this record time again (whole milliseconds).
timespec StampOf(const CalendarTime& time);

// The same instant to the millisecond. The day of the week follows from the date and is not
// compared: a client may leave it unset.
bool SameWriteTime(const CalendarTime& a, const CalendarTime& b);

// The text of a record field, or nothing when it has no terminator within its 64 bytes.
std::optional<std::string_view> RecordText(const char (&field)[FileRecord::kNameField]);

// A record with both names copied (each must be at most kLongestRecordName characters).
FileRecord MakeFileRecord(std::string_view folder, std::string_view name, const CalendarTime& time,
                          uint32_t size);
