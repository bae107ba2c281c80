#include "release_sign_commands.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>
#include <string>
#include <vector>

#include "program_folder_fixture.h"
#include "release_manifest/release_manifest.h"

namespace {

const std::string kKeys = TIDEMARCH_RELEASE_KEYS;

class ReleaseSignTest : public ProgramFolderTest {
  protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        folder_ = root_.string();
        Put("Main.dll", "MZ module");
        Put("SPR/Demo.SPR", std::string(300000, 's'));
        Put("Tidemarch.exe", "the host");
        Put(".hidden", "not served");
        Put("SPR/.cache", "not served");
        Put("SPR/deeper/x.bin", "not served");
    }

    int Run(const std::vector<std::string>& arguments) {
        out_.str("");
        err_.str("");
        return RunReleaseSign(arguments, out_, err_);
    }
    int Sign(const std::string& version, const std::string& key = kKeys + "/test_release_private.pem") {
        return Run({"--key", key, "--folder", folder_, "--version", version});
    }
    int Verify(const std::string& key = kKeys + "/test_release_public.pem") {
        return Run({"verify", "--key", key, "--folder", folder_});
    }
    ReleaseManifest Written() {
        const std::string text = Get(kReleaseManifestName);
        ReleaseManifest manifest;
        ManifestProblem problem;
        EXPECT_TRUE(ReadReleaseManifest(reinterpret_cast<const uint8_t*>(text.data()), text.size(), &manifest,
                                        &problem))
            << problem.Describe();
        return manifest;
    }

    std::string folder_;
    std::ostringstream out_, err_;
};

TEST_F(ReleaseSignTest, SignsWhatTheServerServesAndVerifiesIt) {
    ASSERT_EQ(Sign("41"), kCommandDone) << err_.str();
    const ReleaseManifest manifest = Written();
    EXPECT_EQ(manifest.release, 41u);
    std::vector<std::string> paths;
    for (const ManifestFile& file : manifest.files)
        paths.push_back(file.path);
    // The host program, dot-names, deeper folders and the manifest itself are not listed.
    EXPECT_EQ(paths, (std::vector<std::string>{"Main.dll", "SPR/Demo.SPR"}));
    EXPECT_EQ(manifest.files[1].size, 300000u);
    EXPECT_FALSE(Exists(".Release.manifest.new"));

    EXPECT_EQ(Verify(), kCommandDone) << err_.str();
    EXPECT_NE(out_.str().find("release 41: 2 files, 300009 bytes"), std::string::npos) << out_.str();
}

TEST_F(ReleaseSignTest, VerifyRefusesAChangedFileAndAnotherKey) {
    ASSERT_EQ(Sign("1"), kCommandDone) << err_.str();
    Put("SPR/Demo.SPR", std::string(299999, 's') + "t");
    EXPECT_EQ(Verify(), kCommandRefused);
    EXPECT_NE(err_.str().find("SPR/Demo.SPR: the content differs"), std::string::npos) << err_.str();

    ASSERT_EQ(Sign("1", kKeys + "/other_release_private.pem"), kCommandDone) << err_.str();
    EXPECT_EQ(Verify(), kCommandRefused);
    EXPECT_NE(err_.str().find("another key"), std::string::npos) << err_.str();
}

TEST_F(ReleaseSignTest, RefusesALowerReleaseNumberThanTheFoldersManifest) {
    ASSERT_EQ(Sign("10"), kCommandDone) << err_.str();
    const std::string before = Get(kReleaseManifestName);
    EXPECT_EQ(Sign("9"), kCommandRefused);
    EXPECT_NE(err_.str().find("release 10"), std::string::npos) << err_.str();
    EXPECT_EQ(Get(kReleaseManifestName), before);
    EXPECT_EQ(Sign("10"), kCommandDone) << "the same number may be signed again";
}

TEST_F(ReleaseSignTest, RefusesAFolderTheHostCouldNotReceiveAsItIs) {
    for (const char* name : {"SPR/demo.spr", "nul.txt", "trailing."}) {
        Put(name, "x");
        EXPECT_EQ(Sign("3"), kCommandRefused) << name;
        EXPECT_NE(err_.str().find(name), std::string::npos) << err_.str();
        EXPECT_FALSE(Exists(kReleaseManifestName)) << name;
        std::filesystem::remove(root_ / name);
    }
}

TEST_F(ReleaseSignTest, KeygenMakesAPairThatSignsAndVerifiesAndNeverOverwrites) {
    const std::string privateKey = (base_ / "operator.pem").string();
    const std::string publicKey = (base_ / "operator.pub.pem").string();
    ASSERT_EQ(Run({"keygen", "--private", privateKey, "--public", publicKey}), kCommandDone) << err_.str();
    struct stat status {};
    ASSERT_EQ(stat(privateKey.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u) << "only its owner reads the private key";
    ASSERT_EQ(Sign("1", privateKey), kCommandDone) << err_.str();
    EXPECT_EQ(Verify(publicKey), kCommandDone) << err_.str();
    EXPECT_EQ(Verify(), kCommandRefused) << "the test key is another operator's";

    const std::string before = Get("../operator.pem");
    EXPECT_EQ(Run({"keygen", "--private", privateKey, "--public", (base_ / "new.pub").string()}),
              kCommandRefused);
    EXPECT_NE(err_.str().find("already exists"), std::string::npos) << err_.str();
    EXPECT_EQ(Get("../operator.pem"), before);
}

TEST_F(ReleaseSignTest, RefusesMisuseWithTheUsage) {
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {},
             {"--key", "k", "--folder", folder_},
             {"--key", "k", "--folder", folder_, "--version", "1", "--extra", "x"},
             {"verify", "--key", "k"},
             {"unknown", "--key", "k"}}) {
        EXPECT_EQ(Run(arguments), kCommandMisused);
        EXPECT_NE(err_.str().find("usage:"), std::string::npos);
    }
    EXPECT_EQ(Sign("-1"), kCommandMisused);
    EXPECT_EQ(Sign("1", kKeys + "/test_release_public.pem"), kCommandRefused) << "a public key cannot sign";
    EXPECT_EQ(Verify(kKeys + "/test_release_private.pem"), kCommandRefused) << "verify wants the public key";
}

}  // namespace
