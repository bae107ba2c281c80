// The start screen of a host built with a release key: the signed release is checked at the
// hand-over, in the program folder the update wrote.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "plain_world.h"
#include "platform/memory/startscreen/memory_registry_platform.h"
#include "platform/posix/release_manifest/openssl_release_crypto_platform.h"
#include "platform/posix/release_manifest/posix_release_file_source.h"
#include "platform/posix/update_client/posix_file_store_platform.h"
#include "program_folder_fixture.h"
#include "release_keys.h"
#include "startscreen/flow/start_screen_flow.h"

namespace {

const std::string kKeys = TIDEMARCH_RELEASE_KEYS;
const std::string kRegistryKey = "SOFTWARE\\Zeq\\TIDEMARCHRUSSIA";
constexpr auto kCheckDeadline = std::chrono::seconds(20);

class StartScreenReleaseTest : public ProgramFolderTest {
  protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        Put("Main.dll", std::string(2500000, 'm'));
        Put("SPR/Demo.SPR", "sprites");
        files_ = std::make_unique<PosixFileStorePlatform>(root_.string());
        releaseFiles_ = std::make_unique<PosixReleaseFileSource>(root_.string());
    }

    void Sign(uint64_t release) {
        std::vector<ManifestFile> listed;
        for (const char* path : {"Main.dll", "SPR/Demo.SPR"}) {
            const std::string bytes = Get(path);
            ManifestFile file{path, uint32_t(bytes.size()), {}};
            auto hasher = crypto_.NewSha256();
            ASSERT_TRUE(hasher->Add(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) &&
                        hasher->Finish(&file.sha256));
            listed.push_back(file);
        }
        const std::string body = WriteManifestBody(release, listed);
        ReleaseSignature signature{};
        ReleasePublicKey signer;
        ASSERT_EQ(SignWithPrivateKey(kKeys + "/test_release_private.pem", body, &signature, &signer), "");
        Put(kReleaseManifestName, body + WriteSignatureLine(signature));
    }

    StartScreenFlow& Flow() {
        if (!flow_) {
            StartScreenSettings settings{"10.0.0.8"};
            ReleasePublicKey key;
            EXPECT_EQ(ReadPublicKey(kKeys + "/test_release_public.pem", &key), "");
            settings.release = ReleaseVerification{key, &crypto_, releaseFiles_.get(), {"Main.dll"}};
            flow_ = std::make_unique<StartScreenFlow>(world_, *files_, registry_, std::move(settings));
        }
        return *flow_;
    }

    // The update ends; the screen closes.
    void Finish() {
        Flow().Open();
        world_.connection = connection_state::SessionReady;
        Flow().Update();
        Flow().OnMessage(message_id::UpdateFinished, 0, 0, nullptr, 0);
        Flow().Update();
        ASSERT_EQ(world_.state, start_state::Closed);
    }

