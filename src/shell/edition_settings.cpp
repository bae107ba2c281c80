#include "shell/edition_settings.h"

#include <cstring>

#include "common/deleting_destructor.h"

namespace {
struct EditionRow {
    int32_t edition;
    const char* keyPath;
    bool singleInstance;
};

constexpr EditionRow kEditions[] = {
    {1, "SOFTWARE\\Quorvantix\\TIDEMARCHClient", false},
    {2, "", false},
    {3, "SOFTWARE\\Quorvantix\\TIDEMARCHDEU", false},
    {4, "SOFTWARE\\Quorvantix\\TIDEMARCHJPN", true},
    {5, "", true},
    {7, "", true},
    {8, "SOFTWARE\\Zeq\\TIDEMARCHRUSSIA", false},
};
}  // namespace

EditionSettings::EditionSettings(int32_t editionNumber)
    : edition(editionNumber), registryKeyPath{}, singleInstanceCheck(false) {
    // An edition that is not defined gets an empty key and no check rather than stale memory.
    for (const EditionRow& row : kEditions) {
        if (row.edition != editionNumber) continue;
        std::strncpy(registryKeyPath, row.keyPath, sizeof registryKeyPath - 1);
        singleInstanceCheck = row.singleInstance;
    }
}

void* EditionSettings::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

bool StartupCheck(const EditionSettings& settings, const std::function<bool()>& windowExists,
                  const std::function<void()>& showRefusal) {
    if (!settings.singleInstanceCheck) return true;
    if (!windowExists()) return true;
    showRefusal();
    return false;
}
