#include "update_protocol/server_names.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

namespace {

constexpr std::array<const char*, 4> kPlainDevices = {"CON", "PRN", "AUX", "NUL"};
constexpr std::array<const char*, 2> kNumberedDevices = {"COM", "LPT"};
// Windows also takes the superscript digits one, two and three of code page 1252 as port
// numbers ("COM\xB9" is COM1).
constexpr std::array<unsigned char, 3> kSuperscriptPortDigits = {0xB9, 0xB2, 0xB3};
constexpr char kRefusedCharacters[] = "/\\:<>\"|?*";
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;

std::string Upper(std::string text) {
    for (char& c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool IsPortDigit(char c) {
    return (c >= '1' && c <= '9') || std::find(kSuperscriptPortDigits.begin(), kSuperscriptPortDigits.end(),
                                               static_cast<unsigned char>(c)) != kSuperscriptPortDigits.end();
}

// Windows reaches the device whatever follows the first dot ("nul.txt", "CON.tar.gz") and
// whatever spaces end the base name ("NUL .txt").
bool IsDeviceName(const std::string& name) {
    std::string base = Upper(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (const char* device : kPlainDevices)
        if (base == device) return true;
    for (const char* device : kNumberedDevices)
        if (base.size() == 4 && base.compare(0, 3, device) == 0 && IsPortDigit(base[3])) return true;
    return false;
}

bool TakeField(const char (&field)[FileRecord::kNameField], std::string* name) {
    const void* end = std::memchr(field, '\0', sizeof field);
    if (!end) return false;
    name->assign(field, static_cast<const char*>(end));
    return true;
}

}  // namespace

bool IsPlainName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (unsigned char c : name)
        if (c < kFirstPrintable || c == kDelete || std::strchr(kRefusedCharacters, c)) return false;
    if (name.back() == '.' || name.back() == ' ') return false;
    return !IsDeviceName(name);
}

bool CheckServerFileName(const char (&field)[FileRecord::kNameField], std::string* name) {
    std::string taken;
    if (!TakeField(field, &taken) || !IsPlainName(taken)) return false;
    *name = std::move(taken);
    return true;
}

bool CheckServerFolderName(const char (&field)[FileRecord::kNameField], std::string* name) {
    std::string taken;
    if (!TakeField(field, &taken)) return false;
    if (taken != kProgramFolderName && !IsPlainName(taken)) return false;
    *name = std::move(taken);
    return true;
}

std::string PrintableField(const char (&field)[FileRecord::kNameField]) {
    const void* end = std::memchr(field, '\0', sizeof field);
    std::string text(field, end ? static_cast<const char*>(end) : field + sizeof field);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < kFirstPrintable || static_cast<unsigned char>(c) == kDelete)
            c = '?';
    return text;
}
