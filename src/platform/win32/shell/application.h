#pragma once
// Start-up and shutdown of the host on Windows.
#include <windows.h>

#include <cstdint>

#include "shell/application_shutdown.h"
#include "shell/host_start_up.h"

class Control;

// Registers the window class (unless a previous instance did), creates the window and the host
// objects in their fixed order. Non-zero on success.
int32_t InitApplication(HINSTANCE instance, HINSTANCE previousInstance, int showCommand, const char* title,
                        int32_t x, int32_t y, int32_t width, int32_t height, int32_t depthSelector,
                        uint32_t cooperativeLevel, int32_t iconResource);

// What the start-up makes the first screen: the start screen unless an executable's entry point
// chooses another before start-up (null restores the start screen).
void SetFirstScreenFactory(FirstScreenFactory factory);

// The window class name and title (256 bytes, as the host keeps it).
const char* HostClassName();
