#pragma once
// The list of local files the client sends once its session is ready: the files of the program
// folder with folder ".", then the files of each folder directly inside it. Deeper folders are
// not entered; every name beginning with '.' is skipped.
//
// Limits, and what happens beyond them:
// - A name of 64 characters or more has no room in a record (63 characters and the terminator),
//   and the server could not name it back either: such a file, or folder with all its files, is
//   left out of the list.
// - At most 128 folders are entered, the first 128 in the platform's order; the rest are left
//   out.
// - At most 2048 records are listed; files beyond are left out. A left-out file looks missing
//   to the server, which may then send it.
// - A file of 4 GiB or more is listed with the low 32 bits of its size.
#include <cstdint>
#include <vector>

#include "update_client/file_store_platform.h"
#include "update_protocol/file_record.h"
#include "update_protocol/list_limits.h"

std::vector<FileRecord> CollectFileList(FileStorePlatform& files);
