#pragma once
// The hand-over from the host's own first screen to the game module.
#include <functional>
#include <string>

#include "screen_module/screen_module.h"

class ModuleHostPanel;

inline constexpr const char* kGameModulePath = "Main.dll";

struct HandOverResult {
    ModuleHostPanel* panel = nullptr;  // null when the hand-over failed
    ModuleLoadFailure failure = ModuleLoadFailure::None;
    std::string message;  // for a person: the module's name and what is wrong; empty on success
};

// Creates the ModuleHostPanel, which loads the game module and asks it for its first screen,
// and makes the panel the current screen of ApplicationInfo and the DrawRoot, UpdateRoot and
// InputRoot. The screen that held them before is left as it is, for its owner to keep or delete.
// On failure the panel is deleted again and the roots and the current screen stay as they were
// (also when the module moved the input root before it failed); a module that was loaded stays
// loaded (it may have made objects of its own).
HandOverResult HandOverToGameModule(ScreenModulePlatform& platform, const char* path = kGameModulePath);

// The hand-over as the start screen asks for it: on every update once its update has finished,
// until the run ends. A failure ends the run through the quit message, which waits behind
// whatever the queue holds, so frames and their requests go on for a while; the module is
// still loaded only once. The first request hands over; a failure is reported once, and every
// later request gets the first answer without loading anything again.
class GameModuleHandOver {
  public:
    using FailureReport = std::function<void(const HandOverResult&)>;

    GameModuleHandOver(ScreenModulePlatform& platform, FailureReport report,
                       const char* path = kGameModulePath);

    // True when the game module has the screen.
    bool Request();

  private:
    enum class Outcome { NotTried, HandedOver, Failed };

    ScreenModulePlatform& platform_;
    FailureReport report_;
    const char* path_;
    Outcome outcome_ = Outcome::NotTried;
};
