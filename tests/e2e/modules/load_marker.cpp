// A game module that only tells whether the host loaded it: loading writes "module-loaded" into
// the current folder (the program folder). It lacks "AllocScreen", so a hand-over that loaded it
// ends with the "Game module" box.
#include <windows.h>

#define MODULE_EXPORT extern "C" __declspec(dllexport)
MODULE_EXPORT int InitKTZDLL(void*) { return 0; }

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        HANDLE marker = CreateFileA("module-loaded", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    }
    return TRUE;
}
