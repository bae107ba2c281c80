#pragma once
// The client's side of the file transfer: the update announcement, one header per file, and the
// file's data in chunks written at their offsets. Each chunk ends the file directly behind
// itself and stamps the file with the header's time, so a file whose chunks arrive in order ends
// up exactly as sent, and an interrupted one is left shorter than its record and sent again on
// the next run.
//
// The server is not trusted. Before anything is created:
// - the folder and file names are checked (server_names.h); a refused file is reported like a
//   file that cannot be made, nothing is created and its data is dropped;
// - the running program's own file is left alone (it cannot be replaced while it runs); its data
//   is dropped without a report, and the transfer goes on;
// - a chunk whose end lies past the size in the header is dropped, and with it the rest of that
//   file, which then stays shorter than its record.
// A file that cannot be opened for a chunk is reported once and its further chunks dropped.
// A header with size 0 makes the file empty with the header's time at once (no chunk will
// follow); chunks of length 0 change nothing.
//
// The store keeps the file being received open between its chunks. It is closed and stamped when
// the file is complete, given up or followed by another header, when the update ends or its
// connection is lost (Finish) and when the transfer goes away, so no file stays locked and each
// file left behind holds exactly the bytes received, with the header's time.
#include <cstdint>
#include <string>

#include "update_client/file_store_platform.h"
#include "update_protocol/file_record.h"

// The progress controls of the start screen, as the transfer moves them.
class UpdateProgressView {
  public:
    // Update announced: total bytes counter 0, total marker at the track's start and shown,
    // total size counter = totalBytes, status picture "updating".
    virtual void ShowAnnouncement(uint32_t totalBytes) = 0;
    // A file begins: bar from 0 to fileSize at 0, file bytes counter 0, file marker at the
    // track's start and shown, file size counter = fileSize.
    virtual void ShowFileStarted(uint32_t fileSize) = 0;
    virtual void ShowTotalBytes(uint32_t done) = 0;
    // Moves the total marker and shows it.
    virtual void MoveTotalMarker(int x) = 0;
    // File bytes counter and bar value = done; the file marker moves to markerX and is shown.
    virtual void ShowFileBytes(uint32_t done, int markerX) = 0;
    virtual void ShowPath(const std::string& path) = 0;
    // A file that cannot be made or opened; the transfer goes on after it.
    virtual void ReportFileProblem(const std::string& text) = 0;
    // A chunk could not be written: the start screen closes, to retry or hand over.
    virtual void OnWriteFailed() = 0;

  protected:
    ~UpdateProgressView() = default;
};

class UpdateTransfer {
  public:
    static constexpr uint32_t kAnnouncementBytes = 8;

    UpdateTransfer(FileStorePlatform& files, UpdateProgressView& view);
    UpdateTransfer(const UpdateTransfer&) = delete;
    UpdateTransfer& operator=(const UpdateTransfer&) = delete;
    ~UpdateTransfer() { Finish(); }

    void OnAnnouncement(const uint8_t* body, uint32_t length);
    void OnFileHeader(const uint8_t* body, uint32_t length);
    void OnFileData(uint32_t offset, const uint8_t* body, uint32_t length);
    // The update ended or its connection is gone: closes the file being received. A later chunk
    // of the same file opens it again.
    void Finish() { files_.CloseChunkFile(); }

    uint32_t FileCount() const { return fileCount_; }
    uint32_t TotalBytes() const { return totalBytes_; }
    uint32_t FilesAnnounced() const { return filesAnnounced_; }
    const FileRecord& CurrentFile() const { return currentFile_; }
    // Folder, '/' and name of the current file; empty once it is complete.
    const std::string& CurrentPath() const { return currentPath_; }
    uint32_t TotalDone() const { return totalDone_; }
    uint32_t FileDone() const { return fileDone_; }

  private:
    void SetPath(std::string path);
    // Nothing more is written for the current file.
    void DropCurrentFile() {
        writable_ = false;
        files_.CloseChunkFile();
    }

    FileStorePlatform& files_;
    UpdateProgressView& view_;
    uint32_t fileCount_ = 0;
    uint32_t totalBytes_ = 0;
    uint32_t filesAnnounced_ = 0;
    FileRecord currentFile_{};
    std::string currentPath_;
    // Where the current file's chunks go; the path label may already be empty when the server
    // sends a chunk again.
    std::string filePath_;
    uint32_t totalDone_ = 0;
    uint32_t fileDone_ = 0;
    bool writable_ = false;
};
