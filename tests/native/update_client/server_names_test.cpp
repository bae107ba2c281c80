#include "update_protocol/server_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct Field {
    char bytes[FileRecord::kNameField];
    explicit Field(const std::string& text) {
        std::memset(bytes, 0, sizeof bytes);
        std::memcpy(bytes, text.data(), std::min(text.size(), sizeof bytes));
    }
};

TEST(ServerNames, HostileNamesAreRefusedAsFileAndAsFolder) {
    const std::string refused[] = {
        "",
        ".",
        "..",
        "../escape.txt",
        "..\\escape.txt",
        "sub/file.txt",
        "sub\\file.txt",
        "/etc/passwd",
        "\\\\server\\share",
        "C:file.txt",
        "C:",
        "file.txt:stream",
        "CON",
        "con",
        "Con.txt",
        "NUL.tar.gz",
        "nul .txt",
        "PRN",
        "aux.dll",
        "COM1",
        "com9.log",
        "LPT1",
        "lpt5.txt",
        "COM\xB9",  // the code page 1252 superscripts one, two and three are port digits too
        "LPT\xB2",
        "COM\xB3.txt",
        "lpt\xB9",
        "Com\xB2 .log",
        "LPT\xB3.tar.gz",
        "name.",
        "name ",
        "name. . ",
        std::string("tab\there"),
        std::string("line\nbreak"),
        std::string("esc\x1b"),
        std::string("del\x7f"),
        "what?.txt",
        "star*.dll",
        "a<b",
        "a>b",
        "quote\"d",
        "pipe|d",
    };
    for (const std::string& name : refused) {
        std::string out = "unchanged";
        EXPECT_FALSE(CheckServerFileName(Field(name).bytes, &out)) << "file '" << name << "'";
        if (name != ".") {
            EXPECT_FALSE(CheckServerFolderName(Field(name).bytes, &out)) << "folder '" << name << "'";
        }
        EXPECT_EQ(out, "unchanged") << name;
    }
}

TEST(ServerNames, PlainNamesPass) {
    const std::string accepted[] = {
        "Main.dll", "SPR", "a", "COM10", "LPT0", "CONSOLE.txt", "nul_file", ".hidden", "x.y.z",
        "\xc7\xd1\xb1\xdb.txt", std::string(63, 'n'),
        // A superscript is a port digit only as the fourth character, and only one, two or three.
        "COM\xB9\xB9", "COM\xB9x.txt", std::string(1, '\xB9') + "COM", "LPT\xBC", "COM\xB0"};
    for (const std::string& name : accepted) {
        std::string out;
        EXPECT_TRUE(CheckServerFileName(Field(name).bytes, &out)) << name;
        EXPECT_EQ(out, name);
    }
}

TEST(ServerNames, ProgramFolderIsAFolderButNotAFile) {
    std::string out;
    EXPECT_TRUE(CheckServerFolderName(Field(".").bytes, &out));
    EXPECT_EQ(out, ".");
    EXPECT_FALSE(CheckServerFileName(Field(".").bytes, &out));
}

TEST(ServerNames, FieldWithoutTerminatorIsRefused) {
    char full[FileRecord::kNameField];
    std::memset(full, 'a', sizeof full);
    std::string out;
    EXPECT_FALSE(CheckServerFileName(full, &out));
    EXPECT_FALSE(CheckServerFolderName(full, &out));
    EXPECT_EQ(PrintableField(full), std::string(64, 'a'));
}

TEST(ServerNames, PrintableFieldHidesControlCharacters) {
    EXPECT_EQ(PrintableField(Field("a\x01"
                                   "b\nc")
                                 .bytes),
              "a?b?c");
}

}  // namespace
