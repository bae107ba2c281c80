#include "scrambler_tool_commands.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <vector>

#include "update_client/scrambler.h"

namespace {

bool ReadWhole(const std::string& path, std::vector<uint8_t>* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteWhole(const std::string& path, const uint8_t* bytes, size_t size) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes), std::streamsize(size));
    file.close();
    return bool(file);
}

const char* KeyText(const KeyChoice& key) {
    return key.keyText.empty() ? kStartScreenKey : key.keyText.c_str();
}

}  // namespace

int WriteCommand(const std::string& plainPath, const std::string& scrambledPath, const KeyChoice& key,
                 std::ostream& out, std::ostream& err) {
    std::vector<uint8_t> plain;
    if (!ReadWhole(plainPath, &plain)) {
        err << "cannot read " << plainPath << "\n";
        return 1;
    }
    if (plain.empty()) {
        err << plainPath << " is empty; a scrambled file holds at least one byte\n";
        return 1;
    }
    Scrambler scrambler;
    scrambler.SetKey(KeyText(key));
    std::vector<uint8_t> image;
    if (!scrambler.MakeScrambledFile(plain.data(), plain.size(), &image)) {
        err << plainPath << " is too large to scramble\n";
        return 1;
    }
    if (!WriteWhole(scrambledPath, image.data(), image.size())) {
        err << "cannot write " << scrambledPath << "\n";
        return 1;
    }
    out << "wrote " << scrambledPath << ": " << plain.size() << " bytes scrambled\n";
    return 0;
}

int ReadCommand(const std::string& scrambledPath, const std::string& plainPath, const KeyChoice& key,
                std::ostream& out, std::ostream& err) {
    Scrambler scrambler;
    uint32_t length = 0;
    std::unique_ptr<uint8_t[]> plain(
        scrambler.ReadScrambledFile(scrambledPath.c_str(), &length, KeyText(key), 0));
    if (!plain) {
        err << scrambledPath << ": missing, shorter than 13 bytes, damaged or made with another key\n";
        return 1;
    }
    if (plainPath == "-") {
        out.write(reinterpret_cast<const char*>(plain.get()), length);
        return out ? 0 : 1;
    }
    if (!WriteWhole(plainPath, plain.get(), length)) {
        err << "cannot write " << plainPath << "\n";
        return 1;
    }
    out << "read " << scrambledPath << ": " << length << " bytes\n";
    return 0;
}
