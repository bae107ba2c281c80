#include "release_manifest/release_manifest.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

namespace {

const std::string kHash(64, 'a');
const std::string kSignature = "signature " + std::string(128, '0') + "\n";

std::string Manifest(const std::string& files, const std::string& count = "2",
                     const std::string& release = "7") {
    return "tidemarch-release 1\nrelease " + release + "\nfiles " + count + "\n" + files + kSignature;
}
std::string File(const std::string& path, const std::string& size = "10", const std::string& hash = kHash) {
    return "file " + size + " " + hash + " " + path + "\n";
}
const std::string kTwoFiles = File("Main.dll") + File("SPR/Demo.SPR", "4294967295");

bool Read(const std::string& text, ReleaseManifest* manifest, ManifestProblem* problem) {
    return ReadReleaseManifest(reinterpret_cast<const uint8_t*>(text.data()), text.size(), manifest, problem);
}

TEST(ReleaseManifestTest, AWrittenManifestReadsBackWithItsSignedLength) {
    ManifestFile module{"Main.dll", 183296, {}};
    module.sha256.fill(0xAB);
    ManifestFile sprites{"SPR/Demo.SPR", 4294967295u, {}};
    sprites.sha256[31] = 0x01;
    ReleaseSignature signature{};
    for (size_t i = 0; i < signature.size(); ++i)
        signature[i] = uint8_t(i * 7);
    const std::string body = WriteManifestBody(18446744073709551615ull, {module, sprites});
    const std::string text = body + WriteSignatureLine(signature);

    ReleaseManifest manifest;
    ManifestProblem problem;
    ASSERT_TRUE(Read(text, &manifest, &problem)) << problem.Describe();
    EXPECT_EQ(manifest.release, 18446744073709551615ull);
    ASSERT_EQ(manifest.files.size(), 2u);
    EXPECT_EQ(manifest.files[0].path, "Main.dll");
    EXPECT_EQ(manifest.files[0].size, 183296u);
    EXPECT_EQ(manifest.files[0].sha256, module.sha256);
    EXPECT_EQ(manifest.files[1].path, "SPR/Demo.SPR");
    EXPECT_EQ(manifest.files[1].size, 4294967295u);
    EXPECT_EQ(manifest.files[1].sha256, sprites.sha256);
    EXPECT_EQ(manifest.signature, signature);
    EXPECT_EQ(manifest.signedLength, body.size());
}

TEST(ReleaseManifestTest, AnEmptyReleaseIsWellFormed) {
    ReleaseManifest manifest;
    ManifestProblem problem;
    ASSERT_TRUE(Read(Manifest("", "0"), &manifest, &problem)) << problem.Describe();
    EXPECT_TRUE(manifest.files.empty());
}

struct Malformed {
    const char* what;
    std::string text;
    size_t line;         // 0: the manifest as a whole
    const char* reason;  // a part of the reason
};

void PrintTo(const Malformed& c, std::ostream* os) { *os << c.what; }

class MalformedManifestTest : public testing::TestWithParam<Malformed> {};

TEST_P(MalformedManifestTest, IsRefusedWithItsLineAndReason) {
    const Malformed& c = GetParam();
    ReleaseManifest manifest;
    manifest.release = 99;
    ManifestProblem problem;
    EXPECT_FALSE(Read(c.text, &manifest, &problem)) << c.what;
    EXPECT_EQ(problem.line, c.line) << c.what << ": " << problem.Describe();
    EXPECT_NE(problem.reason.find(c.reason), std::string::npos) << c.what << ": " << problem.Describe();
    EXPECT_EQ(manifest.release, 99u) << c.what << ": a refused manifest leaves the record as it was";
}

const std::string kWhole = Manifest(kTwoFiles);

INSTANTIATE_TEST_SUITE_P(
    Table, MalformedManifestTest,
    testing::Values(
        Malformed{"empty", "", 0, "ends before its heading"},
        Malformed{"truncated in the heading", "tidemarch-rel", 0, "ends before its heading"},
        Malformed{"truncated inside a file line", kWhole.substr(0, kWhole.find("Main.dll") + 4), 0,
                  "ends before its files"},
        Malformed{"truncated before the signature", kWhole.substr(0, kWhole.find("signature")), 0,
                  "ends before its signature"},
        Malformed{"signature without its line end", kWhole.substr(0, kWhole.size() - 1), 0,
                  "ends before its signature"},
        Malformed{"signature cut short", kWhole.substr(0, kWhole.size() - 5) + "\n", 6, "128 lower-case"},
        Malformed{"another heading", "tidemarch-release 2\n" + kWhole.substr(kWhole.find('\n') + 1), 1,
                  "heading"},
        Malformed{"carriage returns", "tidemarch-release 1\r\n" + kWhole.substr(kWhole.find('\n') + 1), 1,
                  "heading"},
        Malformed{"release with a sign", Manifest(kTwoFiles, "2", "+7"), 2, "release"},
        Malformed{"release with a leading zero", Manifest(kTwoFiles, "2", "07"), 2, "release"},
        Malformed{"release past 64 bits", Manifest(kTwoFiles, "2", "18446744073709551616"), 2, "2^64"},
        Malformed{"fewer files than counted", Manifest(kTwoFiles, "3"), 6, "file 3 of 3"},
        Malformed{"more files than counted", Manifest(kTwoFiles, "1"), 5, "more files are listed"},
        Malformed{"a count past the limit", Manifest(kTwoFiles, "2049"), 3, "at most 2048"},
        Malformed{"a count that overflows", Manifest(kTwoFiles, "99999999999999999999999"), 3,
                  "at most 2048"},
        Malformed{"a negative count", Manifest(kTwoFiles, "-1"), 3, "files"},
        Malformed{"a size of 4 GiB", Manifest(File("Main.dll", "4294967296") + File("a")), 4, "4294967295"},
        Malformed{"a huge size", Manifest(File("Main.dll", "184467440737095516160") + File("a")), 4,
                  "4294967295"},
        Malformed{"a size with a leading zero", Manifest(File("Main.dll", "010") + File("a")), 4, "size"},
        Malformed{"a short hash", Manifest(File("Main.dll", "10", std::string(63, 'a')) + File("a")), 4,
                  "SHA-256"},
        Malformed{"an upper-case hash", Manifest(File("Main.dll", "10", std::string(64, 'A')) + File("a")), 4,
                  "SHA-256"},
        Malformed{"no path", Manifest("file 10 " + kHash + "\n" + File("a")), 4, "SHA-256"},
        Malformed{"a parent folder", Manifest(File("../Main.dll") + File("a")), 4,
                  "leaves the program folder"},
        Malformed{"a parent name", Manifest(File("SPR/..") + File("a")), 4, "leaves the program folder"},
        Malformed{"a root path", Manifest(File("/etc/passwd") + File("a")), 4, "root"},
        Malformed{"a backslash", Manifest(File("..\\Main.dll") + File("a")), 4,
                  "not a name the update writes"},
        Malformed{"a drive", Manifest(File("C:Main.dll") + File("a")), 4, "not a name the update writes"},
        Malformed{"two folders deep", Manifest(File("SPR/x/Demo.SPR") + File("a")), 4,
                  "more than one folder"},
        Malformed{"a device name", Manifest(File("SPR/nul.txt") + File("a")), 4,
                  "not a name the update writes"},
        Malformed{"a name of 64 bytes", Manifest(File(std::string(64, 'n')) + File("a")), 4,
                  "longer than 63"},
        Malformed{"a trailing space", Manifest(File("Main.dll ") + File("a")), 4,
                  "not a name the update writes"},
        Malformed{"a duplicate", Manifest(File("Main.dll") + File("Main.dll")), 5, "listed twice"},
        Malformed{"a duplicate in another case", Manifest(File("SPR/Demo.SPR") + File("spr/demo.spr")), 5,
                  "listed twice"},
        Malformed{"the manifest itself", Manifest(File("release.MANIFEST") + File("a")), 4, "lists itself"},
        Malformed{"something after the signature", kWhole + "\n", 6, "follows the signature"},
        Malformed{"larger than allowed", kWhole + std::string(kMaxManifestBytes, '\n'), 0, "larger than"}),
    [](const testing::TestParamInfo<Malformed>& info) {
        std::string name;
        for (const char* c = info.param.what; *c; ++c)
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    });

TEST(ReleaseManifestTest, ReleaseNumbersReadAsTheManifestWritesThem) {
    uint64_t number = 5;
    EXPECT_TRUE(ParseReleaseNumber("0", &number));
    EXPECT_EQ(number, 0u);
    EXPECT_TRUE(ParseReleaseNumber("18446744073709551615", &number));
    EXPECT_EQ(number, 18446744073709551615ull);
    for (const char* refused : {"", "-1", "01", " 1", "1 ", "18446744073709551616", "1e3", "0x10"})
        EXPECT_FALSE(ParseReleaseNumber(refused, &number)) << refused;
}

}  // namespace
