#include "update_sender.h"

#include <algorithm>
#include <cstring>

#include "net/wire_format.h"

namespace {

constexpr uint32_t kAnnouncementSize = 8;

void PutHeader(uint8_t* out, uint32_t id, uint32_t a, uint32_t length) {
    const MessageHeader header{FrameMagic, id, a, 0, length};
    std::memcpy(out, &header, kHeaderSize);
}

}  // namespace

UpdateSender::UpdateSender(UpdatePlan plan, uint32_t chunkSize)
    : plan_(std::move(plan)), chunkSize_(std::clamp<uint32_t>(chunkSize, 1, kLargestChunk)) {}

size_t UpdateSender::BufferSize() const { return kHeaderSize + std::max(chunkSize_, kFileRecordSize); }

size_t UpdateSender::Fill(uint8_t* out, size_t capacity) {
    size_t used = 0;
    while (error_.empty()) {
        const size_t room = capacity - used;
        uint8_t* at = out + used;
        switch (stage_) {
        case Stage::Announcement: {
            if (room < kHeaderSize + kAnnouncementSize) return used;
            const uint32_t body[2] = {FileCount(), plan_.totalBytes};
            PutHeader(at, message_id::UpdateAnnounced, 0, kAnnouncementSize);
            std::memcpy(at + kHeaderSize, body, kAnnouncementSize);
            used += kHeaderSize + kAnnouncementSize;
            stage_ = plan_.files.empty() ? Stage::End : Stage::Header;
            break;
        }
        case Stage::Header: {
            if (room < kHeaderSize + kFileRecordSize) return used;
            const ReleaseFile& file = *plan_.files[fileIndex_];
            const FileRecord record = MakeFileRecord(file.folder, file.name, file.lastWrite, file.size);
            PutHeader(at, message_id::FileHeader, 0, kFileRecordSize);
            std::memcpy(at + kHeaderSize, &record, kFileRecordSize);
            used += kHeaderSize + kFileRecordSize;
            offset_ = 0;
            if (file.size > 0) {
                stage_ = Stage::Chunks;
            } else {
                ++filesCompleted_;
                stage_ = ++fileIndex_ == plan_.files.size() ? Stage::End : Stage::Header;
            }
            break;
        }
        case Stage::Chunks: {
            const ReleaseFile& file = *plan_.files[fileIndex_];
            const uint32_t length = std::min(chunkSize_, file.size - offset_);
            if (room < kHeaderSize + length) return used;
            if (!file.source->Read(offset_, at + kHeaderSize, length)) {
                error_ = "cannot read " + file.folder + "/" + file.name + " at " + std::to_string(offset_);
                return used;
            }
            PutHeader(at, message_id::FileData, offset_, length);
            used += kHeaderSize + length;
            offset_ += length;
            contentBytes_ += length;
            if (offset_ == file.size) {
                ++filesCompleted_;
                stage_ = ++fileIndex_ == plan_.files.size() ? Stage::End : Stage::Header;
            }
            break;
        }
        case Stage::End:
            if (room < kHeaderSize) return used;
            PutHeader(at, message_id::UpdateFinished, 0, 0);
            used += kHeaderSize;
            stage_ = Stage::Done;
            return used;
        case Stage::Done:
            return used;
        }
    }
    return used;
}
