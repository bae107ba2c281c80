#include "update_plan.h"

#include <algorithm>
#include <limits>
#include <string>
#include <unordered_map>

namespace {

char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// Folder and name joined by a byte that neither can hold, in lower case.
std::string MatchKey(const std::string& folder, const std::string& name) {
    std::string key;
    key.reserve(folder.size() + 1 + name.size());
    for (char c : folder)
        key.push_back(FoldCase(c));
    key.push_back('\0');
    for (char c : name)
        key.push_back(FoldCase(c));
    return key;
}

bool UpToDate(const ReleaseFile& file, const ClientFile& listed) {
    if (listed.size != file.size) return false;
    return file.size == 0 || SameWriteTime(listed.lastWrite, file.lastWrite);
}

}  // namespace

UpdatePlan PlanUpdate(std::shared_ptr<const ReleaseSnapshot> snapshot,
                      const std::vector<ClientFile>& listed) {
    std::unordered_map<std::string, const ClientFile*> byName;
    byName.reserve(listed.size());
    for (const ClientFile& file : listed)
        byName[MatchKey(file.folder, file.name)] = &file;

    UpdatePlan plan;
    uint64_t total = 0;
    for (const ReleaseFile& file : snapshot->files) {
        const auto found = byName.find(MatchKey(file.folder, file.name));
        if (found != byName.end() && UpToDate(file, *found->second)) continue;
        plan.files.push_back(&file);
        total += file.size;
    }
    plan.totalBytes = uint32_t(std::min<uint64_t>(total, std::numeric_limits<uint32_t>::max()));
    plan.snapshot = std::move(snapshot);
    return plan;
}
