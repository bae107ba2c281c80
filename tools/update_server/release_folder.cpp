#include "release_folder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <set>

#include "client_file_list.h"
#include "update_protocol/server_names.h"

namespace {

struct Entry {
    std::string folder;
    std::string name;
    std::string path;
};

bool Skipped(const std::string& name) { return name.empty() || name[0] == '.'; }

std::string Lower(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

// Why a name cannot reach the client's disk, or null when it can.
const char* NameProblem(const std::string& name) {
    if (name.size() > kLongestRecordName) return "its name is too long to be sent";
    if (!IsPlainName(name)) return "the host refuses its name";
    return nullptr;
}

// Names of a folder's entries in byte order, dot-names left out; false when it cannot be read.
bool ListFolder(ReleaseFileSystem& files, const std::string& path, std::vector<std::string>& names) {
    std::vector<std::string> all;
    if (!files.List(path, all)) return false;
    for (std::string& name : all)
        if (!Skipped(name)) names.push_back(std::move(name));
    std::sort(names.begin(), names.end());
    return true;
}

bool SameStamp(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool Inside(const std::string& resolved, const std::string& realRoot) {
    if (realRoot == "/") return true;
    return resolved.size() > realRoot.size() && resolved.compare(0, realRoot.size(), realRoot) == 0 &&
           resolved[realRoot.size()] == '/';
}

const ReleaseFile* FindHostProgram(const ReleaseSnapshot& snapshot) {
    const std::string wanted = Lower(kHostProgramName);
    for (const ReleaseFile& file : snapshot.files)
        if (file.folder == kReleaseRootFolder && Lower(file.name) == wanted) return &file;
    return nullptr;
}

}  // namespace

ReleaseFolder::ReleaseFolder(std::string path, ReleaseFileSystem& files, bool followOutsideLinks, Warn warn)
    : path_(std::move(path)), files_(files), followOutsideLinks_(followOutsideLinks), warn_(std::move(warn)) {
}

bool ReleaseFolder::LinkAllowed(const std::string& path, const std::string& where,
                                const std::string& realRoot, std::vector<std::string>& warnings) {
    if (followOutsideLinks_) return true;
    struct stat info;
    if (!files_.LinkStatus(path, info) || !S_ISLNK(info.st_mode)) return true;
    std::string resolved;
    if (!files_.RealPath(path, resolved)) return true;  // a dangling link: Status fails on it next
    if (Inside(resolved, realRoot)) return true;
    warnings.push_back(where + " left out: a symbolic link leading outside the release folder (to " +
                       resolved + "; --follow-outside-links serves it)");
    return false;
}

bool ReleaseFolder::Rescan() {
    std::vector<std::string> warnings;
    auto warn = [&](std::string text) { warnings.push_back(std::move(text)); };

    std::vector<std::string> rootNames;
    std::string realRoot;
    if (!ListFolder(files_, path_, rootNames) || !files_.RealPath(path_, realRoot)) {
        warn_("cannot read the release folder " + path_ + ": " + std::strerror(errno));
        return false;
    }
    // Files of the release folder itself, then the folders inside it in name order.
    std::vector<Entry> entries;
    std::vector<std::string> folders;
    for (const std::string& name : rootNames) {
        const std::string path = path_ + "/" + name;
        struct stat info;
        if (!files_.Status(path, info)) continue;
        if (S_ISDIR(info.st_mode)) {
            if (LinkAllowed(path, "folder " + name, realRoot, warnings)) folders.push_back(name);
        } else if (S_ISREG(info.st_mode)) {
            entries.push_back({std::string(kReleaseRootFolder), name, path});
        }
    }
    std::set<std::string> folderKeys;
    for (const std::string& folder : folders) {
        if (const char* problem = NameProblem(folder)) {
            warn("folder " + folder + " left out: " + problem);
            continue;
        }
        if (!folderKeys.insert(Lower(folder)).second) {
            warn("folder " + folder + " left out: another differs from it only in case");
            continue;
        }
        std::vector<std::string> names;
        if (!ListFolder(files_, path_ + "/" + folder, names)) continue;
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
        if (const char* problem = NameProblem(entry.name)) {
            warn("file " + where + " left out: " + problem);
            continue;
        }
        if (!fileKeys.insert(Lower(entry.folder) + "/" + Lower(entry.name)).second) {
            warn("file " + where + " left out: another differs from it only in case");
            continue;
        }
        if (!LinkAllowed(entry.path, "file " + where, realRoot, warnings)) continue;
        struct stat info;
        if (!files_.Status(entry.path, info) || !S_ISREG(info.st_mode)) continue;
        if (info.st_size == 0)
            warn("file " + where +
                 " is empty: a client that has a non-empty copy keeps it (an update cannot "
                 "shorten a file) and is sent its header at every session");
        // An unchanged file keeps the open handle of the snapshot that has it already.
        const auto was = known_.find(where);
        if (was != known_.end() && was->second.device == info.st_dev && was->second.inode == info.st_ino &&
            was->second.size == info.st_size && SameStamp(was->second.modified, info.st_mtim) &&
            SameStamp(was->second.changed, info.st_ctim)) {
            known.emplace(where, was->second).first->second.fileIndex = next->files.size();
            next->files.push_back(snapshot_->files[was->second.fileIndex]);
            continue;
        }
        changed = true;
        auto source = files_.Open(entry.path, info);
        if (!source) {
            warn("file " + where + " left out: " + std::strerror(errno));
            continue;
        }
        // The size and time of the version just opened, whatever the name points to by now.
        if (!S_ISREG(info.st_mode)) continue;
        if (uint64_t(info.st_size) > std::numeric_limits<uint32_t>::max()) {
            warn("file " + where + " left out: 4 GiB or larger");
            continue;
        }
        const auto time = RecordTimeOf(info.st_mtim);
        if (!time) {
            warn("file " + where + " left out: its time is outside the years 1601 to 30827");
            continue;
        }
        known.emplace(where, Known{info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim,
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
        WarnAboutHostProgram(*next);
        snapshot_ = std::move(next);
        known_ = std::move(known);
    }
    return true;
}

void ReleaseFolder::WarnAboutHostProgram(const ReleaseSnapshot& next) {
    // The first snapshot has nothing to compare with: what hosts run is unknown.
    if (!snapshot_) return;
    const ReleaseFile* now = FindHostProgram(next);
    if (!now) return;
    const ReleaseFile* before = FindHostProgram(*snapshot_);
    if (before && before->size == now->size && SameWriteTime(before->lastWrite, now->lastWrite)) return;
    warn_(std::string("file ./") + now->name +
          " changed: running hosts never replace their own program, so players get it only by installing it "
          "another way (the sessions announce it until then)");
}
