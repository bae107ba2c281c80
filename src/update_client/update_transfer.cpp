#include "update_client/update_transfer.h"

#include <cstring>

#include "update_client/update_progress.h"
#include "update_protocol/server_names.h"

namespace {

constexpr char kCannotMake[] = "Fail to make FILE : ";
constexpr char kCannotOpen[] = "Fail to open file : ";

uint32_t ReadWord(const uint8_t* at) {
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

}  // namespace

UpdateTransfer::UpdateTransfer(FileStorePlatform& files, UpdateProgressView& view)
    : files_(files), view_(view) {}

void UpdateTransfer::SetPath(std::string path) {
    currentPath_ = std::move(path);
    view_.ShowPath(currentPath_);
}

void UpdateTransfer::OnAnnouncement(const uint8_t* body, uint32_t length) {
    if (length != kAnnouncementBytes || !body) return;
    fileCount_ = ReadWord(body);
    totalBytes_ = ReadWord(body + 4);
    filesAnnounced_ = 0;
    totalDone_ = 0;
    view_.ShowAnnouncement(totalBytes_);
}

void UpdateTransfer::OnFileHeader(const uint8_t* body, uint32_t length) {
    if (length != sizeof(FileRecord) || !body) return;
    ++filesAnnounced_;
    std::memcpy(&currentFile_, body, sizeof currentFile_);
    DropCurrentFile();
    fileDone_ = 0;

    std::string folder;
    std::string name;
    if (!CheckServerFolderName(currentFile_.folder, &folder) ||
        !CheckServerFileName(currentFile_.name, &name)) {
        SetPath(PrintableField(currentFile_.folder) + "/" + PrintableField(currentFile_.name));
        view_.ReportFileProblem(kCannotMake + currentPath_);
        return;
    }
    if (folder != kProgramFolderName) files_.MakeFolder(folder);
    filePath_ = folder + "/" + name;
    SetPath(filePath_);
    if (files_.IsRunningProgram(folder, name)) return;
    if (!files_.CreateOrKeepFile(filePath_)) {
        view_.ReportFileProblem(kCannotMake + currentPath_);
        return;
    }
    writable_ = true;
    view_.ShowFileStarted(currentFile_.size);
    if (currentFile_.size == 0) {
        // No chunk will come: empty the file and stamp it now, so it lists as sent next time.
        if (files_.WriteChunk(filePath_, 0, nullptr, 0, currentFile_.lastWrite) ==
            FileStorePlatform::WriteOutcome::Written)
            SetPath("");
        else
            view_.ReportFileProblem(kCannotOpen + filePath_);
        DropCurrentFile();
    }
}

void UpdateTransfer::OnFileData(uint32_t offset, const uint8_t* body, uint32_t length) {
    if (!writable_ || length == 0 || !body) return;
    if (uint64_t(offset) + length > currentFile_.size) {
        DropCurrentFile();
        return;
    }
    switch (files_.WriteChunk(filePath_, offset, body, length, currentFile_.lastWrite)) {
    case FileStorePlatform::WriteOutcome::Written:
        break;
    case FileStorePlatform::WriteOutcome::OpenFailed:
        // One report for the file, not one per chunk.
        DropCurrentFile();
        view_.ReportFileProblem(kCannotOpen + filePath_);
        return;
    case FileStorePlatform::WriteOutcome::WriteFailed:
        DropCurrentFile();
        view_.OnWriteFailed();
        return;
    }
    totalDone_ += length;
    view_.ShowTotalBytes(totalDone_);
    if (totalBytes_ != 0) view_.MoveTotalMarker(MarkerX(totalDone_, totalBytes_));
    fileDone_ += length;
    view_.ShowFileBytes(fileDone_, MarkerX(fileDone_, currentFile_.size));
    if (fileDone_ == currentFile_.size) {
        SetPath("");
        files_.CloseChunkFile();
    }
}
