#include "release_folder_listing.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <map>
#include <system_error>

#include "release_manifest/release_manifest.h"

namespace fs = std::filesystem;

namespace {

constexpr char kHostProgramName[] = "Tidemarch.exe";

bool Hidden(const fs::path& path) { return path.filename().string().front() == '.'; }

void AddFile(const fs::directory_entry& entry, const std::string& path, std::vector<ListedFile>* files,
             std::vector<std::string>* problems) {
    std::error_code error;
    const uintmax_t size = entry.file_size(error);
    if (error) {
        problems->push_back(path + ": " + error.message());
        return;
    }
    if (size > std::numeric_limits<uint32_t>::max()) {
        problems->push_back(path + ": 4 GiB or more, which the update cannot send");
        return;
    }
    if (std::string why = CheckReleasePath(path); !why.empty()) {
        problems->push_back(path + ": " + why);
        return;
    }
    files->push_back({path, size});
}

}  // namespace

bool ListReleaseFolder(const std::string& folder, std::vector<ListedFile>* files,
                       std::vector<std::string>* problems) {
    std::error_code error;
    fs::directory_iterator top(folder, error);
    if (error) {
        problems->push_back(folder + ": " + error.message());
        return false;
    }
    for (const fs::directory_entry& entry : top) {
        if (Hidden(entry.path())) continue;
        const std::string name = entry.path().filename().string();
        if (entry.is_directory(error)) {
            if (std::string why = CheckReleasePath(name + "/x"); !why.empty()) {
                problems->push_back(name + "/: " + why);
                continue;
            }
            fs::directory_iterator inner(entry.path(), error);
            if (error) {
                problems->push_back(name + "/: " + error.message());
                continue;
            }
            for (const fs::directory_entry& file : inner)
                if (!Hidden(file.path()) && !file.is_directory(error))
                    AddFile(file, name + "/" + file.path().filename().string(), files, problems);
            continue;
        }
        if (FoldedPath(name) == FoldedPath(kReleaseManifestName) ||
            FoldedPath(name) == FoldedPath(kHostProgramName))
            continue;
        AddFile(entry, name, files, problems);
    }
    std::sort(files->begin(), files->end(),
              [](const ListedFile& a, const ListedFile& b) { return a.path < b.path; });
    std::map<std::string, std::string> folded;
    for (const ListedFile& file : *files) {
        const auto [at, added] = folded.emplace(FoldedPath(file.path), file.path);
        if (!added) problems->push_back(file.path + ": differs from " + at->second + " only in case");
    }
    if (files->size() > kMaxManifestFiles)
        problems->push_back("more than " + std::to_string(kMaxManifestFiles) + " files");
    return problems->empty();
}
