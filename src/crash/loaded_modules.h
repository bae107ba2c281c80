#pragma once
// The modules loaded in the process when it faulted, and which of them an address lies in.
// A fixed table, filled by the platform from memory set aside before the fault.
#include <cstddef>
#include <cstdint>

// A time of day in UTC, as the platform's clock or a file's time gives it.
struct CalendarTime {
    uint16_t year = 0;
    uint16_t month = 0;
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    bool known = false;
};

struct LoadedModule {
    // A full path in UTF-8: 260 characters of up to two bytes each.
    static constexpr size_t kPathCapacity = 520;

    uint32_t base = 0;  // where it is loaded
    uint32_t size = 0;  // bytes of its image
    // From its own header: the base its linker chose (with an offset, the address addr2line
    // expects) and the link time stamp (what debuggers match symbols by).
    uint32_t preferredBase = 0;
    uint32_t linkStamp = 0;
    bool headerRead = false;
    // The offsets its executable sections span (codeEnd 0: not known). An address outside them
    // points at data, not at code.
    uint32_t codeStart = 0;
    uint32_t codeEnd = 0;
    CalendarTime modified;  // the file's last write
    char path[kPathCapacity] = {};

    // The file name without its folder.
    const char* Name() const;
};

// An address as a module and an offset into it.
struct ModuleAddress {
    const LoadedModule* module = nullptr;  // null: in no loaded module
    uint32_t offset = 0;

    // Known to lie outside the module's code.
    bool InData() const {
        return module && module->codeEnd != 0 && (offset < module->codeStart || offset >= module->codeEnd);
    }
};

class LoadedModules {
  public:
    static constexpr size_t kCapacity = 256;

    void Clear();
    // A fresh entry to fill, or null when the table is full; the module is then counted as not
    // listed.
    LoadedModule* Add();
    size_t Count() const { return count_; }
    uint32_t NotListed() const { return notListed_; }
    const LoadedModule& operator[](size_t index) const { return modules_[index]; }

    ModuleAddress Locate(uint32_t address) const;

  private:
    LoadedModule modules_[kCapacity];
    size_t count_ = 0;
    uint32_t notListed_ = 0;
};
