#include "platform/memory/controls/memory_screen_module_platform.h"

void MemoryScreenModulePlatform::Add(const std::string& path, Exports exports) {
    libraries_[path] = Library{std::move(exports)};
}

void* MemoryScreenModulePlatform::Load(const char* path) {
    auto found = libraries_.find(path);
    if (found == libraries_.end()) return nullptr;
    ++found->second.loads;
    return &found->second;
}

void* MemoryScreenModulePlatform::Find(void* library, const char* name) {
    if (!library) return nullptr;
    for (const auto& [exportName, address] : static_cast<Library*>(library)->exports)
        if (exportName == name) return address;
    return nullptr;
}

void MemoryScreenModulePlatform::Free(void* library) {
    if (library) ++static_cast<Library*>(library)->frees;
}

int MemoryScreenModulePlatform::LoadedCount(const std::string& path) const {
    auto found = libraries_.find(path);
    return found == libraries_.end() ? 0 : found->second.loads - found->second.frees;
}

int MemoryScreenModulePlatform::LoadsOf(const std::string& path) const {
    auto found = libraries_.find(path);
    return found == libraries_.end() ? 0 : found->second.loads;
}
