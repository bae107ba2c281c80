#pragma once
// Start-up and shutdown of the host on Windows.
#include <windows.h>

#include <cstdint>

#include "shell/application_shutdown.h"
#include "shell/frame_timing_log.h"
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

// Moves the window and resizes the display for a new picture size. Returns 1.
int32_t ResizeWindow(int32_t width, int32_t height);

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The window class name and title (256 bytes, as the host keeps it).
const char* HostClassName();

// Everything the entry point does, from the edition's settings to the end of the frame loop.
int HostMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand);

// Runs the frame loop on the real machine until the quit message, recording its frames in the
// timing log when one is given and on.
int32_t RunHostFrameLoop(FrameTimingLog* timing = nullptr);
