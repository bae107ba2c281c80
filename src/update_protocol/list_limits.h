#pragma once
// The bounds of a client's file list, which the client keeps to when it lists its files and the
// server enforces when it reads a list: at most 128 folders directly inside the program folder
// (the program folder itself, ".", is not counted) and at most 2048 records.
#include <cstdint>

inline constexpr uint32_t kMaxListedFolders = 128;
inline constexpr uint32_t kMaxListedRecords = 2048;
