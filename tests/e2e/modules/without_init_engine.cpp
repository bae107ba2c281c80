// A game module that lacks "InitKTZDLL": the host must refuse it without calling it.
#define MODULE_EXPORT extern "C" __declspec(dllexport)
MODULE_EXPORT void* AllocScreen(int, void*, void*) { return nullptr; }
