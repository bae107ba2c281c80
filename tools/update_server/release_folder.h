#pragma once
// The release folder on disk, read as the client lists its own: the files directly in it and in
// the folders directly inside it; names beginning with '.' are skipped, deeper folders are not
// entered. Symbolic links count as what they point to, as long as that lies inside the release
// folder (links leading outside are served only when the operator allows it).
//
// Each scan opens every file and takes its size and time from the open file, so a snapshot reads
// exactly the version it describes even when the file is replaced by rename afterwards (content
// written into the same file in place is not protected: publish releases by rename). Unchanged
// files keep their open handle from one snapshot to the next, so many sessions share one handle
// per file.
//
// Files a client cannot receive are left out with a warning: names of 64 characters or more,
// names the host refuses to write (see update_protocol/server_names.h), names that differ from another
// only in case, and files of 4 GiB or more. Files a client receives but cannot use as intended
// are served with a warning: an empty file (an update never shortens the client's copy) and a
// changed host program (a running host never replaces itself).
//
// Not thread-safe: one thread at a time scans (ReleaseScanner runs it on its own thread).
#include <sys/stat.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "release_file_system.h"
#include "release_snapshot.h"

// The host's own program in the release folder, which the host never replaces while it runs.
inline constexpr char kHostProgramName[] = "Tidemarch.exe";

class ReleaseFolder {
  public:
    using Warn = std::function<void(const std::string&)>;

    // followOutsideLinks: serve entries that are symbolic links leading out of the folder.
    ReleaseFolder(std::string path, ReleaseFileSystem& files, bool followOutsideLinks, Warn warn);

    // Looks at the folder now. False when it cannot be read (the last snapshot stays). Warnings
    // about the folder's state are given when they differ from the last scan's; those about a
    // change (the host program) once, when the change is seen.
    bool Rescan();

    // The last snapshot read; null before the first successful scan.
    std::shared_ptr<const ReleaseSnapshot> Snapshot() const { return snapshot_; }
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

    // False when the entry is a symbolic link that must not be followed (warned about).
    bool LinkAllowed(const std::string& path, const std::string& where, const std::string& realRoot,
                     std::vector<std::string>& warnings);
    void WarnAboutHostProgram(const ReleaseSnapshot& next);

    std::string path_;
    ReleaseFileSystem& files_;
    bool followOutsideLinks_;
    Warn warn_;
    std::shared_ptr<const ReleaseSnapshot> snapshot_;
    KnownFiles known_;
    std::vector<std::string> lastWarnings_;
};
