#include "platform/win32/shell/win32_platforms.h"

#include "common/host_platforms.h"
#include "platform/win32/common/win32_host_notice_platform.h"
#include "platform/win32/display/directdraw.h"
#include "platform/win32/display/directdraw_display_platform.h"
#include "platform/win32/files/win32_file_platform.h"
#include "platform/win32/net/winsock_socket_platform.h"
#include "platform/win32/shell/win32_application_platform.h"
#include "platform/win32/sound/direct_sound_platform.h"
#include "platform/win32/sprites/win32_sprite_platform.h"

DirectDrawDisplayPlatform& ProductDisplayPlatform() {
    static DirectDrawDisplayPlatform display;
    return display;
}

void InstallWin32Platforms() {
    static Win32FilePlatform files;
    static WinsockSocketPlatform sockets;
    static DirectSoundPlatform sound;
    DirectDrawDisplayPlatform& display = ProductDisplayPlatform();
    static Win32ApplicationPlatform application;
    static Win32SpritePlatform sprites;
    static Win32HostNoticePlatform notices;
    HostPlatforms product;
    product.files = &files;
    product.sockets = &sockets;
    product.sound = &sound;
    product.surfaces = &DirectDrawSurfacePlatform::Instance();
    product.display = &display;
    product.sprites = &sprites;
    product.application = &application;
    product.notices = &notices;
    InstallHostPlatforms(product);
}
