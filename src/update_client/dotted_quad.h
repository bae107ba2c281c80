#pragma once
// IPv4 addresses in dotted-decimal text, the form in which the update server's address is built
// into the program: exactly four decimal numbers from 0 to 255 joined by dots, with no sign, no
// space and no leading zero (some readers take "010" as octal, so it is refused rather than
// guessed). cmake/DottedQuad.cmake refuses the same texts when the build is configured, and
// tests/native/update_client/dotted_quad_cases.txt holds the cases both are tested with.
#include <array>
#include <cstdint>
#include <string_view>

using Ipv4Octets = std::array<uint8_t, 4>;

// The four numbers in text order; false, with *octets untouched, when the text is not such an
// address.
bool ParseDottedQuad(std::string_view text, Ipv4Octets* octets);
