#pragma once
// The sprite tool's commands. Each writes what it has to say to out, its complaints to err, and
// returns the process exit code (0 success, 1 failure).
#include <cstdint>
#include <iosfwd>
#include <string>

struct PackOptions {
    uint8_t version = 3;
    uint8_t layout = 3;
    // The layout was asked for; else a description with default bundles is written with layout 4.
    bool layoutGiven = false;
    // Write even when the version or layout cannot store some fields, with a warning for each.
    bool dropFields = false;
};

int PackCommand(const std::string& descriptionPath, const std::string& outputPath, const PackOptions& options,
                std::ostream& out, std::ostream& err);
int UnpackCommand(const std::string& spritePath, const std::string& directory, std::ostream& out,
                  std::ostream& err);
int InfoCommand(const std::string& spritePath, std::ostream& out, std::ostream& err);
// resource: check under the stricter rules of a resource of the program module.
int CheckCommand(const std::string& spritePath, bool resource, std::ostream& out, std::ostream& err);
