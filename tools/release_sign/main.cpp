// release_sign: signs a release folder for hosts built with the operator's public key, and checks
// a signed folder as a host would (README.md).
#include <iostream>
#include <string>
#include <vector>

#include "release_sign_commands.h"

int main(int argc, char** argv) {
    return RunReleaseSign(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
