#include "screen_module/screen_module.h"

#include <cstring>

namespace {
// Export addresses come back as data pointers from the platform interface; function and data
// pointers have one size on every platform the host runs on.
template <class Function> Function AsFunction(void* address) { return reinterpret_cast<Function>(address); }
}  // namespace

ScreenModule::ScreenModule(ScreenModulePlatform& platform, const char* modulePath)
    : path{}, library(nullptr), screenFactory(nullptr), platform_(platform) {
    if (modulePath) Load(modulePath);
}

void* ScreenModule::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

int32_t ScreenModule::Fail(ModuleLoadFailure failure) {
    library = nullptr;
    screenFactory = nullptr;
    failure_ = failure;
    return 0;
}

int32_t ScreenModule::Load(const char* modulePath) {
    if (!modulePath) return Fail(ModuleLoadFailure::NoPath);
    // Refused before anything is loaded, so that a successful load can always keep its path.
    const size_t length = strnlen(modulePath, kPathSize);
    if (length >= kPathSize) return Fail(ModuleLoadFailure::PathTooLong);

    void* loaded = platform_.Load(modulePath);
    if (!loaded) return Fail(ModuleLoadFailure::NotLoadable);

    auto initEngine =
        AsFunction<module_exports::InitEngine>(platform_.Find(loaded, module_exports::kInitEngine));
    if (!initEngine) {
        platform_.Free(loaded);
        return Fail(ModuleLoadFailure::NoInitEngine);
    }
    EngineInfo info;
    FillEngineInfo(info);
    initEngine(&info);

    auto factory =
        AsFunction<module_exports::AllocScreen>(platform_.Find(loaded, module_exports::kAllocScreen));
    if (!factory) {
        platform_.Free(loaded);
        return Fail(ModuleLoadFailure::NoScreenFactory);
    }
    library = loaded;
    screenFactory = factory;
    std::memcpy(path, modulePath, length + 1);
    failure_ = ModuleLoadFailure::None;
    return 1;
}

Control* ScreenModule::AllocScreen(int32_t first, Control* parent, void* third) {
    if (!screenFactory) return nullptr;
    return screenFactory(first, parent, third);
}

const char* DescribeModuleLoadFailure(ModuleLoadFailure failure) {
    switch (failure) {
    case ModuleLoadFailure::None:
        return "loaded";
    case ModuleLoadFailure::NoPath:
        return "no library path was given";
    case ModuleLoadFailure::PathTooLong:
        return "its path is 64 characters or longer";
    case ModuleLoadFailure::NotLoadable:
        return "the library could not be loaded (missing, or not a 32-bit Windows library)";
    case ModuleLoadFailure::NoInitEngine:
        return "the library has no export \"InitKTZDLL\"";
    case ModuleLoadFailure::NoScreenFactory:
        return "the library has no export \"AllocScreen\"";
    case ModuleLoadFailure::NoFirstScreen:
        return "its export \"AllocScreen\" gave no screen";
    }
    return "unknown failure";
}
