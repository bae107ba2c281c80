#pragma once
// Names the update server sends are checked before any use: a file may only be written as a
// plain name in the program folder or in one plain folder directly inside it.
//
// Refused: an empty field or one without its terminator; a path separator of either kind; any
// colon (drives, streams); "." or ".." as a name; a trailing dot or space (the file system would
// drop them and reach another name); control characters and the characters < > " | ? * that no
// Windows name may hold; the device names CON, PRN, AUX, NUL, COM1-COM9 and LPT1-LPT9 in any case,
// also with an extension, and COM and LPT with the code page 1252 superscripts one, two and three
// (bytes 0xB9, 0xB2, 0xB3) as their digit. A folder may also be "." (the program folder itself).
#include <cstddef>
#include <string>

#include "update_protocol/file_record.h"

// The plain name in the field, or false when the field is refused.
bool CheckServerFileName(const char (&field)[FileRecord::kNameField], std::string* name);
bool CheckServerFolderName(const char (&field)[FileRecord::kNameField], std::string* name);

// The same rules for a name already taken out of its field.
bool IsPlainName(const std::string& name);

// The field's text for messages: up to its terminator or its end, control characters shown as '?'.
std::string PrintableField(const char (&field)[FileRecord::kNameField]);
