#pragma once
// ContractModule.dll, loaded from beside the test executable, and its exports in the host's terms.
#include <cstdint>

#include "contract_protocol.h"
#include "display/surface_control.h"

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
};

// The module, loaded once for the process; null when it or one of its exports is missing.
const ContractModule* LoadContractModule();
