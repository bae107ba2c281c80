#include "module_contract_loader.h"

#include <string>
#include <windows.h>

namespace {

template <class Function> bool Resolve(HMODULE library, const char* name, Function& out) {
    // Through void (*)(), the one function pointer type a cast from FARPROC may go through quietly.
    out = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
    return out != nullptr;
}

}  // namespace

std::string ContractModulePath() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1) + "ContractModule.dll";
}

namespace {

ContractModule* Load() {
    // The module stays loaded for the life of the process, as the game module does.
    HMODULE library = LoadLibraryA(ContractModulePath().c_str());
    if (!library) return nullptr;
    static ContractModule module;
    bool complete = Resolve(library, "ProbeSize", module.probeSize) &&
                    Resolve(library, "LiveAllocations", module.liveAllocations) &&
                    Resolve(library, "CreateProbe", module.createProbe) &&
                    Resolve(library, "ConstructProbeAt", module.constructProbeAt) &&
                    Resolve(library, "ExerciseHostControl", module.exerciseHostControl) &&
                    Resolve(library, "NotifyHost", module.notifyHost) &&
                    Resolve(library, "DeleteHostControl", module.deleteHostControl) &&
                    Resolve(library, "DestroyHostControlInPlace", module.destroyHostControlInPlace) &&
                    Resolve(library, "DeleteHostSurface", module.deleteHostSurface) &&
                    Resolve(library, "PaintSurface", module.paintSurface) &&
                    Resolve(library, "DriveHostCounter", module.driveHostCounter) &&
                    Resolve(library, "HandOverReport", module.handOverReport) &&
                    Resolve(library, "PrepareHandOver", module.prepareHandOver) &&
                    Resolve(library, "CreateModuleConnection", module.createModuleConnection) &&
                    Resolve(library, "ModuleRegister", module.moduleRegister) &&
                    Resolve(library, "ModuleUnregister", module.moduleUnregister) &&
                    Resolve(library, "DeleteModuleConnection", module.deleteModuleConnection) &&
                    Resolve(library, "CallsAfterDeath", module.callsAfterDeath) &&
                    Resolve(library, "Tombstones", module.tombstones) &&
                    Resolve(library, "LastTombstoneIntact", module.lastTombstoneIntact);
    return complete ? &module : nullptr;
}

}  // namespace

const ContractModule* LoadContractModule() {
    static const ContractModule* module = Load();
    return module;
}
