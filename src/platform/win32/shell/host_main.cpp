// The life of the host from its entry point: settings, command line, working folder, start-up
// check, start-up, frame loop and the failure path.
#include "platform/win32/shell/host_main.h"

#include "host/host_globals.h"
#include "platform/win32/crash/crash_handler.h"
#include "platform/win32/shell/application.h"
#include "platform/win32/shell/frame_log_crash_source.h"
#include "platform/win32/shell/presentation.h"
#include "platform/win32/shell/win32_frame_log_platform.h"
#include "platform/win32/shell/win32_loop_platform.h"
#include "platform/win32/wine/wine_direct3d_setting.h"
#include "shell/edition_settings.h"

int HostMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand) {
    // A fault anywhere in the process from here on leaves a crash report beside the executable.
    CrashHandlerSettings crashSettings;
    crashSettings.version = TIDEMARCH_VERSION;
    InstallCrashHandler(crashSettings);

    // The frame-timing diagnostics, on when TIDEMARCH_FRAME_LOG names a file. Started before any
    // host object, so that the heap count covers every block of the run.
    Win32FrameLogPlatform frameLogFiles;
    FrameTimingLog frameLog(frameLogFiles);
    frameLog.Start();
    FrameLogCrashSource crashFrames(frameLog);
    CrashFrameSourceScope crashFramesScope(crashFrames);

    EditionSettings settings(kBuiltEdition);
    FillCommandLineBlock(host::CommandLine, commandLine);

    // Every relative file name of the program (sprite files, updated files) is relative to the
    // program's folder, wherever it was started from.
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        if (char* slash = strrchr(path, '\\')) {
            slash[1] = '\0';
            SetCurrentDirectoryA(path);
        }
    }

    bool proceed = StartupCheck(
        settings, [] { return FindWindowA("Tidemarch", "Tidemarch") != nullptr; },
        [] { MessageBoxA(nullptr, "Can't Execute Client", nullptr, MB_OK); });
    if (!proceed) {
        PostQuitMessage(0);
        return 0;
    }

    // Before the display loads DirectDraw, whose Direct3D layer reads the setting as it loads.
    SettleWineDirect3D(OwnProgramFileName(), RunsUnderWine());
    // How the picture is shown: read before the window is made, which takes the chosen form.
    ChoosePresentation(settings.registryKeyPath);

    if (InitApplication(instance, previousInstance, showCommand, "Tidemarch", 0, 0, 1024, 768, 2,
                        host::kFullScreen, 0)) {
        RunHostFrameLoop(&frameLog);
    } else {
        HWND window = static_cast<HWND>(host::HostWindow);
        MessageBoxA(window, "", "Initialize Failed", MB_OK);
        if (window) DestroyWindow(window);
        RunHostFrameLoop();
    }
    // 0, unless the game module could not be handed over.
    return host::ExitCode;
}
