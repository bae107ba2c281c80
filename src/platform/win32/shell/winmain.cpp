// The entry point of the host.
#include <windows.h>

#include "platform/win32/shell/host_main.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand) {
    return HostMain(instance, previousInstance, commandLine, showCommand);
}
