#include "release_manifest/release_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/memory/release_manifest/memory_release_file_source.h"
#include "platform/posix/release_manifest/openssl_release_crypto_platform.h"
#include "release_keys.h"
#include "release_manifest/background_release_hashing.h"

namespace {

const std::string kKeys = TIDEMARCH_RELEASE_KEYS;
const std::string kModule = "Main.dll";

std::vector<uint8_t> Bytes(size_t count, uint8_t seed) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = uint8_t(seed + i * 31 + (i >> 8));
    return bytes;
}

// A program folder in memory holding a release signed with a test key, as the operator's tool
// signs it; tests then break one thing.
class ReleaseCheckTest : public testing::Test {
  protected:
    void SetUp() override {
        folder_.files[kModule] = Bytes(3 * ReleaseCheck::kReadBytes + 17, 1);
        folder_.files["SPR/Demo.SPR"] = Bytes(5000, 2);
        folder_.files["empty.txt"] = {};
        Sign(kRelease);
    }

    // Writes the manifest of the folder's files (but the manifest), signed with a key's private half.
    void Sign(uint64_t release, const std::string& privateKey = "test_release_private.pem",
              const std::function<void(std::string&)>& change = {}) {
        std::vector<ManifestFile> files;
        for (const auto& [path, bytes] : folder_.files) {
            if (path == kReleaseManifestName) continue;
            ManifestFile file{path, uint32_t(bytes.size()), {}};
            auto hasher = crypto_.NewSha256();
            ASSERT_TRUE(hasher->Add(bytes.data(), bytes.size()) && hasher->Finish(&file.sha256));
            files.push_back(file);
        }
        const std::string body = WriteManifestBody(release, files);
        ReleaseSignature signature{};
        ReleasePublicKey signer;
        ASSERT_EQ(SignWithPrivateKey(kKeys + "/" + privateKey, body, &signature, &signer), "");
        std::string text = body + WriteSignatureLine(signature);
        if (change) change(text);
        folder_.files[kReleaseManifestName].assign(text.begin(), text.end());
    }

    ReleasePublicKey Key() {
        ReleasePublicKey key;
        EXPECT_EQ(ReadPublicKey(kKeys + "/test_release_public.pem", &key), "");
        return key;
    }

    // The whole check, the hashing in small pieces; nothing when the release passes.
    std::optional<ReleaseRefusal> Check(std::optional<uint64_t> highestAccepted = kRelease) {
        check_ = std::make_unique<ReleaseCheck>(Key(), crypto_, folder_);
        if (auto refusal = check_->CheckManifest(highestAccepted, {kModule})) return refusal;
        while (!check_->Finished()) {
            const uint64_t before = check_->DoneBytes();
            if (auto refusal = check_->HashSome(kPiece)) return refusal;
            EXPECT_LE(check_->DoneBytes() - before, kPiece) << "a piece hashes no more than asked";
        }
        EXPECT_EQ(check_->DoneBytes(), check_->TotalBytes());
        return std::nullopt;
    }

    static constexpr uint64_t kRelease = 12;
    static constexpr uint64_t kPiece = 700000;
    MemoryReleaseFileSource folder_;
    OpenSslReleaseCryptoPlatform crypto_;
    std::unique_ptr<ReleaseCheck> check_;
};

TEST_F(ReleaseCheckTest, TheSignedReleasePassesWithEveryByteCounted) {
    EXPECT_EQ(Check(), std::nullopt);
    EXPECT_EQ(check_->Manifest().release, kRelease);
    EXPECT_EQ(check_->TotalBytes(), 3 * ReleaseCheck::kReadBytes + 17 + 5000);
    EXPECT_EQ(check_->FileIndex(), 3u);
}

TEST_F(ReleaseCheckTest, AHigherReleaseAndAFirstReleasePass) {
    EXPECT_EQ(Check(kRelease - 1), std::nullopt);
    EXPECT_EQ(Check(std::nullopt), std::nullopt);
}

struct Fault {
    const char* what;
    std::function<void(ReleaseCheckTest&, MemoryReleaseFileSource&)> make;
    const char* file;
    const char* reason;  // a part of the reason
};

