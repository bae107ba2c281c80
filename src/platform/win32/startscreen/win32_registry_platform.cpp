#include "platform/win32/startscreen/win32_registry_platform.h"

#include <windows.h>

#include <cstring>

namespace {

HKEY OpenOrCreate(const std::string& keyPath) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS)
        return key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS)
        return key;
    return nullptr;
}

}  // namespace

bool Win32RegistryPlatform::ReadText(const std::string& keyPath, const std::string& valueName,
                                     std::string* text) {
    HKEY key = OpenOrCreate(keyPath);
    if (!key) return false;
    char buffer[kValueBuffer] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    const bool read = RegQueryValueExA(key, valueName.c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (!read) return false;
    // A value stored without its terminator fills the buffer to the last byte.
    text->assign(buffer, strnlen(buffer, size));
    return true;
}

bool Win32RegistryPlatform::WriteText(const std::string& keyPath, const std::string& valueName,
                                      const std::string& text) {
    HKEY key = OpenOrCreate(keyPath);
    if (!key) return false;
    const bool written =
        RegSetValueExA(key, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       DWORD(text.size())) == ERROR_SUCCESS;
    RegCloseKey(key);
    return written;
}
