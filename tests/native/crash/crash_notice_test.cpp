// What the player reads after a fault: both languages, the module, where the report is, and a
// text that stays valid however little room it has.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crash/crash_notice.h"

namespace {
std::string Compose(const CrashNoticeFacts& facts, size_t capacity = 4096) {
    std::vector<char> text(capacity, '\x7F');
    size_t length = ComposeCrashNotice(facts, text.data(), capacity);
    EXPECT_LT(length, capacity);
    EXPECT_EQ(text[length], '\0');
    return std::string(text.data(), length);
}

// Every lead byte is followed by all of its continuation bytes.
bool IsWholeUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const auto lead = uint8_t(text[i]);
        size_t extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : 3;
        if ((lead & 0xC0) == 0x80 || i + extra >= text.size()) return false;
        for (size_t k = 1; k <= extra; ++k)
            if ((uint8_t(text[i + k]) & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

constexpr const char* kPath = "C:\\Games\\Tidemarch\\crash.txt";

TEST(CrashNoticeTest, NamesTheModuleAndTheReportInTheGamesLanguageThenInEnglish) {
    CrashNoticeFacts facts;
    facts.moduleName = "Main.dll";
    facts.reportPath = kPath;
    std::string text = Compose(facts);
    size_t russian = text.find("Игра остановлена из-за сбоя в модуле Main.dll.");
    size_t english = text.find("The game stopped because of a fault in Main.dll.");
    ASSERT_NE(russian, std::string::npos) << text;
    ASSERT_NE(english, std::string::npos) << text;
    EXPECT_LT(russian, english);
    // The report's path in each language.
    size_t first = text.find(kPath);
    size_t second = text.find(kPath, first + 1);
    ASSERT_NE(second, std::string::npos) << text;
    EXPECT_LT(first, english);
    EXPECT_GT(second, english);
}

TEST(CrashNoticeTest, SaysWhenTheFaultLiesOutsideTheModulesOrNoReportWasWritten) {
    CrashNoticeFacts facts;
    facts.address = 0xDEADBEEF;
    std::string text = Compose(facts);
    EXPECT_NE(text.find("вне загруженных модулей (адрес 0xDEADBEEF)."), std::string::npos) << text;
    EXPECT_NE(text.find("outside the loaded modules (address 0xDEADBEEF)."), std::string::npos) << text;
    EXPECT_NE(text.find("Отчёт о сбое записать не удалось."), std::string::npos) << text;
    EXPECT_NE(text.find("The crash report could not be written."), std::string::npos) << text;
}

TEST(CrashNoticeTest, ATextCutShortEndsOnAWholeCharacter) {
    CrashNoticeFacts facts;
    facts.moduleName = "Main.dll";
    facts.reportPath = kPath;
    const std::string whole = Compose(facts);
    for (size_t capacity = 1; capacity <= whole.size() + 1; ++capacity) {
        std::string cut = Compose(facts, capacity);
        EXPECT_TRUE(IsWholeUtf8(cut)) << "capacity " << capacity;
        EXPECT_EQ(whole.compare(0, cut.size(), cut), 0) << "capacity " << capacity;
        EXPECT_GE(cut.size() + 4, std::min(capacity - 1, whole.size())) << "capacity " << capacity;
    }
    EXPECT_EQ(Compose(facts, whole.size() + 1), whole);
}
}  // namespace
