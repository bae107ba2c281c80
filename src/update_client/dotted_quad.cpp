#include "update_client/dotted_quad.h"

#include <cstddef>

namespace {

constexpr size_t kOctets = 4;
constexpr size_t kMostDigits = 3;
constexpr unsigned kLargestOctet = 255;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool ParseDottedQuad(std::string_view text, Ipv4Octets* octets) {
    Ipv4Octets read{};
    size_t at = 0;
    for (size_t part = 0; part < kOctets; ++part) {
        if (part > 0) {
            if (at >= text.size() || text[at] != '.') return false;
            ++at;
        }
        const size_t first = at;
        unsigned value = 0;
        while (at < text.size() && IsDigit(text[at]) && at - first < kMostDigits) {
            value = value * 10 + unsigned(text[at] - '0');
            ++at;
        }
        const size_t digits = at - first;
        if (digits == 0 || (digits > 1 && text[first] == '0') || value > kLargestOctet) return false;
        read[part] = uint8_t(value);
    }
    if (at != text.size()) return false;
    *octets = read;
    return true;
}
