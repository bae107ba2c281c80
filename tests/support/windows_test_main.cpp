// The main of every Windows test: the product's files, sockets, sound and sprite platform, installed for the
// whole run. A test that wants another implementation installs it for its own scope.
#include <gtest/gtest.h>

#include "common/host_platforms.h"
#include "platform/memory/common/memory_host_notice_platform.h"
#include "platform/win32/files/win32_file_platform.h"
#include "platform/win32/net/winsock_socket_platform.h"
#include "platform/win32/sound/direct_sound_platform.h"
#include "platform/win32/sprites/win32_sprite_platform.h"

int main(int argc, char** argv) {
    Win32FilePlatform files;
    WinsockSocketPlatform sockets;
    DirectSoundPlatform sound;
    Win32SpritePlatform sprites;
    // Boxes nobody could click and quit messages nobody waits for are kept instead.
    MemoryHostNoticePlatform notices;
    HostPlatforms platforms;
    platforms.files = &files;
    platforms.sockets = &sockets;
    platforms.sound = &sound;
    platforms.sprites = &sprites;
    platforms.notices = &notices;
    HostPlatformsScope installed(platforms);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
