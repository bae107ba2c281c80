#pragma once
// What the server asks of the file system that holds the release: listing folders, the status of
// an entry with and without following symbolic links, the real path of an entry, and opening a
// file for reading. Scans and chunk reads go through it, so every slow or failing call is one the
// server expects to make off its event loop.
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "release_snapshot.h"

class ReleaseFileSystem {
  public:
    virtual ~ReleaseFileSystem() = default;

    // Names of a folder's entries, "." and ".." left out, in no particular order. False (errno
    // set) when the folder cannot be read.
    virtual bool List(const std::string& path, std::vector<std::string>& names) = 0;
    // The status of what the path leads to, symbolic links followed.
    virtual bool Status(const std::string& path, struct stat& info) = 0;
    // The status of the entry itself: a symbolic link is reported as a link.
    virtual bool LinkStatus(const std::string& path, struct stat& info) = 0;
    // The absolute path with every symbolic link, "." and ".." resolved.
    virtual bool RealPath(const std::string& path, std::string& resolved) = 0;
    // The file opened for reading and the status of the open file (not of the name, which may
    // lead elsewhere by now). Null (errno set) when it cannot be opened.
    virtual std::shared_ptr<const FileSource> Open(const std::string& path, struct stat& info) = 0;
};

// The operating system's own file system.
class PosixReleaseFileSystem : public ReleaseFileSystem {
  public:
    bool List(const std::string& path, std::vector<std::string>& names) override;
    bool Status(const std::string& path, struct stat& info) override;
    bool LinkStatus(const std::string& path, struct stat& info) override;
    bool RealPath(const std::string& path, std::string& resolved) override;
    std::shared_ptr<const FileSource> Open(const std::string& path, struct stat& info) override;
};
