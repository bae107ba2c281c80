#include "platform/win32/shell/win32_platforms.h"

#include "platform/win32/common/win32_host_notice_platform.h"
#include "platform/win32/display/directdraw.h"
#include "platform/win32/display/directdraw_display_platform.h"
#include "platform/win32/files/win32_file_platform.h"
#include "platform/win32/net/winsock_socket_platform.h"
#include "platform/win32/shell/win32_application_platform.h"
#include "platform/win32/sound/direct_sound_platform.h"
#include "platform/win32/sprites/win32_sprite_platform.h"

void InstallWin32Platforms() {
    static Win32FilePlatform files;
    static WinsockSocketPlatform sockets;
    static DirectSoundPlatform sound;
    static DirectDrawDisplayPlatform display;
    static Win32ApplicationPlatform application;
    static Win32SpritePlatform sprites;
    static Win32HostNoticePlatform notices;
    PlatformSlot<FilePlatform>::Install(&files);
    PlatformSlot<SocketPlatform>::Install(&sockets);
    PlatformSlot<SoundPlatform>::Install(&sound);
    PlatformSlot<SurfacePlatform>::Install(&DirectDrawSurfacePlatform::Instance());
    PlatformSlot<DisplayPlatform>::Install(&display);
    PlatformSlot<ApplicationPlatform>::Install(&application);
    PlatformSlot<SpritePlatform>::Install(&sprites);
    PlatformSlot<HostNoticePlatform>::Install(&notices);
}
