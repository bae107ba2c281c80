#pragma once
// The update's file store in memory, for tests and fuzzing. Paths are taken as the update gives
// them, "folder/name" with "." for the program folder, and every path a call was asked to create,
// write or remove is kept, so a caller can check that nothing reached past the program folder.
//
// Files are sparse: only the bytes written are held, and a file ended far behind them (a chunk at
// a large offset) holds no memory for the gap, so a file's length costs nothing until the whole
// file is read. Reading a file whole makes its bytes, gaps as zeros.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "update_client/file_store_platform.h"

class MemoryFileStorePlatform final : public FileStorePlatform {
  public:
    MemoryFileStorePlatform() = default;
    MemoryFileStorePlatform(const MemoryFileStorePlatform&) = delete;
    MemoryFileStorePlatform& operator=(const MemoryFileStorePlatform&) = delete;
    ~MemoryFileStorePlatform() { CloseChunkFile(); }

    bool ListFolder(const std::string& folder, std::vector<FileStoreEntry>* entries) override {
        CloseChunkFile();
        if (folder != kProgramFolderName && !folders_.count(folder)) return false;
        entries->push_back({".", true, {}, 0});
        entries->push_back({"..", true, {}, 0});
        if (folder == kProgramFolderName)
            for (const std::string& name : folders_)
                entries->push_back({name, true, {}, 0});
        for (const auto& [key, file] : files_)
            if (key.first == folder) entries->push_back({key.second, false, file.lastWrite, file.length});
        return true;
    }
    bool MakeFolder(const std::string& name) override {
        CloseChunkFile();
        touched_.push_back(name);
        if (files_.count({kProgramFolderName, name})) return false;
        folders_.insert(name);
        return true;
    }
    bool CreateOrKeepFile(const std::string& path) override {
        CloseChunkFile();
        touched_.push_back(path);
        const Key key = Split(path);
        if (!FolderExists(key.first) || (key.first == kProgramFolderName && folders_.count(key.second)))
            return false;
        files_.try_emplace(key);
        return true;
    }
    WriteOutcome WriteChunk(const std::string& path, uint32_t offset, const uint8_t* data, uint32_t length,
                            const CalendarTime& time) override {
        touched_.push_back(path);
        if (chunkOpen_ && path != chunkPath_) CloseChunkFile();
        if (!chunkOpen_) {
            if (!files_.count(Split(path))) return WriteOutcome::OpenFailed;
            chunkOpen_ = true;
            chunkPath_ = path;
            chunkWritten_ = false;
        }
        File& file = files_[Split(path)];
        Truncate(&file, offset);
        if (length != 0) file.runs[offset].assign(data, data + length);
        file.length = uint64_t(offset) + length;
        chunkTime_ = time;
        chunkWritten_ = true;
        return WriteOutcome::Written;
    }
    void CloseChunkFile() override {
        if (!chunkOpen_) return;
        const auto found = files_.find(Split(chunkPath_));
        if (chunkWritten_ && found != files_.end()) found->second.lastWrite = chunkTime_;
        chunkOpen_ = false;
        chunkWritten_ = false;
        chunkPath_.clear();
    }
    bool IsRunningProgram(const std::string& folder, const std::string& name) override {
        CloseChunkFile();
        return !runningProgram_.empty() && folder == kProgramFolderName && name == runningProgram_;
    }
    bool ReadWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>* bytes) override {
        CloseChunkFile();
        const auto found = files_.find(Split(path));
        if (found == files_.end() || found->second.length > maxBytes) return false;
        *bytes = Content(found->second);
        bytesRead_ += bytes->size();
        return true;
    }
    bool RemoveFile(const std::string& path) override {
        CloseChunkFile();
        touched_.push_back(path);
        return files_.erase(Split(path)) != 0;
    }

    // A file as if it had been there before, creating its folder.
    void Put(const std::string& path, const std::vector<uint8_t>& bytes, const CalendarTime& time = {}) {
        const Key key = Split(path);
        if (key.first != kProgramFolderName) folders_.insert(key.first);
        File& file = files_[key];
        file = File{};
        if (!bytes.empty()) file.runs[0] = bytes;
        file.length = bytes.size();
        file.lastWrite = time;
    }
    // The file that plays the running program ("." and a name); none by default.
    void SetRunningProgram(std::string name) { runningProgram_ = std::move(name); }
    bool HoldsChunkFile() const { return chunkOpen_; }

    bool Exists(const std::string& path) const { return files_.count(Split(path)) != 0; }
    // The file's length; 0 for a missing file.
    uint64_t Length(const std::string& path) const {
        const auto found = files_.find(Split(path));
        return found == files_.end() ? 0 : found->second.length;
    }
    // The file's bytes, gaps as zeros; empty for a missing file.
    std::vector<uint8_t> Bytes(const std::string& path) const {
        const auto found = files_.find(Split(path));
        return found == files_.end() ? std::vector<uint8_t>{} : Content(found->second);
    }
    CalendarTime LastWrite(const std::string& path) const {
        const auto found = files_.find(Split(path));
        return found == files_.end() ? CalendarTime{} : found->second.lastWrite;
    }
    // Every file as "folder/name".
    std::vector<std::string> FilePaths() const {
        std::vector<std::string> paths;
        for (const auto& entry : files_)
            paths.push_back(entry.first.first + "/" + entry.first.second);
        return paths;
    }
    const std::set<std::string>& Folders() const { return folders_; }
    size_t FileCount() const { return files_.size(); }
    // The bytes the files hold, without their gaps.
    uint64_t HeldBytes() const {
        uint64_t held = 0;
        for (const auto& entry : files_)
            for (const auto& run : entry.second.runs)
                held += run.second.size();
        return held;
    }
    // The bytes ReadWholeFile has handed out.
    uint64_t BytesRead() const { return bytesRead_; }
    // Every path given to MakeFolder, CreateOrKeepFile, WriteChunk and RemoveFile, in call order.
    const std::vector<std::string>& TouchedPaths() const { return touched_; }

  private:
    using Key = std::pair<std::string, std::string>;  // folder, name
    struct File {
        uint64_t length = 0;
        std::map<uint64_t, std::vector<uint8_t>> runs;  // written bytes by offset, not overlapping
        CalendarTime lastWrite{};
    };

    // A path without a slash is a name in the program folder.
    static Key Split(const std::string& path) {
        const size_t slash = path.rfind('/');
        if (slash == std::string::npos) return {kProgramFolderName, path};
        return {path.substr(0, slash), path.substr(slash + 1)};
    }
    bool FolderExists(const std::string& folder) const {
        return folder == kProgramFolderName || folders_.count(folder) != 0;
    }
    // The file ends at length; its bytes behind it are gone.
    static void Truncate(File* file, uint64_t length) {
        file->runs.erase(file->runs.lower_bound(length), file->runs.end());
        if (!file->runs.empty()) {
            auto& [start, bytes] = *file->runs.rbegin();
            if (start + bytes.size() > length) bytes.resize(size_t(length - start));
        }
        if (file->length > length) file->length = length;
    }
    static std::vector<uint8_t> Content(const File& file) {
        std::vector<uint8_t> bytes(size_t(file.length));
        for (const auto& [start, run] : file.runs)
            std::copy(run.begin(), run.end(), bytes.begin() + std::ptrdiff_t(start));
        return bytes;
    }

    std::set<std::string> folders_;
    std::map<Key, File> files_;
    std::vector<std::string> touched_;
    uint64_t bytesRead_ = 0;
    std::string runningProgram_;
    bool chunkOpen_ = false;
    std::string chunkPath_;
    CalendarTime chunkTime_{};
    bool chunkWritten_ = false;
};
