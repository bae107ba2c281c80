#pragma once
// Wine's Direct3D layer draws the DirectDraw surfaces, and where there is no OpenGL (Xvfb, many
// virtual machines) its command-stream thread waits busily for work: the host then takes most of
// a core to show a still picture. Wine reads a per-program setting that turns the thread off
// (HKCU\Software\Wine\AppDefaults\<program file name>\Direct3D, csmt = DWORD 0) when its Direct3D
// library is loaded, so the host writes it, when it is missing, before it loads DirectDraw.
// Nothing here touches the registry under Windows.
#include <string>

// True when the process runs under Wine: its ntdll exports wine_get_version.
bool RunsUnderWine();

// The file name of the running program, without its folder ("Tidemarch.exe").
std::string OwnProgramFileName();

// The key of the per-program setting, under HKEY_CURRENT_USER.
std::string WineDirect3DSettingKey(const std::string& programFileName);

enum class WineDirect3DSetting {
    NotUnderWine,    // nothing done
    AlreadyPresent,  // a value is there (the installer's, or the player's own): left as it is
    Written,         // csmt = DWORD 0 written
    NotWritten,      // the key or the value could not be written
};

// Writes csmt = DWORD 0 for the program when the process runs under Wine and the value is
// missing. An empty program name writes nothing.
WineDirect3DSetting SettleWineDirect3D(const std::string& programFileName, bool underWine);
