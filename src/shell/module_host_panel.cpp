#include "shell/module_host_panel.h"

#include <iterator>

#include "host/host_globals.h"
#include "host/input_root.h"
#include "shell/host_window_platform.h"

namespace {
constexpr int16_t kPanelPriority = 64;

struct WindowSize {
    int32_t width;
    int32_t height;
};
constexpr WindowSize kWindowSizes[] = {{800, 600}, {1024, 768}, {1280, 1024}};
}  // namespace

ModuleHostPanel::ModuleHostPanel() : TransitionPanel(nullptr, 0, 0, 0, 0, kPanelPriority) {
    SetFlag(control_flags::NotifyTarget, true);
}

ModuleHostPanel::~ModuleHostPanel() {
    host::ForgetInputRootPanel(*this);
    Control* screen = moduleScreen;
    moduleScreen = nullptr;
    // A first screen that replaced itself has deleted itself already: only a screen still
    // linked here is the panel's to delete.
    if (HoldsChild(screen)) DestroyControl(screen);
}

void* ModuleHostPanel::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

int32_t ModuleHostPanel::Notify(Control* sender, int32_t code, int32_t param) {
    switch (code) {
    case host_command::SetInputRoot:
        host::SetInputRootBelow(*this, sender);
        return 0;
    case host_command::GetInputRoot:
        // The control travels back in the 32-bit result, as the module's compiler expects.
        return int32_t(reinterpret_cast<intptr_t>(host::ReachableInputRoot()));
    case host_command::SetBackgroundClear:
        host::BackgroundClear = uint32_t(param);
        return 0;
    case host_command::ResizeWindow:
        if (param >= 0 && param < int32_t(std::size(kWindowSizes))) {
            if (HostWindowPlatform* window = HostWindowPlatformSlot::Installed())
                window->ResizeWindow(kWindowSizes[param].width, kWindowSizes[param].height);
        }
        return 0;
    case host_command::SetFrameInterval:
        host::FrameInterval = uint32_t(param);
        return 0;
    default:
        return 0;
    }
}

ModuleLoadFailure ModuleHostPanel::LoadModule(ScreenModulePlatform& platform, const char* path,
                                              ApplicationInfo& application, CommandLineBlock& commandLine) {
    ScreenModule loader(platform, path);
    if (loader.LastFailure() != ModuleLoadFailure::None) return loader.LastFailure();
    if (void* init = platform.Find(loader.library, module_exports::kInitApplicationInfo))
        reinterpret_cast<module_exports::InitApplicationInfo>(init)(&application);
    moduleScreen = loader.AllocScreen(0, this, &commandLine);
    if (!moduleScreen) return ModuleLoadFailure::NoFirstScreen;
    moduleScreen->Open();
    return ModuleLoadFailure::None;
}
