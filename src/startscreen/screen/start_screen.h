#pragma once
// The first screen: a transition panel that is also the update server's client connection. It
// proves its session, sends the local file list, writes the files the server sends with their
// progress shown on its controls, and hands over to the game module when the server reports the
// update finished (start_screen_flow.h holds its decisions).
//
// Its pictures come from "SPR/Start.SPR": 0 connecting, 1 updating, 15 refused as the status,
// 2 the bar's frame, 3 and 4 the file and total markers; the counters' digits are its first
// bundle.
#include <cstdint>
#include <memory>

#include "control_classes/number_display.h"
#include "control_classes/panel.h"
#include "control_classes/progress_bar.h"
#include "control_classes/sprite_controls.h"
#include "control_classes/text_label.h"
#include "control_classes/text_renderer.h"
#include "net/client_connection.h"
#include "sprites/files/sprite_file.h"
#include "startscreen/flow/start_screen_flow.h"
#include "startscreen/screen/start_screen_platform.h"

class StartScreen : public TransitionPanel, public ClientConnection {
  public:
    static constexpr char kSpriteFile[] = "SPR/Start.SPR";
    static constexpr uint16_t kUpdateServerPort = 8100;
    static constexpr int16_t kPriority = 64;
    // "Не удалось соединиться с сервером. Нажмите любую клавишу." in code page 1251.
    static const char kFailureText[];

    // The platform must be installed before a start screen is made.
    StartScreen();
    ~StartScreen();

    // Slot 0 of the panel and slot 2 of the connection: both delete the whole start screen.
    void* DeletingDestructor(uint32_t flags) override;

    // Panel slots.
    void Open() override;
    void Update() override;
    Control* HandleMessage(WindowMessage* message) override;
    int32_t Notify(Control* sender, int32_t code, int32_t param) override;

    // Connection slots: 0, 1 and 3 do nothing; 2 deletes the whole start screen.
    void OnReservedSlot0(uint32_t, uint32_t, uint32_t, uint32_t) override {}
    void OnBadChecksum(MessageHeader*, uint8_t*, uint32_t, uint32_t) override {}
    void OnConnected() override {}
    void OnDisconnected() override;
    uint32_t OnMessage(MessageHeader* header, uint8_t* body) override;

    const StartScreenFlow& Flow() const { return *flow_; }

  private:
    class Parts;

    // The sprite file's picture, or none when the file has fewer.
    SpriteRenderer* Sprite(uint32_t index) const;
    friend class Parts;

    StartScreenPlatform& platform_;
    SpriteFilePtr sprites_;
    ImageControl* statusImage_ = nullptr;
    ImageControl* frameImage_ = nullptr;
    ProgressBar* bar_ = nullptr;
    GdiFont* smallFont_ = nullptr;
    TextLabel* pathLabel_ = nullptr;
    ImageControl* fileMarker_ = nullptr;
    NumberDisplay* fileBytes_ = nullptr;
    NumberDisplay* fileSize_ = nullptr;
    ImageControl* totalMarker_ = nullptr;
    NumberDisplay* totalBytes_ = nullptr;
    NumberDisplay* totalSize_ = nullptr;
    GdiFont* largeFont_ = nullptr;
    TextLabel* failureLabel_ = nullptr;
    char currentPath_[256] = {};
    std::unique_ptr<Parts> parts_;
    std::unique_ptr<StartScreenFlow> flow_;
};
