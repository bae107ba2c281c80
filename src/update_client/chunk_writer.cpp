#include "update_client/chunk_writer.h"

FileStorePlatform::WriteOutcome ChunkWriter::Write(const std::string& path, uint32_t offset,
                                                   const uint8_t* data, uint32_t length,
                                                   const CalendarTime& time) {
    if (open_ && path != path_) Close();
    if (!open_) {
        if (!file_.Open(path)) return FileStorePlatform::WriteOutcome::OpenFailed;
        open_ = true;
        path_ = path;
        extent_.Opened();
        written_ = false;
    }
    const bool ok =
        (!extent_.NeedsSeek(offset) || file_.Seek(offset)) && (length == 0 || file_.Write(data, length));
    if (!ok) {
        Close();
        return FileStorePlatform::WriteOutcome::WriteFailed;
    }
    if (extent_.NeedsEnd(offset, length)) file_.EndAt(uint64_t(offset) + length);
    extent_.Wrote(offset, length);
    time_ = time;
    written_ = true;
    return FileStorePlatform::WriteOutcome::Written;
}

void ChunkWriter::Close() {
    if (!open_) return;
    if (written_) file_.Date(time_);
    file_.Close();
    open_ = false;
    path_.clear();
    written_ = false;
}
