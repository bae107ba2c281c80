// The main of every native test: the implementations the native builds run on, installed for
// the whole run. A test that wants another one installs it for its own scope.
#include <gtest/gtest.h>

#include "common/host_platforms.h"
#include "platform/memory/common/memory_host_notice_platform.h"
#include "platform/memory/sound/memory_sound_platform.h"
#include "platform/posix/files/posix_file_platform.h"
#include "platform/posix/net/posix_socket_platform.h"
#include "platform/posix/sprites/posix_sprite_platform.h"

int main(int argc, char** argv) {
    PosixFilePlatform files;
    PosixSocketPlatform sockets;
    MemorySoundPlatform sound;
    PosixSpritePlatform sprites;
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
