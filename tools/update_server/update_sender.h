#pragma once
// The update itself, as the messages a client reads in order:
//
//   0x80000004  body: u32 number of files, u32 total bytes
//   per file:   0x80000006  body: the file's FileRecord (its size and time in the snapshot)
//               0x80020020  A = offset, body = the next chunk, offsets ascending from 0
//   0x80000005  no body: the update is complete
//
// An empty file is its header alone: a chunk of no bytes would make a client divide by the file's
// size of 0 when it moves its progress marker. Each chunk ends the client's file behind itself,
// so ascending chunks leave exactly the sent content whatever the file held before.
//
// Messages are produced on demand into the caller's buffer, so the file content is never held
// beyond one buffer: the caller asks for more only when the client has taken the last.
#include <cstddef>
#include <cstdint>
#include <string>

#include "update_plan.h"

class UpdateSender {
  public:
    // Chunks stay inside the client's initial receive buffer of 256 KiB, header included, so the
    // client never has to grow it.
    static constexpr uint32_t kLargestChunk = 262144 - 20;
    static constexpr uint32_t kDefaultChunk = 65536;

    UpdateSender(UpdatePlan plan, uint32_t chunkSize);

    // The buffer size that Fill needs to make progress.
    size_t BufferSize() const;

    // Writes whole messages to out while they fit (at least one when capacity >= BufferSize()).
    // Returns the bytes written; 0 once the end message has been written. A file that cannot be
    // read in its planned size sets Error() and writes nothing more.
    size_t Fill(uint8_t* out, size_t capacity);

    bool Finished() const { return stage_ == Stage::Done; }
    const std::string& Error() const { return error_; }
    uint32_t FileCount() const { return uint32_t(plan_.files.size()); }
    // Files written whole (header and every chunk), and file content bytes written.
    uint32_t FilesCompleted() const { return filesCompleted_; }
    uint64_t ContentBytes() const { return contentBytes_; }

  private:
    enum class Stage { Announcement, Header, Chunks, End, Done };

    UpdatePlan plan_;
    uint32_t chunkSize_;
    Stage stage_ = Stage::Announcement;
    size_t fileIndex_ = 0;
    uint32_t offset_ = 0;
    uint32_t filesCompleted_ = 0;
    uint64_t contentBytes_ = 0;
    std::string error_;
};
