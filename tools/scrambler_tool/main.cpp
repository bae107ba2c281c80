// scrambler_tool: writes and reads scrambled files such as the start screen's ZVLQFVC.
// See README.md.
#include <iostream>
#include <string>

#include "scrambler_tool_commands.h"

namespace {
int Usage() {
    std::cerr << "usage:\n"
                 "  scrambler_tool write [--key TEXT] PLAIN SCRAMBLED\n"
                 "  scrambler_tool read [--key TEXT] SCRAMBLED PLAIN|-\n"
                 "Without --key the start screen's built-in key is used.\n";
    return 2;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    KeyChoice key;
    int i = 2;
    if (i + 1 < argc && std::string(argv[i]) == "--key") {
        key.keyText = argv[i + 1];
        if (key.keyText.empty()) return Usage();
        i += 2;
    }
    if (argc - i != 2) return Usage();
    if (command == "write") return WriteCommand(argv[i], argv[i + 1], key, std::cout, std::cerr);
    if (command == "read") return ReadCommand(argv[i], argv[i + 1], key, std::cout, std::cerr);
    return Usage();
}
