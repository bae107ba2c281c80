#pragma once
// The implementations the product runs on, made once for the process and installed before the
// first host object is made.
void InstallWin32Platforms();

class DirectDrawDisplayPlatform;

// The display platform of the product, which the presentation modes steer.
DirectDrawDisplayPlatform& ProductDisplayPlatform();
