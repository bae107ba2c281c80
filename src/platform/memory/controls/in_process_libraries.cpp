#include "platform/memory/controls/in_process_libraries.h"

void InProcessLibraries::Add(const std::string& path, Exports exports) {
    libraries_[path] = Library{std::move(exports)};
}

void* InProcessLibraries::Load(const char* path) {
    auto found = libraries_.find(path);
    if (found == libraries_.end()) return nullptr;
    ++found->second.loads;
    return &found->second;
}

void* InProcessLibraries::Find(void* library, const char* name) {
    if (!library) return nullptr;
    for (const auto& [exportName, address] : static_cast<Library*>(library)->exports)
        if (exportName == name) return address;
    return nullptr;
}

void InProcessLibraries::Free(void* library) {
    if (library) ++static_cast<Library*>(library)->frees;
}

int InProcessLibraries::LoadedCount(const std::string& path) const {
    auto found = libraries_.find(path);
    return found == libraries_.end() ? 0 : found->second.loads - found->second.frees;
}

int InProcessLibraries::LoadsOf(const std::string& path) const {
    auto found = libraries_.find(path);
    return found == libraries_.end() ? 0 : found->second.loads;
}
