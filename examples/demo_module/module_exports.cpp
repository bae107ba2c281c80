// The three exports of the demonstration game module, in the order the host calls them.
//
// The module is built from the engine's own code, linked into this library: it keeps its own
// copy of the engine's globals, which "InitKTZDLL" points at the host's window, display, pixel
// format and sound device. From then on its controls draw on the host's surfaces and its sounds
// play on the host's device.
#include <windows.h>

#include <cstring>

#include "control_classes/sprite_controls.h"
#include "control_classes/text_renderer.h"
#include "demo_connection.h"
#include "demo_screen.h"
#include "host/host_globals.h"
#include "platform/win32/controls/gdi_text_platform.h"
#include "platform/win32/files/win32_file_platform.h"
#include "platform/win32/net/winsock_socket_platform.h"
#include "platform/win32/sound/direct_sound_platform.h"
#include "platform/win32/sprites/win32_sprite_platform.h"
#include "screen_module/screen_module_engine_info.h"
#include "sprites/files/sprite_file.h"

#define MODULE_EXPORT extern "C" __declspec(dllexport)

namespace {
// The module is the composition root of its own copy of the engine: its text is drawn with GDI,
// its sprite files read through Windows files with their failures on the debugger's output, its
// connections on WinSock, its sounds on DirectSound.
GdiTextPlatform gTextPlatform;
TextPlatformSlot::Scope gTextScope(gTextPlatform);
Win32FilePlatform gFilePlatform;
PlatformSlot<FilePlatform>::Scope gFileScope(gFilePlatform);
WinsockSocketPlatform gSocketPlatform;
PlatformSlot<SocketPlatform>::Scope gSocketScope(gSocketPlatform);
DirectSoundPlatform gSoundPlatform;
PlatformSlot<SoundPlatform>::Scope gSoundScope(gSoundPlatform);
Win32SpritePlatform gSpritePlatform;
PlatformSlot<SpritePlatform>::Scope gSpriteScope(gSpritePlatform);

// What the module keeps for the whole run. The library is never unloaded, so neither is this.
SpriteFile* gSprites = nullptr;
TextRenderer* gFont = nullptr;
ApplicationInfo* gApplication = nullptr;

constexpr const char* kSpriteFile = "SPR\\Demo.SPR";
constexpr int32_t kPointerBundle = 2;
// The command line that names a server: these twelve characters, a blank, then host:port.
constexpr char kServerSwitch[] = "/demo-server";
}  // namespace

MODULE_EXPORT int32_t InitKTZDLL(EngineInfo* info) {
    AdoptEngineInfo(*info);
    return 0;
}

MODULE_EXPORT int32_t InitApplicationInfo(ApplicationInfo* info) {
    gApplication = info;
    return 0;
}

MODULE_EXPORT Control* AllocScreen(int32_t, Control* hostPanel, void* commandLine) {
    gSprites = new SpriteFile(kSpriteFile, 0);
    gFont = new GdiFont(nullptr);

    // The host's pointer takes the module's picture.
    if (host::MouseCursor && gSprites->bundles && kPointerBundle < gSprites->head.bundleCount)
        static_cast<MouseCursor*>(host::MouseCursor)->SetSprite(&gSprites->bundles[kPointerBundle]);

    DemoConnection* connection = nullptr;
    const auto* block = static_cast<const CommandLineBlock*>(commandLine);
    if (block && gApplication && gApplication->networkManager &&
        std::memcmp(block->head, kServerSwitch, sizeof block->head) == 0 && block->hasTail) {
        // Registered with the host's manager from here on; the screen owns it and deletes it
        // when it has closed or failed, or with itself.
        connection = new DemoConnection();
        connection->Start(gApplication->networkManager, block->tail);
    }
    return new DemoScreen(hostPanel, *gSprites, gFont, connection);
}
