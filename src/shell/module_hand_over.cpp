#include "shell/module_hand_over.h"

#include <utility>

#include "host/host_globals.h"
#include "shell/module_host_panel.h"

HandOverResult HandOverToGameModule(ScreenModulePlatform& platform, const char* path) {
    HandOverResult result;
    Control* inputRootBefore = host::InputRoot;
    auto* panel = new ModuleHostPanel();
    result.failure = panel->LoadModule(platform, path, host::AppInfo, host::CommandLine);
    if (result.failure != ModuleLoadFailure::None) {
        DestroyControl(panel);
        host::InputRoot = inputRootBefore;
        result.message = std::string("The game module \"") + (path ? path : "") +
                         "\" cannot be started: " + DescribeModuleLoadFailure(result.failure) + ".";
        return result;
    }
    // A first screen that made itself the input root while it was opened (code 100 from its
    // Open) keeps it: the panel takes the input only when the module asked for nothing else.
    Control* inputRoot = host::InputRoot != inputRootBefore ? host::InputRoot : panel;
    host::AppInfo.currentScreen = panel;
    host::DrawRoot = host::UpdateRoot = panel;
    host::InputRoot = inputRoot;
    result.panel = panel;
    return result;
}

GameModuleHandOver::GameModuleHandOver(ScreenModulePlatform& platform, FailureReport report, const char* path)
    : platform_(platform), report_(std::move(report)), path_(path) {}

bool GameModuleHandOver::Request() {
    if (outcome_ != Outcome::NotTried) return outcome_ == Outcome::HandedOver;
    HandOverResult result = HandOverToGameModule(platform_, path_);
    outcome_ = result.panel ? Outcome::HandedOver : Outcome::Failed;
    if (!result.panel && report_) report_(result);
    return result.panel != nullptr;
}