    // Updates, as frames do, until the hand-over or the refusal; bounded in time.
    int UpdatesUntilDecided() {
        const auto deadline = std::chrono::steady_clock::now() + kCheckDeadline;
        int updates = 0;
        while (world_.handOvers == 0 && world_.refusals.empty() &&
               std::chrono::steady_clock::now() < deadline) {
            Flow().Update();
            ++updates;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return updates;
    }

    std::string Accepted() {
        std::string text;
        return registry_.ReadText(kRegistryKey, "AcceptedRelease", &text) ? text : "(none)";
    }

    PlainWorld world_;
    MemoryRegistryPlatform registry_;
    OpenSslReleaseCryptoPlatform crypto_;
    std::unique_ptr<PosixFileStorePlatform> files_;
    std::unique_ptr<PosixReleaseFileSource> releaseFiles_;
    std::unique_ptr<StartScreenFlow> flow_;
};

TEST_F(StartScreenReleaseTest, ASignedReleaseHandsOverOnceCheckedAndIsRemembered) {
    Sign(12);
    Finish();
    EXPECT_EQ(world_.handOvers, 0) << "not before the check";
    UpdatesUntilDecided();
    EXPECT_EQ(world_.handOvers, 1);
    EXPECT_TRUE(world_.refusals.empty());
    EXPECT_EQ(Flow().Gate(), StartScreenFlow::ReleaseGate::Passed);
    EXPECT_EQ(world_.barMaximum, StartScreenFlow::kCheckBarSteps);
    EXPECT_EQ(world_.barValue, StartScreenFlow::kCheckBarSteps);
    EXPECT_EQ(Accepted(), "12");
}

TEST_F(StartScreenReleaseTest, ARefusedReleaseIsNamedAndNeverHandedOver) {
    Sign(12);
    Put("Main.dll", std::string(2499999, 'm') + "M");
    Finish();
    UpdatesUntilDecided();
    ASSERT_EQ(world_.refusals.size(), 1u);
    EXPECT_NE(world_.refusals[0].find("File: Main.dll"), std::string::npos) << world_.refusals[0];
    EXPECT_NE(world_.refusals[0].find("content differs"), std::string::npos) << world_.refusals[0];
    EXPECT_EQ(world_.refusalExitCode, StartScreenFlow::kReleaseRefusedExitCode);
    for (int i = 0; i < 50; ++i)
        Flow().Update();
    EXPECT_EQ(world_.handOvers, 0);
    EXPECT_EQ(world_.refusals.size(), 1u) << "reported once";
    EXPECT_EQ(Accepted(), "(none)");
}

TEST_F(StartScreenReleaseTest, TheHighestAcceptedReleaseRefusesALowerOneAndOnlyGrows) {
    struct Case {
        const char* stored;
        uint64_t release;
        bool handsOver;
        const char* storedAfter;
        const char* reason;
    };
    for (const Case& c :
         {Case{"13", 12, false, "13", "release 12 is older than release 13"}, Case{"12", 12, true, "12", ""},
          Case{"9", 12, true, "12", ""}, Case{"twelve", 12, false, "twelve", "AcceptedRelease"}}) {
        flow_.reset();
        world_ = PlainWorld{};
        registry_.WriteText(kRegistryKey, "AcceptedRelease", c.stored);
        const int writesBefore = registry_.Writes();
        Sign(c.release);
        Finish();
        UpdatesUntilDecided();
        EXPECT_EQ(world_.handOvers, c.handsOver ? 1 : 0) << c.stored;
        EXPECT_EQ(Accepted(), c.storedAfter) << c.stored;
        if (std::string(c.stored) == "12") {
            EXPECT_EQ(registry_.Writes(), writesBefore) << "an equal one is not rewritten";
        }
        if (!c.handsOver) {
            ASSERT_EQ(world_.refusals.size(), 1u) << c.stored;
            EXPECT_NE(world_.refusals[0].find(c.reason), std::string::npos) << world_.refusals[0];
        }
    }
}

TEST_F(StartScreenReleaseTest, NothingIsWrittenIntoTheFolderOnceTheUpdateIsFinished) {
    Sign(12);
    Finish();
    FileRecord record{};
    std::strcpy(record.folder, ".");
    std::strcpy(record.name, "Main.dll");
    record.size = 3;
    Flow().OnMessage(message_id::FileHeader, 0, 0, reinterpret_cast<const uint8_t*>(&record), sizeof record);
    const uint8_t chunk[] = {'e', 'v', 'l'};
    Flow().OnMessage(message_id::FileData, 0, 0, chunk, sizeof chunk);
    EXPECT_EQ(Get("Main.dll").size(), 2500000u);
    UpdatesUntilDecided();
    EXPECT_EQ(world_.handOvers, 1);
}

TEST_F(StartScreenReleaseTest, AnUnsignedFolderIsRefusedForTheMissingManifest) {
    Finish();
    UpdatesUntilDecided();
    ASSERT_EQ(world_.refusals.size(), 1u);
    EXPECT_NE(world_.refusals[0].find("File: Release.manifest"), std::string::npos) << world_.refusals[0];
    EXPECT_NE(world_.refusals[0].find("no signed manifest"), std::string::npos) << world_.refusals[0];
    EXPECT_EQ(world_.handOvers, 0);
}

}  // namespace
