#pragma once
// The files of a release folder as the update serves them to the host: the files directly in it
// and in the folders directly inside it, names beginning with '.' left out, deeper folders not
// entered. The manifest itself and the host program Tidemarch.exe (which a running host never
// replaces, so its installed copy is what it is) are not listed.
#include <string>
#include <vector>

struct ListedFile {
    std::string path;  // "name" or "folder/name"
    uint64_t size = 0;
};

// The folder's files in byte order of their paths. False, with every reason, when a file could not
// reach the host as it is: a name the update does not write, names that differ only in case, a
// file of 4 GiB or more, more files than a release may list.
bool ListReleaseFolder(const std::string& folder, std::vector<ListedFile>* files,
                       std::vector<std::string>* problems);
