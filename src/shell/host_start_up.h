#pragma once
// The host's start-up, in the order the rest of the run depends on: the window, the display on
// it, the root control over the display's draw surface, the sound device, the network manager,
// then the host objects (frame settings, the mouse cursor, the screens' platforms) and last the
// first screen. Each step finds what the steps before it made in the host globals.
#include <cstdint>

class Control;

struct HostWindowRequest {
    const char* title = nullptr;  // also the window class name
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;  // the picture's size; the window adds its frame
    int32_t height = 0;
    int32_t depthSelector = 0;
    uint32_t cooperativeLevel = 0;
    int32_t iconResource = 0;
    int showCommand = 0;
};

// What the start-up needs of the machine beyond the display, sound and network platforms.
class HostStartUpPlatform {
  public:
    // Registers the window class when needed and creates the window. Null on failure.
    virtual void* CreateHostWindow(const HostWindowRequest& request) = 0;
    // Shown once the host globals name it: the window's first messages may reach the host.
    virtual void ShowHostWindow(void* window, int showCommand) = 0;
    // The module instance the display's platform is created with.
    virtual void* Instance() = 0;
    // The host draws its own cursor, so the platform's pointer is hidden before it is made.
    virtual void HidePlatformPointer() = 0;
    // Installs, for the whole run, the platforms screens find for themselves (text, the start
    // screen's, the window resizing of the game module's host panel). Runs before the first
    // screen is made, which may look for them at once.
    virtual void InstallScreenPlatforms() = 0;

  protected:
    ~HostStartUpPlatform() = default;
};

using FirstScreenFactory = Control* (*)();

// The whole start-up. Zero when the window cannot be made (nothing else is then made); otherwise
// the result of CreateHostObjects. A display or root control that cannot be allocated leaves its
// global null and the run goes on without a first screen, as the frame loop expects.
int32_t StartHost(HostStartUpPlatform& platform, const HostWindowRequest& request,
                  FirstScreenFactory firstScreen);

// The last step: the platform's pointer hidden, frame settings and the cursor, the screens'
// platforms, then the first screen (made only when a root control exists). Returns 1.
int32_t CreateHostObjects(HostStartUpPlatform& platform, FirstScreenFactory firstScreen);
