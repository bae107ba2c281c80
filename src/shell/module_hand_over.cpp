#include "shell/module_hand_over.h"

#include "shell/host_globals.h"
#include "shell/module_host_panel.h"

HandOverResult HandOverToGameModule(ScreenModulePlatform& platform, const char* path) {
    HandOverResult result;
    auto* panel = new ModuleHostPanel();
    result.failure = panel->LoadModule(platform, path, host::AppInfo, host::CommandLine);
    if (result.failure != ModuleLoadFailure::None) {
        DestroyControl(panel);
        result.message = std::string("The game module \"") + (path ? path : "") +
                         "\" cannot be started: " + DescribeModuleLoadFailure(result.failure) + ".";
        return result;
    }
    host::AppInfo.currentScreen = panel;
    host::DrawRoot = host::UpdateRoot = host::InputRoot = panel;
    result.panel = panel;
    return result;
}
