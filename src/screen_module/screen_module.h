#pragma once
// The loader of screen modules: libraries built on the same control, surface, sprite and sound
// layouts as the host, which the host asks for screens. Loading hands the module the engine
// state (its export "InitKTZDLL" receives an EngineInfo) and keeps its screen factory (the
// export "AllocScreen"). The library is never freed once loaded: the controls and objects the
// module creates stay valid after the loader is gone.
//
//   offset  field
//   0       virtual table (slot 0: deleting destructor)
//   4       path (64 characters, zero-terminated; empty until a load succeeds)
//   68      library (null when nothing is loaded)
//   72      screen factory ("AllocScreen"; null when nothing is loaded)
#include <cstdint>

#include "common/deleting_destructor.h"
#include "common/layout_check.h"
#include "screen_module/screen_module_engine_info.h"
#include "screen_module/screen_module_platform.h"

class Control;

// The exports of a screen module. All take their arguments on the stack and leave them for the
// caller to remove (the C calling convention); the results of the first two are not used.
namespace module_exports {
inline constexpr const char* kInitEngine = "InitKTZDLL";
inline constexpr const char* kInitApplicationInfo = "InitApplicationInfo";
inline constexpr const char* kAllocScreen = "AllocScreen";

using InitEngine = int32_t (*)(EngineInfo* info);
using InitApplicationInfo = int32_t (*)(void* applicationInfo);
using AllocScreen = Control* (*)(int32_t first, Control* parent, void* third);
}  // namespace module_exports

// Why the last Load failed.
enum class ModuleLoadFailure : int32_t {
    None = 0,
    NoPath,           // a null path
    PathTooLong,      // 64 characters or more: the path field could not hold it
    NotLoadable,      // the platform could not load the library
    NoInitEngine,     // no "InitKTZDLL" export
    NoScreenFactory,  // no "AllocScreen" export
    NoFirstScreen     // "AllocScreen" gave no screen (reported by the panel that asked)
};

class ScreenModule {
  public:
    static constexpr uint32_t kPathSize = 64;

    // Empty; with a path, loads it at once.
    explicit ScreenModule(ScreenModulePlatform& platform, const char* path = nullptr);
    ScreenModule(const ScreenModule&) = delete;
    ScreenModule& operator=(const ScreenModule&) = delete;

    virtual void* DeletingDestructor(uint32_t flags);

    // 1 when the library was loaded, received the engine state and has a screen factory; 0
    // otherwise, with nothing loaded and the reason in LastFailure(). A library that lacks an
    // export is freed again; one that lacks "InitKTZDLL" receives no call at all.
    int32_t Load(const char* path);

    // A new screen from the module, created as a child of the parent; null when nothing is
    // loaded (then nothing is called).
    Control* AllocScreen(int32_t first, Control* parent, void* third);

    ModuleLoadFailure LastFailure() const { return failure_; }

    char path[kPathSize];
    void* library;
    module_exports::AllocScreen screenFactory;

    // Frees nothing: a loaded module stays loaded until the process ends.
    ~ScreenModule() = default;

  private:
    int32_t Fail(ModuleLoadFailure failure);

    ScreenModulePlatform& platform_;
    ModuleLoadFailure failure_ = ModuleLoadFailure::None;
};

// The words a person reads for a load failure: what is missing, without the module's name.
const char* DescribeModuleLoadFailure(ModuleLoadFailure failure);

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_OFFSET(ScreenModule, path, 4);
TIDEMARCH_CHECK_OFFSET(ScreenModule, library, 68);
TIDEMARCH_CHECK_OFFSET(ScreenModule, screenFactory, 72);
TIDEMARCH_LAYOUT_CHECKS_END
#endif
