#pragma once
// A release's files kept in memory, by path, for tests; paths named unreadable fail to open.
#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "release_manifest/release_file_source.h"

class MemoryReleaseFileSource final : public ReleaseFileSource {
  public:
    Opened Open(const std::string& path, std::unique_ptr<ReleaseFileReader>* reader) override {
        if (unreadable.count(path)) return Opened::Unreadable;
        const auto found = files.find(path);
        if (found == files.end()) return Opened::Missing;
        *reader = std::make_unique<Reader>(found->second);
        return Opened::Yes;
    }

    std::map<std::string, std::vector<uint8_t>> files;
    std::set<std::string> unreadable;

  private:
    // Reads a copy taken at the opening, as an open file keeps what it had.
    class Reader final : public ReleaseFileReader {
      public:
        explicit Reader(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
        uint64_t Size() override { return bytes_.size(); }
        bool Read(uint8_t* buffer, size_t capacity, size_t* got) override {
            *got = std::min(capacity, bytes_.size() - at_);
            if (*got) std::memcpy(buffer, bytes_.data() + at_, *got);
            at_ += *got;
            return true;
        }

      private:
        std::vector<uint8_t> bytes_;
        size_t at_ = 0;
    };
};
