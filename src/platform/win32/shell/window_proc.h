#pragma once
// The host window's procedure, and the window's size following the picture's.
#include <windows.h>

#include <cstdint>

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Moves the window and resizes the display for a new picture size. Returns 1.
int32_t ResizeWindow(int32_t width, int32_t height);
