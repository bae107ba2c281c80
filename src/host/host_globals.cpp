#include "host/host_globals.h"

#include <algorithm>
#include <cstring>

namespace host {
void* HostWindow = nullptr;
void* InstanceHandle = nullptr;
void* DirectDrawObject = nullptr;
uint32_t CooperativeLevel = 0;
Point ClientOffset{0, 0};
uint32_t FrameInterval = kFrameIntervalMs;
uint32_t BackgroundClear = 0;
Control* DrawRoot = nullptr;
Control* UpdateRoot = nullptr;
Control* InputRoot = nullptr;
Control* MouseCursor = nullptr;
::Display* Display = nullptr;
::RootControl* RootControl = nullptr;
::NetworkManager* NetworkManager = nullptr;
ApplicationInfo AppInfo{};
CommandLineBlock CommandLine{};
int32_t ExitCode = 0;

namespace {
// The border width and the border-plus-caption height of a framed window.
constexpr Point kFramedClientOffset{3, 21};
}  // namespace

void SetClientOffsetFor(uint32_t cooperativeLevel) {
    ClientOffset = cooperativeLevel == kFrameless ? Point{0, 0} : kFramedClientOffset;
}

}  // namespace host

void FillCommandLineBlock(CommandLineBlock& block, const char* commandLine) {
    std::memset(&block, 0, sizeof block);
    if (!commandLine) return;
    size_t length = std::strlen(commandLine);
    if (length < 13) return;
    std::memcpy(block.head, commandLine, sizeof block.head);
    // The character at index 12 separates the two parts and is not kept.
    size_t tailLength = std::min(length - 13, sizeof block.tail - 1);
    std::memcpy(block.tail, commandLine + 13, tailLength);
    block.hasTail = tailLength > 0 ? 1 : 0;
}
