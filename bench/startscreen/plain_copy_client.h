#pragma once
// The limit the update is measured against: a blocking client that runs the same session, sends
// an empty file list and writes each file's bytes with one open file and plain sequential writes,
// without reopening, seeking, ending or time-stamping the file per chunk.
#include <cstdint>
#include <filesystem>

struct CopyResult {
    bool ok = false;
    uint64_t bytes = 0;
    uint32_t files = 0;
};

CopyResult PlainCopy(uint16_t port, const std::filesystem::path& folder);
