#pragma once
// ContractModule.dll, loaded from beside the test executable, and its exports in the host's terms.
#include <cstdint>
#include <string>

#include "contract_protocol.h"
#include "control_classes/number_display.h"
#include "control_classes/progress_bar.h"
#include "display/surface_control.h"
#include "net/connection.h"
#include "net/network_manager.h"

struct ContractModule {
    int32_t (*probeSize)();
    int32_t (*liveAllocations)();
    Control* (*createProbe)(Control* parent, const contract::ProbeArguments* arguments,
                            contract::ProbeState* state);
    Control* (*constructProbeAt)(void* storage, Control* parent, const contract::ProbeArguments* arguments,
                                 contract::ProbeState* state);
    void (*exerciseHostControl)(Control* control, SurfaceControl* target, Rect* clip, Point* origin,
                                WindowMessage* message, contract::HostCallReport* report);
    int32_t (*notifyHost)(Control* receiver, Control* sender, int32_t code, int32_t param);
    void (*deleteHostControl)(Control* control);
    void (*destroyHostControlInPlace)(Control* control);
    void (*deleteHostSurface)(Surface* surface);
    void (*paintSurface)(Surface* surface, Surface* source, contract::SurfaceReport* report);
    void (*driveHostCounter)(NumberDisplay* counter, ProgressBar* bar, int32_t* report);

    // The game module's side of the hand-over.
    const contract::HandOverReport* (*handOverReport)();
    void (*prepareHandOver)(contract::ProbeState* state, const contract::ProbeArguments* arguments);

    // Connections of the module and its copy of the registration code.
    Connection* (*createModuleConnection)(NetworkManager* manager, uintptr_t socket, uint32_t checksumMode,
                                          int32_t connectionState, contract::ConnectionState* seen);
    void (*moduleRegister)(NetworkManager* manager, uintptr_t socket, Connection* connection);
    void (*moduleUnregister)(NetworkManager* manager, uintptr_t socket);
    void (*deleteModuleConnection)(Connection* connection);
    int32_t (*callsAfterDeath)();
    int32_t (*tombstones)();
    int32_t (*lastTombstoneIntact)();
};

// The module's file beside the test executable.
std::string ContractModulePath();

// The module, loaded once for the process; null when it or one of its exports is missing.
const ContractModule* LoadContractModule();
