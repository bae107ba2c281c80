#pragma once
// The start screen's decisions: the registry value and leftover check at opening, the wait for
// the connection and the session with its bar, at most three attempts in a run, the refusal, the
// keys that quit, the session answers, the update transfer, and, in a host built with a release
// key, the check of the signed release before the hand-over. Everything it changes goes through
// its StartScreenWorld; it holds only the counts it decides with.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "net/wire_format.h"
#include "release_manifest/background_release_hashing.h"
#include "release_manifest/release_check.h"
#include "startscreen/flow/registry_platform.h"
#include "startscreen/flow/release_verification.h"
#include "startscreen/flow/start_screen_world.h"
#include "update_client/file_store_platform.h"
#include "update_client/scrambler.h"
#include "update_client/update_transfer.h"

struct StartScreenSettings {
    // The update server's address, written to the registry when the value is missing.
    std::string defaultServer;
    std::string registryKey = "SOFTWARE\\Zeq\\TIDEMARCHRUSSIA";
    std::string registryValue = "UpdateServer";
    // The highest release number this installation accepted, as decimal text beside the server.
    std::string acceptedReleaseValue = "AcceptedRelease";
    // Nothing for a host built without a release key.
    std::optional<ReleaseVerification> release = std::nullopt;
};

class StartScreenFlow {
  public:
    static constexpr int32_t kMaxAttempts = 3;
    static constexpr int32_t kFirstWait = 100;           // updates: 4 s at 40 ms
    static constexpr int32_t kWaitAfterLoss = 1000;      // updates: 40 s
    static constexpr uint32_t kRefusedCountdown = 4000;  // updates: 160 s
    static constexpr int32_t kWaitCounterDivisor = 25;   // the total counter shows the wait in seconds
    static constexpr uint32_t kEscape = 27;
    static constexpr uint32_t kHelloBodyBytes = 216;
    static constexpr uint32_t kSecondAnswerBytes = 196;
    static constexpr char kLeftoverFile[] = "./ZVLQFVC";
    static constexpr char kLeftoverLibrary[] = "./VLQTMD.dll";
    // The leftover file holds a short text. A longer one, as a server may have written there, is
    // not read: reading it whole could take all the memory there is.
    static constexpr size_t kLeftoverMaxBytes = 65536;
    // The bar's steps while the release is checked: one a pixel of its track.
    static constexpr int32_t kCheckBarSteps = 200;
    // The run's exit code when the release is refused.
    static constexpr int32_t kReleaseRefusedExitCode = 6;

    StartScreenFlow(StartScreenWorld& world, FileStorePlatform& files, RegistryPlatform& registry,
                    StartScreenSettings settings);

    // Registry value, pictures and bar, leftover check, connection, then the base's open.
    void Open();
    // Once per frame while the screen is active. False when the children must not be updated
    // (the screen quit, handed over or was replaced).
    bool Update();
    // Key down (wParam: the key) after the children declined it: true when consumed.
    bool OnKeyDown(uintptr_t key);
    // A button press after the children declined it: true when consumed.
    bool OnButtonDown();
    void OnDisconnected();
    void OnMessage(uint32_t id, uint32_t a, uint32_t b, const uint8_t* body, uint32_t length);

    // The hello body of the start screen.
    static void MakeHelloBody(uint8_t (&body)[kHelloBodyBytes]);
    // The number in a leftover text that decides whether the leftover library goes: true when it
    // is to be deleted.
    static bool LeftoverSaysDelete(const uint8_t* text, uint32_t length);

    uint32_t countdown = kRefusedCountdown;
    uint32_t updateFinished = 0;
    const UpdateTransfer& Transfer() const { return transfer_; }
    int32_t BarValue() const { return barValue_; }
    int32_t BarMaximum() const { return barMaximum_; }
    // Whether the release check is running (checking) or refused (refused); passed also when
    // the host has no release key.
    enum class ReleaseGate { NotChecked, Checking, Passed, Refused };
    ReleaseGate Gate() const { return gate_; }

  private:
    void SetBar(int32_t minimum, int32_t maximum, int32_t value);
    void RestartWait(int32_t updates);
    void CheckLeftover();
    void SendFileList();
    // Once the update is finished: true when the hand-over may go ahead now.
    bool ReleaseAllowsHandOver();
    void StartReleaseCheck();
    void FollowReleaseCheck();
    void RefuseRelease(const ReleaseRefusal& refusal);
    // In a host with a release key the program folder is not written once the update is finished:
    // the check reads it, and the game module then loads what was checked.
    bool FolderSealed() const { return settings_.release && updateFinished; }

    StartScreenWorld& world_;
    FileStorePlatform& files_;
    RegistryPlatform& registry_;
    StartScreenSettings settings_;
    Scrambler scrambler_;
    UpdateTransfer transfer_;
    int32_t barMinimum_ = 0;
    int32_t barMaximum_ = 0;
    int32_t barValue_ = 0;
    ReleaseGate gate_ = ReleaseGate::NotChecked;
    std::optional<uint64_t> highestAccepted_;
    std::unique_ptr<ReleaseCheck> check_;
    std::unique_ptr<BackgroundReleaseHashing> hashing_;
};
