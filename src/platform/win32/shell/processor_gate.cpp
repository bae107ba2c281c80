// The executable's first code. The C runtime's start-up runs static constructors, which are
// built for SSE2 like the rest of the program, so the processor is checked before it: this file
// is built without SSE (see CMakeLists.txt) and is the image's entry point, handing over to the
// runtime's own entry only when the processor can run the program.
#include <windows.h>

#include <cpuid.h>

#include "shell/processor_requirement.h"

extern "C" int WinMainCRTStartup();

namespace {
uint32_t FeatureWord() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) ? edx : 0;
}
}  // namespace

extern "C" int TidemarchProcessorGate() {
    if (!ProcessorCanRunHost(FeatureWord())) {
        MessageBoxA(nullptr, kProcessorRefusalText, kProcessorRefusalCaption, MB_OK | MB_ICONERROR);
        ExitProcess(1);
    }
    return WinMainCRTStartup();
}
