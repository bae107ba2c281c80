#pragma once
// The release's files as a check reads them: paths relative to the program folder, "name" or
// "folder/name".
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class ReleaseFileReader {
  public:
    virtual ~ReleaseFileReader() = default;
    // The size of the open file.
    virtual uint64_t Size() = 0;
    // Reads on from where the last read ended: *got is 0 at the end of the file. False when the
    // file cannot be read.
    virtual bool Read(uint8_t* buffer, size_t capacity, size_t* got) = 0;
};

class ReleaseFileSource {
  public:
    enum class Opened { Yes, Missing, Unreadable };

    // Opens the file for reading, letting others read it too.
    virtual Opened Open(const std::string& path, std::unique_ptr<ReleaseFileReader>* reader) = 0;

  protected:
    ~ReleaseFileSource() = default;
};
