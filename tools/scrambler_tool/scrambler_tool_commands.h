#pragma once
// The scrambler tool's commands. Each writes what it has to say to out, its complaints to err, and
// returns the process exit code (0 success, 1 failure).
#include <iosfwd>
#include <string>

struct KeyChoice {
    // Empty: the start screen's built-in key.
    std::string keyText;
};

// Makes a scrambled file from the plain file's bytes (at least one).
int WriteCommand(const std::string& plainPath, const std::string& scrambledPath, const KeyChoice& key,
                 std::ostream& out, std::ostream& err);
// Checks a scrambled file and writes its plain bytes to plainPath ("-": to out).
int ReadCommand(const std::string& scrambledPath, const std::string& plainPath, const KeyChoice& key,
                std::ostream& out, std::ostream& err);
