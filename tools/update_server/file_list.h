#pragma once
// The client's list of the files it has: message 0x80020020 with B = the number of records and
// the records back to back as its body. The list comes from an untrusted peer, so every record is
// checked before anything is compared with it.
#include <cstdint>
#include <string>
#include <vector>

#include "file_record.h"

inline constexpr uint32_t kMostListedFiles = 2048;
// Folders inside the release folder that a client can list, besides the release folder itself.
inline constexpr uint32_t kMostListedFolders = 128;
inline constexpr uint32_t kLongestFileList = kMostListedFiles * kFileRecordSize;

struct ClientFile {
    std::string folder;  // "." for the release folder itself
    std::string name;
    RecordTime lastWrite;
    uint32_t size;
};

struct ParsedFileList {
    std::vector<ClientFile> files;
    std::string error;  // empty when the list is sound
};

// Refuses a record count above kMostListedFiles, a body that is not exactly count records, names
// without a terminator, empty names, names with a path separator, and more than
// kMostListedFolders folders.
ParsedFileList ParseFileList(uint32_t recordCount, const uint8_t* body, uint32_t length);
