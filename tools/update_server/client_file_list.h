#pragma once
// The client's list of the files it has: message 0x80020020 with B = the number of records and
// the records back to back as its body. The list comes from an untrusted peer, so every record is
// checked before anything is compared with it.
#include <cstdint>
#include <string>
#include <vector>

#include "record_time.h"
#include "update_protocol/list_limits.h"

inline constexpr uint32_t kLongestFileList = kMaxListedRecords * kFileRecordSize;

struct ClientFile {
    std::string folder;  // "." for the release folder itself
    std::string name;
    CalendarTime lastWrite;
    uint32_t size;
};

struct ParsedFileList {
    std::vector<ClientFile> files;
    std::string error;  // empty when the list is sound
};

// Refuses a record count above kMaxListedRecords, a body that is not exactly count records, names
// without a terminator, empty names, names with a path separator, and more than
// kMaxListedFolders folders.
ParsedFileList ParseFileList(uint32_t recordCount, const uint8_t* body, uint32_t length);