void PrintTo(const Fault& c, std::ostream* os) { *os << c.what; }

class ReleaseFaultTest : public ReleaseCheckTest, public testing::WithParamInterface<Fault> {
  public:
    using ReleaseCheckTest::Sign;
};

TEST_P(ReleaseFaultTest, IsRefusedNamingTheFileAndTheReason) {
    GetParam().make(*this, folder_);
    const std::optional<ReleaseRefusal> refusal = Check();
    ASSERT_TRUE(refusal) << GetParam().what;
    EXPECT_EQ(refusal->file, GetParam().file) << GetParam().what;
    EXPECT_NE(refusal->reason.find(GetParam().reason), std::string::npos)
        << GetParam().what << ": " << refusal->reason;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReleaseFaultTest,
    testing::Values(
        Fault{"a changed byte in the module's last piece",
              [](ReleaseCheckTest&, MemoryReleaseFileSource& f) { f.files[kModule].back() ^= 1; }, "Main.dll",
              "content differs"},
        Fault{"a changed byte in the module's first piece",
              [](ReleaseCheckTest&, MemoryReleaseFileSource& f) { f.files[kModule][0] ^= 0x80; }, "Main.dll",
              "content differs"},
        Fault{"a listed file missing",
              [](ReleaseCheckTest&, MemoryReleaseFileSource& f) { f.files.erase("SPR/Demo.SPR"); },
              "SPR/Demo.SPR", "missing"},
        Fault{"a listed file unreadable",
              [](ReleaseCheckTest&, MemoryReleaseFileSource& f) { f.unreadable.insert("SPR/Demo.SPR"); },
              "SPR/Demo.SPR", "cannot be read"},
        Fault{"a listed file longer",
              [](ReleaseCheckTest&, MemoryReleaseFileSource& f) { f.files["empty.txt"].push_back(0); },
              "empty.txt", "has 1 bytes, the signed release 0"},
        Fault{"another key's signature",
              [](ReleaseCheckTest& t, MemoryReleaseFileSource&) {
                  static_cast<ReleaseFaultTest&>(t).Sign(12, "other_release_private.pem");
              },
              kReleaseManifestName, "signed with another key"},
        Fault{"a listed size changed after signing",
              [](ReleaseCheckTest& t, MemoryReleaseFileSource&) {
                  static_cast<ReleaseFaultTest&>(t).Sign(
                      12, "test_release_private.pem",
                      [](std::string& text) { text.replace(text.find("file 0 "), 7, "file 1 "); });
              },
              kReleaseManifestName, "signed with another key"},
        Fault{
            "a lower release number",
            [](ReleaseCheckTest& t, MemoryReleaseFileSource&) { static_cast<ReleaseFaultTest&>(t).Sign(11); },
            kReleaseManifestName, "release 11 is older than release 12"},
        Fault{"a truncated manifest",
              [](ReleaseCheckTest&, MemoryReleaseFileSource& f) {
                  f.files[kReleaseManifestName].resize(f.files[kReleaseManifestName].size() / 2);
              },
              kReleaseManifestName, "malformed"},
        Fault{"no manifest",
              [](ReleaseCheckTest&, MemoryReleaseFileSource& f) { f.files.erase(kReleaseManifestName); },
              kReleaseManifestName, "no signed manifest"},
        Fault{"the module not listed",
              [](ReleaseCheckTest& t, MemoryReleaseFileSource& f) {
                  const auto module = f.files[kModule];
                  f.files.erase(kModule);
                  static_cast<ReleaseFaultTest&>(t).Sign(12);
                  f.files[kModule] = module;
              },
              "Main.dll", "does not list it"}),
    [](const testing::TestParamInfo<Fault>& info) {
        std::string name;
        for (const char* c = info.param.what; *c; ++c)
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    });

TEST_F(ReleaseCheckTest, ARequiredFileMatchesInAnyCase) {
    check_ = std::make_unique<ReleaseCheck>(Key(), crypto_, folder_);
    EXPECT_EQ(check_->CheckManifest(std::nullopt, {"MAIN.DLL", "spr/demo.spr"}), std::nullopt);
}

