#pragma once
// The start screen's decisions: the registry value and leftover check at opening, the wait for
// the connection and the session with its bar, at most three attempts in a run, the refusal, the
// keys that quit, the session answers, and the update transfer. Everything it changes goes
// through its StartScreenWorld; it holds only the counts it decides with.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/wire_format.h"
#include "update_client/file_store_platform.h"
#include "startscreen/flow/registry_platform.h"
#include "update_client/scrambler.h"
#include "startscreen/flow/start_screen_world.h"
#include "update_client/update_transfer.h"

struct StartScreenSettings {
    // The update server's address, written to the registry when the value is missing.
    std::string defaultServer;
    std::string registryKey = "SOFTWARE\\Zeq\\TIDEMARCHRUSSIA";
    std::string registryValue = "UpdateServer";
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

  private:
    void SetBar(int32_t minimum, int32_t maximum, int32_t value);
    void RestartWait(int32_t updates);
    void CheckLeftover();
    void SendFileList();

    StartScreenWorld& world_;
    FileStorePlatform& files_;
    RegistryPlatform& registry_;
    StartScreenSettings settings_;
    Scrambler scrambler_;
    UpdateTransfer transfer_;
    int32_t barMinimum_ = 0;
    int32_t barMaximum_ = 0;
    int32_t barValue_ = 0;
};
