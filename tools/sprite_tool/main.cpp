// sprite_tool: makes, takes apart, lists and checks sprite files. See README.md.
#include <cstring>
#include <iostream>
#include <string>

#include "sprite_tool_commands.h"

namespace {
int Usage() {
    std::cerr << "usage:\n"
                 "  sprite_tool pack [--version N] [--layout N] [--drop-fields] DESCRIPTION.txt OUTPUT.SPR\n"
                 "  sprite_tool unpack FILE.SPR DIRECTORY\n"
                 "  sprite_tool info FILE.SPR\n"
                 "  sprite_tool check [--resource] FILE.SPR\n";
    return 2;
}

bool SmallNumber(const char* text, int high, uint8_t* value) {
    if (std::strlen(text) != 1 || text[0] < '0' || text[0] > '0' + high) return false;
    *value = uint8_t(text[0] - '0');
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    if (command == "pack") {
        PackOptions options;
        int i = 2;
        for (; i + 1 < argc && argv[i][0] == '-'; ++i) {
            const std::string option = argv[i];
            if (option == "--drop-fields") {
                options.dropFields = true;
                continue;
            }
            if (option == "--version" && SmallNumber(argv[i + 1], 3, &options.version) &&
                options.version >= 1) {
                ++i;
                continue;
            }
            if (option == "--layout" && SmallNumber(argv[i + 1], 4, &options.layout)) {
                options.layoutGiven = true;
                ++i;
                continue;
            }
            return Usage();
        }
        if (argc - i != 2) return Usage();
        return PackCommand(argv[i], argv[i + 1], options, std::cout, std::cerr);
    }
    if (command == "unpack" && argc == 4) return UnpackCommand(argv[2], argv[3], std::cout, std::cerr);
    if (command == "info" && argc == 3) return InfoCommand(argv[2], std::cout, std::cerr);
    if (command == "check" && argc == 3) return CheckCommand(argv[2], false, std::cout, std::cerr);
    if (command == "check" && argc == 4 && std::string(argv[2]) == "--resource")
        return CheckCommand(argv[3], true, std::cout, std::cerr);
    return Usage();
}
