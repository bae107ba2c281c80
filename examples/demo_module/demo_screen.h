#pragma once
// The demonstration module's screen: a board that slides and fades in, a ship that the arrow
// keys and the mouse move, waves, a counter of clicks, a bar, text, an info panel that opens
// and closes, a click sound and the sea as a streamed sound, host commands through the host
// panel's Notify, and the state of a connection when a server was named. Escape closes the
// board and then ends the program.
#include <cstdint>

#include "control_classes/number_display.h"
#include "control_classes/panel.h"
#include "control_classes/progress_bar.h"
#include "control_classes/sprite_controls.h"
#include "control_classes/text_label.h"
#include "demo_connection.h"

class SpriteFile;
class TextRenderer;

class DemoScreen : public TransitionPanel {
  public:
    // Under the host panel; sprites from the module's sprite file; a connection when the
    // command line names a server (may be null), which the screen then owns: it deletes it when
    // the connection has closed or failed, and at the latest with itself.
    DemoScreen(Control* hostPanel, SpriteFile& sprites, TextRenderer* font, DemoConnection* connection);

    void* DeletingDestructor(uint32_t flags) override;
    void Open() override;
    void Update() override;
    Control* HandleMessage(WindowMessage* message) override;

    ~DemoScreen();

  private:
    // Commands to the host through the parent's slot 6.
    int32_t CommandHost(int32_t code, int32_t param);
    void MoveShipTo(int32_t x, int32_t y);
    void ToggleInfo();
    void RefreshStatus();
    void ForgetEndedConnection();

    SpriteFile& sprites_;
    DemoConnection* connection_;
    bool serverNamed_;
    DemoConnection::Status serverStatus_ = DemoConnection::Status::Connecting;
    int32_t messagesReceived_ = 0;
    ImageControl board_;
    ImageControl ship_;
    AnimatedSprite* waves_[5] = {};
    NumberDisplay counter_;
    ProgressBar bar_;
    TextLabel title_;
    TextLabel help_;
    TextLabel status_;
    TransitionPanel info_;
    ImageControl infoBackground_;
    TextLabel infoText_;
    int32_t frames_ = 0;
    bool fastFrames_ = false;
    bool clearBackground_ = true;
    bool quitting_ = false;
};
