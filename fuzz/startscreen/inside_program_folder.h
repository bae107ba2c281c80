#pragma once
// Whether a path the update handed to the file store stays in the program folder, judged the way
// Windows resolves names, independently of the update's own name checks: either separator splits
// components; trailing dots and spaces of a component are dropped before it is compared; a colon
// reaches a drive or a stream; a device name reaches a device whatever follows its first dot.
#include <cctype>
#include <string>
#include <vector>

namespace inside_program_folder {

inline std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> parts(1);
    for (char c : path) {
        if (c == '/' || c == '\\')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

inline bool IsDevice(const std::string& component) {
    std::string base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char& c : base)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    return base.size() == 4 && (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) && base[3] >= '1' &&
           base[3] <= '9';
}

// A file or folder of that name is an entry of the folder it is in.
inline bool IsEntryName(std::string component) {
    while (!component.empty() && (component.back() == '.' || component.back() == ' '))
        component.pop_back();
    if (component.empty() || IsDevice(component)) return false;
    for (unsigned char c : component)
        if (c < 0x20 || c == ':') return false;
    return true;
}

// A folder directly inside the program folder.
inline bool IsFolder(const std::string& path) {
    const std::vector<std::string> parts = Components(path);
    return parts.size() == 1 && IsEntryName(parts[0]);
}

// A file in the program folder ("./name") or in a folder directly inside it.
inline bool IsFile(const std::string& path) {
    const std::vector<std::string> parts = Components(path);
    return parts.size() == 2 && (parts[0] == "." || IsEntryName(parts[0])) && IsEntryName(parts[1]);
}

}  // namespace inside_program_folder
