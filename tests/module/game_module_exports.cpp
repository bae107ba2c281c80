// The three exports of a game module: the engine record, the application record and the first
// screen, a probe created under the host panel that the test prepares beforehand.
#include "contract_protocol.h"
#include "module_records.h"
#include "module_runtime.h"

#define MODULE_EXPORT extern "C" __declspec(dllexport)

namespace {
// Without a test that prepares the hand-over, the module is a game module of its own: a green
// box at (100, 100)-(300, 200) that ends the program on Escape.
// Constant-initialised: the module has no C runtime to run initialisers.
constexpr contract::ProbeState StandaloneState() {
    contract::ProbeState state{};
    state.answer = contract::kQuitOnEscape;
    state.paintColour = 0x07E0;
    return state;
}
contract::ProbeState gStandaloneState = StandaloneState();
contract::HandOverReport gReport{};
contract::ProbeState* gScreenState = &gStandaloneState;
contract::ProbeArguments gScreenArguments{100, 100, 300, 200, 64};
}  // namespace

// Defined with the probe.
Control* NewProbe(Control* parent, const contract::ProbeArguments& arguments, contract::ProbeState* state);

MODULE_EXPORT const contract::HandOverReport* HandOverReport() { return &gReport; }

// The state and box of the first screen that AllocScreen will create; clears the report.
MODULE_EXPORT void PrepareHandOver(contract::ProbeState* state, const contract::ProbeArguments* arguments) {
    memset(&gReport, 0, sizeof gReport);
    gScreenState = state;
    gScreenArguments = *arguments;
}

MODULE_EXPORT int32_t InitKTZDLL(EngineInfo* info) {
    ++gReport.initEngineCalls;
    memcpy(gReport.engineBytes, info, sizeof gReport.engineBytes);
    return 0;
}

MODULE_EXPORT int32_t InitApplicationInfo(ApplicationInfo* info) {
    if (!gReport.initEngineCalls) ++gReport.callsBeforeEngine;
    ++gReport.initApplicationInfoCalls;
    gReport.applicationInfo = info;
    gReport.applicationNetworkManager = info->networkManager;
    gReport.applicationWindow = info->window;
    return 0;
}

MODULE_EXPORT Control* AllocScreen(int32_t first, Control* parent, void* commandLine) {
    if (!gReport.initEngineCalls) ++gReport.callsBeforeEngine;
    ++gReport.allocScreenCalls;
    gReport.allocFirst = first;
    gReport.allocParent = parent;
    gReport.allocCommandLine = commandLine;
    if (commandLine) memcpy(gReport.commandHead, static_cast<CommandLineBlock*>(commandLine)->head, 12);
    if (!gScreenState) return nullptr;
    Control* screen = NewProbe(parent, gScreenArguments, gScreenState);
    gReport.screen = screen;
    return screen;
}
