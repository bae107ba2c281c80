// The host's reader of the default update-server address, against the cases the build's check is
// tested with (dotted_quad_cases.txt).
#include "update_client/dotted_quad.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

// One case per line: accept or refuse, a space, and the text in double quotes.
bool ReadCase(const std::string& line, bool* accept, std::string* text) {
    const size_t open = line.find(" \"");
    if (open == std::string::npos || line.size() < open + 3 || line.back() != '"') return false;
    const std::string verdict = line.substr(0, open);
    if (verdict != "accept" && verdict != "refuse") return false;
    *accept = verdict == "accept";
    *text = line.substr(open + 2, line.size() - open - 3);
    return true;
}

TEST(DottedQuad, AcceptsAndRefusesAsTheBuildDoes) {
    std::ifstream cases(TIDEMARCH_DOTTED_QUAD_CASES);
    ASSERT_TRUE(cases);
    int checked = 0;
    for (std::string line; std::getline(cases, line);) {
        if (line.empty() || line[0] == '#') continue;
        bool expected = false;
        std::string text;
        ASSERT_TRUE(ReadCase(line, &expected, &text)) << line;
        const Ipv4Octets untouched = {9, 9, 9, 9};
        Ipv4Octets octets = untouched;
        EXPECT_EQ(ParseDottedQuad(text, &octets), expected) << '"' << text << '"';
        if (!expected) {
            EXPECT_EQ(octets, untouched) << text;
        }
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

TEST(DottedQuad, ReadsTheNumbersInTextOrder) {
    struct Case {
        const char* text;
        Ipv4Octets octets;
    } cases[] = {
        {"127.0.0.1", {127, 0, 0, 1}},
        {"0.0.0.0", {0, 0, 0, 0}},
        {"255.254.253.252", {255, 254, 253, 252}},
        {"10.200.3.45", {10, 200, 3, 45}},
    };
    for (const Case& c : cases) {
        Ipv4Octets octets{};
        ASSERT_TRUE(ParseDottedQuad(c.text, &octets)) << c.text;
        EXPECT_EQ(octets, c.octets) << c.text;
    }
}

}  // namespace
