#include <gtest/gtest.h>

#include <string>

#include "shell/edition_settings.h"

namespace {

TEST(EditionSettings, TableOfEditions) {
    struct Case {
        int edition;
        const char* key;
        bool single;
    } cases[] = {
        {1, "SOFTWARE\\Quorvantix\\TIDEMARCHClient", false},
        {2, "", false},
        {3, "SOFTWARE\\Quorvantix\\TIDEMARCHDEU", false},
        {4, "SOFTWARE\\Quorvantix\\TIDEMARCHJPN", true},
        {5, "", true},
        {7, "", true},
        {8, "SOFTWARE\\Zeq\\TIDEMARCHRUSSIA", false},
        {6, "", false},
        {42, "", false},
    };
    for (const Case& c : cases) {
        EditionSettings s(c.edition);
        EXPECT_EQ(s.edition, c.edition);
        EXPECT_EQ(std::string(s.registryKeyPath), c.key) << c.edition;
        EXPECT_EQ(s.singleInstanceCheck, c.single) << c.edition;
    }
}

TEST(StartupCheck, RefusesASecondCopyOnlyForSingleInstanceEditions) {
    int refusals = 0;
    auto refuse = [&] { ++refusals; };
    EXPECT_TRUE(StartupCheck(
        EditionSettings(8), [] { return true; }, refuse));
    EXPECT_TRUE(StartupCheck(
        EditionSettings(4), [] { return false; }, refuse));
    EXPECT_EQ(refusals, 0);
    EXPECT_FALSE(StartupCheck(
        EditionSettings(5), [] { return true; }, refuse));
    EXPECT_EQ(refusals, 1);
}

}  // namespace
