#pragma once
// What every entry point of the host runs.
#include <windows.h>

// Everything the entry point does, from the edition's settings to the end of the frame loop.
int HostMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand);
