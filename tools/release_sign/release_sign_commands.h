#pragma once
// The commands of release_sign (README.md): keygen, sign and verify. Each writes what it did to
// out and its refusals to err, and returns the program's exit code.
#include <iosfwd>
#include <string>
#include <vector>

inline constexpr int kCommandDone = 0;
inline constexpr int kCommandRefused = 1;
inline constexpr int kCommandMisused = 2;

int RunReleaseSign(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
