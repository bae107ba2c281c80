#include "platform/win32/wine/wine_direct3d_setting.h"

#include <windows.h>

namespace {
constexpr const char kAppDefaults[] = "Software\\Wine\\AppDefaults\\";
constexpr const char kDirect3D[] = "\\Direct3D";
constexpr const char kCommandStreamValue[] = "csmt";
constexpr DWORD kCommandStreamOff = 0;
}  // namespace

bool RunsUnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string OwnProgramFileName() {
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    std::string full(path, length);
    const size_t slash = full.find_last_of("\\/");
    return slash == std::string::npos ? full : full.substr(slash + 1);
}

std::string WineDirect3DSettingKey(const std::string& programFileName) {
    return kAppDefaults + programFileName + kDirect3D;
}

WineDirect3DSetting SettleWineDirect3D(const std::string& programFileName, bool underWine) {
    if (!underWine) return WineDirect3DSetting::NotUnderWine;
    if (programFileName.empty() || programFileName.find_first_of("\\/") != std::string::npos)
        return WineDirect3DSetting::NotWritten;
    const std::string keyPath = WineDirect3DSettingKey(programFileName);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return WineDirect3DSetting::NotWritten;
    WineDirect3DSetting outcome = WineDirect3DSetting::NotWritten;
    const LSTATUS found = RegQueryValueExA(key, kCommandStreamValue, nullptr, nullptr, nullptr, nullptr);
    if (found == ERROR_SUCCESS) {
        outcome = WineDirect3DSetting::AlreadyPresent;
    } else if (found == ERROR_FILE_NOT_FOUND) {
        const DWORD off = kCommandStreamOff;
        if (RegSetValueExA(key, kCommandStreamValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&off),
                           sizeof off) == ERROR_SUCCESS)
            outcome = WineDirect3DSetting::Written;
    }
    RegCloseKey(key);
    return outcome;
}
