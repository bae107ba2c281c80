#pragma once
// The settings of one edition of the program: its registry key and whether a second running
// copy is refused. The program is built for edition 8.
#include <cstdint>
#include <functional>

inline constexpr int32_t kBuiltEdition = 8;

class EditionSettings {
  public:
    explicit EditionSettings(int32_t editionNumber);
    EditionSettings(const EditionSettings&) = delete;
    EditionSettings& operator=(const EditionSettings&) = delete;
    virtual void* DeletingDestructor(uint32_t flags);
    ~EditionSettings() = default;

    int32_t edition;
    char registryKeyPath[512];  // under HKEY_LOCAL_MACHINE
    bool singleInstanceCheck;
};

// True lets the start go on. An edition with the single-instance check refuses to start when a
// copy is already running (windowExists), after telling the user (showRefusal).
bool StartupCheck(const EditionSettings& settings, const std::function<bool()>& windowExists,
                  const std::function<void()>& showRefusal);
