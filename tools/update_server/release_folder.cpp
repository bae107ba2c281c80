#include "release_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <set>
#include <unordered_map>

#include "client_file_list.h"

namespace {

class OpenFileSource : public FileSource {
  public:
    explicit OpenFileSource(int descriptor) : descriptor_(descriptor) {}
    ~OpenFileSource() override { ::close(descriptor_); }
    OpenFileSource(const OpenFileSource&) = delete;
    OpenFileSource& operator=(const OpenFileSource&) = delete;

    bool Read(uint64_t offset, uint8_t* out, uint32_t length) const override {
        while (length > 0) {
            const ssize_t n = ::pread(descriptor_, out, length, off_t(offset));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;  // an error, or the file got shorter in place
            out += n;
            offset += uint64_t(n);
            length -= uint32_t(n);
        }
        return true;
    }

  private:
    int descriptor_;
};

struct Entry {
    std::string folder;
    std::string name;
    std::string path;
};

bool Skipped(const char* name) { return name[0] == '.'; }

// Characters the client's file system does not allow in names.
bool HasForbiddenCharacter(const std::string& name) {
    return std::any_of(name.begin(), name.end(), [](char c) {
        return (unsigned char)c < 32 || std::strchr("<>:\"/\\|?*", c) != nullptr;
    });
}

std::string Lower(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

// Names of a folder's entries, in byte order, dot-names left out; false when it cannot be read.
bool ListFolder(const std::string& path, std::vector<std::string>& names) {
    DIR* folder = ::opendir(path.c_str());
    if (!folder) return false;
    while (const dirent* entry = ::readdir(folder))
        if (!Skipped(entry->d_name)) names.emplace_back(entry->d_name);
    ::closedir(folder);
    std::sort(names.begin(), names.end());
    return true;
}

bool SameStamp(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

ReleaseFolder::ReleaseFolder(std::string path, std::chrono::milliseconds rescanInterval, Warn warn)
    : path_(std::move(path)), rescanInterval_(rescanInterval), warn_(std::move(warn)) {}

std::shared_ptr<const ReleaseSnapshot> ReleaseFolder::Current() {
    const auto now = std::chrono::steady_clock::now();
    if (!snapshot_ || now - lastScan_ >= rescanInterval_) Rescan();
    return snapshot_;
}

bool ReleaseFolder::Rescan() {
    lastScan_ = std::chrono::steady_clock::now();
    std::vector<std::string> warnings;
    auto warn = [&](std::string text) { warnings.push_back(std::move(text)); };

    std::vector<std::string> rootNames;
    if (!ListFolder(path_, rootNames)) {
        warn_("cannot read the release folder " + path_ + ": " + std::strerror(errno));
        return false;
    }
    // Files of the release folder itself, then the folders inside it in name order.
    std::vector<Entry> entries;
    std::vector<std::string> folders;
    for (const std::string& name : rootNames) {
        const std::string path = path_ + "/" + name;
        struct stat info;
        if (::stat(path.c_str(), &info) != 0) continue;
        if (S_ISDIR(info.st_mode))
            folders.push_back(name);
        else if (S_ISREG(info.st_mode))
            entries.push_back({std::string(kReleaseRootFolder), name, path});
    }
    std::set<std::string> folderKeys;
    for (const std::string& folder : folders) {
        if (folder.size() > kLongestRecordName || HasForbiddenCharacter(folder)) {
            warn("folder " + folder + " left out: its name cannot be sent");
            continue;
        }
        if (!folderKeys.insert(Lower(folder)).second) {
            warn("folder " + folder + " left out: another differs from it only in case");
            continue;
        }
        std::vector<std::string> names;
        if (!ListFolder(path_ + "/" + folder, names)) continue;
        for (const std::string& name : names)
            entries.push_back({folder, name, path_ + "/" + folder + "/" + name});
    }
    if (folderKeys.size() > kMaxListedFolders)
        warn("the release has " + std::to_string(folderKeys.size()) + " folders; clients list at most " +
             std::to_string(kMaxListedFolders));

    auto next = std::make_shared<ReleaseSnapshot>();
    KnownFiles known;
    std::set<std::string> fileKeys;
    bool changed = !snapshot_;
    for (const Entry& entry : entries) {
        const std::string where = entry.folder + "/" + entry.name;
        if (entry.name.size() > kLongestRecordName || HasForbiddenCharacter(entry.name)) {
            warn("file " + where + " left out: its name cannot be sent");
            continue;
        }
        if (!fileKeys.insert(Lower(entry.folder) + "/" + Lower(entry.name)).second) {
            warn("file " + where + " left out: another differs from it only in case");
            continue;
        }
        struct stat info;
        if (::stat(entry.path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
        // An unchanged file keeps the open handle of the snapshot that has it already.
        const std::string key = entry.folder + "/" + entry.name;
        const auto was = known_.find(key);
        if (was != known_.end() && was->second.device == info.st_dev && was->second.inode == info.st_ino &&
            was->second.size == info.st_size && SameStamp(was->second.modified, info.st_mtim) &&
            SameStamp(was->second.changed, info.st_ctim)) {
            known.emplace(key, was->second).first->second.fileIndex = next->files.size();
            next->files.push_back(snapshot_->files[was->second.fileIndex]);
            continue;
        }
        changed = true;
        const int descriptor = ::open(entry.path.c_str(), O_RDONLY | O_CLOEXEC);
        if (descriptor < 0) {
            warn("file " + where + " left out: " + std::strerror(errno));
            continue;
        }
        auto source = std::make_shared<OpenFileSource>(descriptor);
        // The size and time of the version just opened, whatever the name points to by now.
        if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) continue;
        if (uint64_t(info.st_size) > std::numeric_limits<uint32_t>::max()) {
            warn("file " + where + " left out: 4 GiB or larger");
            continue;
        }
        const auto time = RecordTimeOf(info.st_mtim);
        if (!time) {
            warn("file " + where + " left out: its time is outside the years 1601 to 30827");
            continue;
        }
        known.emplace(key, Known{info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim,
                                 next->files.size()});
        next->files.push_back({entry.folder, entry.name, *time, uint32_t(info.st_size), std::move(source)});
    }
    if (next->files.size() > kMaxListedRecords)
        warn("the release has " + std::to_string(next->files.size()) + " files; clients list at most " +
             std::to_string(kMaxListedRecords));
    if (!changed && next->files.size() != snapshot_->files.size()) changed = true;

    if (warnings != lastWarnings_)
        for (const std::string& text : warnings)
            warn_(text);
    lastWarnings_ = std::move(warnings);
    if (changed) {
        snapshot_ = std::move(next);
        known_ = std::move(known);
    }
    return true;
}
