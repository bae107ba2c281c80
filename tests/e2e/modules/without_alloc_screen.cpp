// A game module that lacks "AllocScreen": the host hands it the engine record and then refuses it.
#define MODULE_EXPORT extern "C" __declspec(dllexport)
MODULE_EXPORT int InitKTZDLL(void*) { return 0; }
MODULE_EXPORT int InitApplicationInfo(void*) { return 0; }