// A file that changes between its opening and its reading: the opening reports the listed size,
// the reads then give other content.
class ChangingSource final : public ReleaseFileSource {
  public:
    ChangingSource(MemoryReleaseFileSource& inner, std::string path, std::vector<uint8_t> readContent)
        : inner_(inner), path_(std::move(path)), readContent_(std::move(readContent)) {}
    Opened Open(const std::string& path, std::unique_ptr<ReleaseFileReader>* reader) override {
        if (path != path_) return inner_.Open(path, reader);
        *reader = std::make_unique<Reader>(inner_.files[path].size(), readContent_);
        return Opened::Yes;
    }

  private:
    class Reader final : public ReleaseFileReader {
      public:
        Reader(uint64_t size, std::vector<uint8_t> content) : size_(size), content_(std::move(content)) {}
        uint64_t Size() override { return size_; }
        bool Read(uint8_t* buffer, size_t capacity, size_t* got) override {
            *got = std::min(capacity, content_.size() - at_);
            std::copy_n(content_.begin() + long(at_), *got, buffer);
            at_ += *got;
            return true;
        }

      private:
        uint64_t size_;
        std::vector<uint8_t> content_;
        size_t at_ = 0;
    };
    MemoryReleaseFileSource& inner_;
    std::string path_;
    std::vector<uint8_t> readContent_;
};

TEST_F(ReleaseCheckTest, AFileThatChangesLengthWhileItIsReadIsRefused) {
    const std::vector<uint8_t> listed = folder_.files["SPR/Demo.SPR"];
    std::vector<uint8_t> longer = listed;
    longer.push_back(0);
    const std::vector<uint8_t> shorter(listed.begin(), listed.end() - 1);
    for (const auto& [content, reason] :
         {std::pair{longer, "grew while it was checked"}, std::pair{shorter, "ended after 4999 bytes"}}) {
        ChangingSource changing(folder_, "SPR/Demo.SPR", content);
        ReleaseCheck check(Key(), crypto_, changing);
        ASSERT_EQ(check.CheckManifest(std::nullopt, {kModule}), std::nullopt);
        std::optional<ReleaseRefusal> refusal;
        while (!refusal && !check.Finished())
            refusal = check.HashSome(kPiece);
        ASSERT_TRUE(refusal) << reason;
        EXPECT_EQ(refusal->file, "SPR/Demo.SPR");
        EXPECT_NE(refusal->reason.find(reason), std::string::npos) << refusal->reason;
    }
}

TEST_F(ReleaseCheckTest, BackgroundHashingReachesTheSameVerdicts) {
    check_ = std::make_unique<ReleaseCheck>(Key(), crypto_, folder_);
    ASSERT_EQ(check_->CheckManifest(std::nullopt, {kModule}), std::nullopt);
    {
        BackgroundReleaseHashing hashing(*check_);
        while (!hashing.Done())
            std::this_thread::yield();
        EXPECT_EQ(hashing.Refusal(), std::nullopt);
        EXPECT_EQ(check_->DoneBytes(), check_->TotalBytes());
    }
    folder_.files[kModule][ReleaseCheck::kReadBytes] ^= 1;
    ReleaseCheck changed(Key(), crypto_, folder_);
    ASSERT_EQ(changed.CheckManifest(std::nullopt, {kModule}), std::nullopt);
    BackgroundReleaseHashing hashing(changed);
    while (!hashing.Done())
        std::this_thread::yield();
    ASSERT_TRUE(hashing.Refusal());
    EXPECT_EQ(hashing.Refusal()->file, kModule);
}

TEST_F(ReleaseCheckTest, BackgroundHashingStopsWhenItsOwnerGoes) {
    folder_.files[kModule] = Bytes(64 * ReleaseCheck::kReadBytes, 3);
    Sign(kRelease);
    check_ = std::make_unique<ReleaseCheck>(Key(), crypto_, folder_);
    ASSERT_EQ(check_->CheckManifest(std::nullopt, {kModule}), std::nullopt);
    { BackgroundReleaseHashing hashing(*check_); }
    EXPECT_LT(check_->DoneBytes(), check_->TotalBytes()) << "the hashing stopped before the end";
}

}  // namespace
