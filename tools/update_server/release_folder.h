#pragma once
// The release folder on disk, read as the client lists its own: the files directly in it and in
// the folders directly inside it; names beginning with '.' are skipped, deeper folders are not
// entered. Symbolic links count as what they point to.
//
// Each scan opens every file and takes its size and time from the open file, so a snapshot reads
// exactly the version it describes even when the file is replaced by rename afterwards (content
// written into the same file in place is not protected: publish releases by rename). Unchanged
// files keep their open handle from one snapshot to the next, so many sessions share one handle
// per file.
//
// Files a client cannot receive are left out with a warning: names of 64 characters or more, or
// with characters its file system refuses, names that differ from another only in case, and files
// of 4 GiB or more.
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unordered_map>
#include <vector>

#include "release_snapshot.h"

class ReleaseFolder {
  public:
    using Warn = std::function<void(const std::string&)>;

    // rescanInterval: how long a snapshot serves new sessions before the folder is looked at
    // again (zero: at every session).
    ReleaseFolder(std::string path, std::chrono::milliseconds rescanInterval, Warn warn);

    // The snapshot for a session starting now; null when the folder cannot be read at all.
    std::shared_ptr<const ReleaseSnapshot> Current();

    // Looks at the folder now. False when it cannot be read (the last snapshot stays).
    bool Rescan();

    const std::string& Path() const { return path_; }

  private:
    struct Known {
        dev_t device;
        ino_t inode;
        off_t size;
        timespec modified;
        timespec changed;
        size_t fileIndex;  // in the snapshot
    };
    using KnownFiles = std::unordered_map<std::string, Known>;  // by "folder/name"

    std::string path_;
    std::chrono::milliseconds rescanInterval_;
    Warn warn_;
    std::shared_ptr<const ReleaseSnapshot> snapshot_;
    KnownFiles known_;
    std::chrono::steady_clock::time_point lastScan_{};
    std::vector<std::string> lastWarnings_;
};
