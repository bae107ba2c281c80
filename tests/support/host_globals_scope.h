#pragma once
// The host globals as a fresh process has them, for one test: the constructor keeps what was
// there and starts from the fresh values; the destructor puts back what was kept, so that no test
// sees another's window, roots or settings. Objects stay the test's own to end: the scope only
// forgets the pointers it set aside.
#include "host/host_globals.h"

class HostGlobalsScope {
  public:
    HostGlobalsScope() : kept_(Read()) { Write(Values{}); }
    ~HostGlobalsScope() { Write(kept_); }
    HostGlobalsScope(const HostGlobalsScope&) = delete;
    HostGlobalsScope& operator=(const HostGlobalsScope&) = delete;

  private:
    struct Values {
        void* hostWindow = nullptr;
        void* instanceHandle = nullptr;
        void* directDrawObject = nullptr;
        uint32_t cooperativeLevel = 0;
        Point clientOffset{0, 0};
        uint32_t frameInterval = host::kFrameIntervalMs;
        uint32_t backgroundClear = 0;
        Control* drawRoot = nullptr;
        Control* updateRoot = nullptr;
        Control* inputRoot = nullptr;
        Control* mouseCursor = nullptr;
        Display* display = nullptr;
        RootControl* rootControl = nullptr;
        NetworkManager* networkManager = nullptr;
        ApplicationInfo appInfo{};
        CommandLineBlock commandLine{};
        int32_t exitCode = 0;
    };

    static Values Read() {
        return Values{host::HostWindow,       host::InstanceHandle, host::DirectDrawObject,
                      host::CooperativeLevel, host::ClientOffset,   host::FrameInterval,
                      host::BackgroundClear,  host::DrawRoot,       host::UpdateRoot,
                      host::InputRoot,        host::MouseCursor,    host::Display,
                      host::RootControl,      host::NetworkManager, host::AppInfo,
                      host::CommandLine,      host::ExitCode};
    }

    static void Write(const Values& v) {
        host::HostWindow = v.hostWindow;
        host::InstanceHandle = v.instanceHandle;
        host::DirectDrawObject = v.directDrawObject;
        host::CooperativeLevel = v.cooperativeLevel;
        host::ClientOffset = v.clientOffset;
        host::FrameInterval = v.frameInterval;
        host::BackgroundClear = v.backgroundClear;
        host::DrawRoot = v.drawRoot;
        host::UpdateRoot = v.updateRoot;
        host::InputRoot = v.inputRoot;
        host::MouseCursor = v.mouseCursor;
        host::Display = v.display;
        host::RootControl = v.rootControl;
        host::NetworkManager = v.networkManager;
        host::AppInfo = v.appInfo;
        host::CommandLine = v.commandLine;
        host::ExitCode = v.exitCode;
    }

    Values kept_;
};
