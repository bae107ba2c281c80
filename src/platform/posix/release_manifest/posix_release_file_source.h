#pragma once
// The release's files under a folder of a POSIX file system.
#include <string>

#include "release_manifest/release_file_source.h"

class PosixReleaseFileSource final : public ReleaseFileSource {
  public:
    explicit PosixReleaseFileSource(std::string folder) : folder_(std::move(folder)) {}
    // Anything but a regular file (a folder, a device) is unreadable.
    Opened Open(const std::string& path, std::unique_ptr<ReleaseFileReader>* reader) override;

  private:
    std::string folder_;
};
