#include "crash/loaded_modules.h"

const char* LoadedModule::Name() const {
    const char* name = path;
    for (const char* at = path; *at; ++at)
        if (*at == '\\' || *at == '/') name = at + 1;
    return name;
}

void LoadedModules::Clear() {
    count_ = 0;
    notListed_ = 0;
}

LoadedModule* LoadedModules::Add() {
    if (count_ == kCapacity) {
        ++notListed_;
        return nullptr;
    }
    LoadedModule& module = modules_[count_++];
    module = LoadedModule{};
    return &module;
}

ModuleAddress LoadedModules::Locate(uint32_t address) const {
    for (size_t i = 0; i < count_; ++i) {
        const LoadedModule& module = modules_[i];
        // Measured from the base, so that a module that ends at the top of the address space
        // does not wrap around.
        if (address >= module.base && address - module.base < module.size)
            return {&module, address - module.base};
    }
    return {};
}
