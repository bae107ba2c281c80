#pragma once
// One consistent view of the release folder: the files a session may send, each with the size and
// time the client will be told and a source that reads exactly that version of its content. A
// session keeps its snapshot for its whole life, so a file replaced by rename meanwhile is still
// read in the version the session announced.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "record_time.h"

class FileSource {
  public:
    virtual ~FileSource() = default;
    // Exactly length bytes from offset; false when they cannot all be read.
    virtual bool Read(uint64_t offset, uint8_t* out, uint32_t length) const = 0;
};

struct ReleaseFile {
    std::string folder;  // "." for the release folder itself
    std::string name;
    CalendarTime lastWrite;
    uint32_t size;
    std::shared_ptr<const FileSource> source;
};

struct ReleaseSnapshot {
    // Files of the release folder first, then those of each folder inside it; names in byte order.
    std::vector<ReleaseFile> files;
};

// Content held in memory, for releases made by tests and the fuzzer.
class MemoryFileSource : public FileSource {
  public:
    explicit MemoryFileSource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    bool Read(uint64_t offset, uint8_t* out, uint32_t length) const override;

  private:
    std::vector<uint8_t> bytes_;
};
