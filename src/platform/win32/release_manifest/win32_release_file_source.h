#pragma once
// The release's files relative to the current directory, which is the program folder.
#include "release_manifest/release_file_source.h"

class Win32ReleaseFileSource final : public ReleaseFileSource {
  public:
    // Shares reading only: nobody can change the file while it is checked. A folder is unreadable.
    Opened Open(const std::string& path, std::unique_ptr<ReleaseFileReader>* reader) override;
};
