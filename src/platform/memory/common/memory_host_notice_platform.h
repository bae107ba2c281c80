#pragma once
// The host's notices in memory: the debug boxes it would show and the quit codes it would post,
// kept in order for the owner to read.
#include <cstdint>
#include <string>
#include <vector>

#include "common/host_notice_platform.h"

class MemoryHostNoticePlatform final : public HostNoticePlatform {
  public:
    void ShowDebugMessage(const char* text) override { debugMessages.emplace_back(text); }
    void PostQuit(int32_t exitCode) override { quitCodes.push_back(exitCode); }

    std::vector<std::string> debugMessages;
    std::vector<int32_t> quitCodes;
};
