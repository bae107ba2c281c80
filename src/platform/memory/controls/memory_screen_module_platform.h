#pragma once
// Screen-module libraries that live inside the process: each is a path and a table of named
// exports (functions of this program). Loading one by its path gives a handle to its table.
// Native builds load screen modules this way; it also counts loads and frees, so a caller can
// see that a library it loaded was freed again.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "screen_module/screen_module_platform.h"

class MemoryScreenModulePlatform final : public ScreenModulePlatform {
  public:
    using Exports = std::vector<std::pair<std::string, void*>>;

    // Makes a library loadable under the path (replacing one of the same path).
    void Add(const std::string& path, Exports exports);

    void* Load(const char* path) override;
    void* Find(void* library, const char* name) override;
    void Free(void* library) override;

    // Loads not yet matched by a free.
    int LoadedCount(const std::string& path) const;
    int LoadsOf(const std::string& path) const;

  private:
    struct Library {
        Exports exports;
        int loads = 0;
        int frees = 0;
    };
    std::map<std::string, Library> libraries_;
};

// Export addresses as the interface hands them out.
template <class Function> void* ExportAddress(Function function) { return reinterpret_cast<void*>(function); }
