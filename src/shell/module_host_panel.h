#pragma once
// The top-level panel that owns the game module's first screen. It loads the module, hands it
// the engine record, the application record and then asks it for its first screen, which the
// module links below this panel. The module commands the host through this panel's Notify:
//
//   code  action                                         result
//   100   InputRoot = sender                              0
//   101   none                                            the current InputRoot
//   102   BackgroundClear = param                         0
//   103   window size: param 0 800x600, 1 1024x768,       0
//         2 1280x1024; other values change nothing
//   104   FrameInterval = param (milliseconds)            0
//   other none                                            0
//
// A control that made itself the input root (100) and then leaves the panel's tree, as a deleted
// control does, is not handed input again: the panel becomes the input root once more.
//
// Fields after those of TransitionPanel: 96 module screen (owned while it is a child of the panel;
// deleted through its slot 0).
#include <cstdint>

#include "common/layout_check.h"
#include "control_classes/panel.h"
#include "screen_module/screen_module.h"

struct ApplicationInfo;
struct CommandLineBlock;

namespace host_command {
inline constexpr int32_t SetInputRoot = 100;
inline constexpr int32_t GetInputRoot = 101;
inline constexpr int32_t SetBackgroundClear = 102;
inline constexpr int32_t ResizeWindow = 103;
inline constexpr int32_t SetFrameInterval = 104;
}  // namespace host_command

class ModuleHostPanel : public TransitionPanel {
  public:
    // No parent, at (0, 0) with size 0 x 0, priority 64, a notification target.
    ModuleHostPanel();

    void* DeletingDestructor(uint32_t flags) override;
    int32_t Notify(Control* sender, int32_t code, int32_t param) override;

    // Loads the module at the path and asks it for its first screen, which is then opened:
    // "InitKTZDLL" (through the loader), "InitApplicationInfo" when the module has it, then
    // "AllocScreen" (0, this panel, the command line). None when the module screen is there;
    // otherwise why not, with nothing of the module called after the failure.
    ModuleLoadFailure LoadModule(ScreenModulePlatform& platform, const char* path,
                                 ApplicationInfo& application, CommandLineBlock& commandLine);

    Control* moduleScreen = nullptr;

    // Deletes the module screen through its slot 0 first, while it is still linked here. A module
    // screen that is no longer a child of the panel is not touched: a first screen may replace
    // itself with its next one and delete itself.
    ~ModuleHostPanel();
};

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_OFFSET(ModuleHostPanel, moduleScreen, 96);
TIDEMARCH_CHECK_SIZE(ModuleHostPanel, 100);
TIDEMARCH_LAYOUT_CHECKS_END
#endif
