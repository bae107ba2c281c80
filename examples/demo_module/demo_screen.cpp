#include "demo_screen.h"

#include <windows.h>

#include <cstdio>

#include "demo_connection.h"
#include "sprites/files/sprite_file.h"

namespace {
// Where the board rests on a 1024 x 768 screen, and where it comes from.
constexpr int32_t kBoardX = 272;
constexpr int32_t kBoardY = 234;
constexpr int32_t kBoardWidth = 480;
constexpr int32_t kBoardHeight = 300;
constexpr int32_t kEntryY = -kBoardHeight - 20;

// Sprites and bundles of SPR/Demo.SPR (see assets/demo.txt).
constexpr int32_t kBoardSprite = 0;
constexpr int32_t kShipSprite = 1;
constexpr int32_t kButtonSprite = 17;
constexpr int32_t kWavesBundle = 0;
constexpr int32_t kDigitsBundle = 1;
constexpr int32_t kClickEffect = 0;
constexpr int32_t kSeaEffect = 1;

// The host panel's commands.
constexpr int32_t kSetInputRoot = 100;
constexpr int32_t kSetBackgroundClear = 102;
constexpr int32_t kSetFrameInterval = 104;

constexpr int32_t kShipStep = 8;
constexpr int32_t kClickValue = 25;

uint32_t Rgb565(uint32_t r, uint32_t g, uint32_t b) { return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3; }

SpriteRenderer* Sprite(SpriteFile& file, int32_t index) {
    return file.sprites && index < file.head.spriteCount ? file.sprites[index] : nullptr;
}
SpriteBundle* Bundle(SpriteFile& file, int32_t index) {
    return file.bundles && index < file.head.bundleCount ? &file.bundles[index] : nullptr;
}
SoundObject* Effect(SpriteFile& file, int32_t index) {
    return file.effects && index < file.head.effectCount ? file.effects[index] : nullptr;
}
}  // namespace

DemoScreen::DemoScreen(Control* hostPanel, SpriteFile& sprites, TextRenderer* font,
                       DemoConnection* connection)
    : TransitionPanel(hostPanel, kBoardX, kEntryY, kBoardX + kBoardWidth, kEntryY + kBoardHeight, 64),
      sprites_(sprites), connection_(connection), serverNamed_(connection != nullptr),
      board_(this, kBoardX, kEntryY, Sprite(sprites, kBoardSprite)),
      ship_(this, kBoardX + 200, kEntryY + 150, Sprite(sprites, kShipSprite)),
      counter_(this, Bundle(sprites, kDigitsBundle), 5, kBoardX + 392, kEntryY + 14),
      bar_(this, kBoardX + 16, kEntryY + 276, kBoardX + kBoardWidth - 16, kEntryY + 284, 70),
      title_(this, kBoardX + 16, kEntryY + 14, font), help_(this, kBoardX + 16, kEntryY + 40, font),
      status_(this, kBoardX + 16, kEntryY + 252, font),
      info_(this, kBoardX + kBoardWidth + 40, kEntryY + 60, kBoardX + kBoardWidth + 160, kEntryY + 92, 80),
      infoBackground_(&info_, kBoardX + kBoardWidth + 40, kEntryY + 60, Sprite(sprites, kButtonSprite)),
      infoText_(&info_, kBoardX + kBoardWidth + 50, kEntryY + 68, font) {
    board_.priority = -1;  // drawn behind everything else on the board
    for (int32_t i = 0; i < 5; ++i)
        waves_[i] =
            new AnimatedSprite(this, kBoardX + 12 + i * 92, kEntryY + 212, Bundle(sprites, kWavesBundle));
    std::snprintf(title_.ownText, sizeof title_.ownText, "Tidemarch demonstration module");
    std::snprintf(help_.ownText, sizeof help_.ownText,
                  "Arrows/click: ship  Space: info  F: frames  B: clear  Esc: quit");
    std::snprintf(infoText_.ownText, sizeof infoText_.ownText, "Hello, sailor");
    title_.textColour = 0x0040D0FF;
    help_.textColour = 0x00E0E0E0;
    status_.textColour = 0x0080FF80;
    bar_.colour = Rgb565(255, 190, 40);
    bar_.minimum = 0;
    bar_.maximum = 100;
    bar_.value = 0;
    counter_.step = kClickValue;
    // The info panel waits off the board, closed, until Space opens it.
    info_.flags = uint16_t(info_.flags & ~(control_flags::Visible | control_flags::InputEnabled));
    info_.SetTransition(TransitionState::Closed);
    RefreshStatus();

    // Fades in while it slides down to its place.
    SetAlpha(0);
    targetX = kBoardX;
    targetY = kBoardY;
    targetAlpha = 256;
}

DemoScreen::~DemoScreen() {
    for (AnimatedSprite*& wave : waves_) {
        DestroyControl(wave);
        wave = nullptr;
    }
    if (SoundObject* sea = Effect(sprites_, kSeaEffect)) sea->Stop();
    // The connection goes with the screen, before the host's network manager would delete it.
    DestroyConnection(connection_);
    connection_ = nullptr;
}

void* DemoScreen::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

int32_t DemoScreen::CommandHost(int32_t code, int32_t param) {
    if (!parent || !parent->HasFlag(control_flags::NotifyTarget)) return 0;
    return static_cast<Panel*>(parent)->Notify(this, code, param);
}

void DemoScreen::Open() {
    TransitionPanel::Open();
    // Input comes straight here rather than through the host panel.
    CommandHost(kSetInputRoot, 0);
    if (SoundObject* sea = Effect(sprites_, kSeaEffect)) sea->Play(kPlayLooping);
}

void DemoScreen::Update() {
    ++frames_;
    ForgetEndedConnection();
    bar_.value = frames_ % (bar_.maximum + 1);
    if (frames_ % 25 == 0) RefreshStatus();
    TransitionPanel::Update();
    // Escape closed the board; the program ends once it has faded out.
    if (quitting_ && Transition() == TransitionState::Closed) {
        quitting_ = false;
        PostQuitMessage(0);
    }
}

void DemoScreen::MoveShipTo(int32_t newX, int32_t newY) {
    const int32_t left = x;
    const int32_t top = y;
    const int32_t right = x + kBoardWidth - 64;
    const int32_t bottom = y + 200;
    ship_.MoveTo(newX < left    ? left
                 : newX > right ? right
                                : newX,
                 newY < top      ? top
                 : newY > bottom ? bottom
                                 : newY);
}

void DemoScreen::ToggleInfo() {
    const bool open =
        info_.Transition() == TransitionState::Open || info_.Transition() == TransitionState::Opening;
    if (open) {
        info_.targetX = x + kBoardWidth + 40;
        info_.targetAlpha = 0;
        info_.Close();
    } else {
        info_.targetX = x + kBoardWidth - 140;
        info_.targetY = info_.y;
        info_.targetAlpha = 256;
        info_.Open();
    }
}

void DemoScreen::ForgetEndedConnection() {
    if (!connection_) return;
    serverStatus_ = connection_->status;
    messagesReceived_ = connection_->messagesReceived;
    if (serverStatus_ != DemoConnection::Status::Closed && serverStatus_ != DemoConnection::Status::Failed)
        return;
    // Closed by the server or never connected: nothing more will come, so the connection is
    // deleted now (which also takes it out of the host's registry) and its last state is kept.
    DestroyConnection(connection_);
    connection_ = nullptr;
}

void DemoScreen::RefreshStatus() {
    const char* server = "no server named";
    char line[TextLabel::kOwnTextBytes];
    if (serverNamed_) {
        switch (serverStatus_) {
        case DemoConnection::Status::Connecting:
            server = "connecting";
            break;
        case DemoConnection::Status::Connected:
            server = "connected";
            break;
        case DemoConnection::Status::Closed:
            server = "closed";
            break;
        case DemoConnection::Status::Failed:
            server = "cannot connect";
            break;
        }
    }
    std::snprintf(line, sizeof line, "Server: %s (%d messages)  %u ms frames  clear %s", server,
                  messagesReceived_, fastFrames_ ? 20u : 40u, clearBackground_ ? "on" : "off");
    std::snprintf(status_.ownText, sizeof status_.ownText, "%s", line);
}

Control* DemoScreen::HandleMessage(WindowMessage* message) {
    if (!HasFlag(control_flags::InputEnabled)) return TransitionPanel::HandleMessage(message);
    switch (message->message) {
    case WM_KEYDOWN:
        switch (message->wParam) {
        case VK_ESCAPE:
            targetY = kEntryY;
            targetAlpha = 0;
            quitting_ = true;
            Close();
            return nullptr;
        case VK_LEFT:
            MoveShipTo(ship_.x - kShipStep, ship_.y);
            return nullptr;
        case VK_RIGHT:
            MoveShipTo(ship_.x + kShipStep, ship_.y);
            return nullptr;
        case VK_UP:
            MoveShipTo(ship_.x, ship_.y - kShipStep);
            return nullptr;
        case VK_DOWN:
            MoveShipTo(ship_.x, ship_.y + kShipStep);
            return nullptr;
        case VK_SPACE:
            ToggleInfo();
            return nullptr;
        case 'F':
            fastFrames_ = !fastFrames_;
            CommandHost(kSetFrameInterval, fastFrames_ ? 20 : 40);
            RefreshStatus();
            return nullptr;
        case 'B':
            clearBackground_ = !clearBackground_;
            CommandHost(kSetBackgroundClear, clearBackground_ ? 1 : 0);
            RefreshStatus();
            return nullptr;
        default:
            break;
        }
        break;
    case WM_LBUTTONDOWN: {
        const int32_t pointX = int16_t(uint32_t(message->lParam) & 0xFFFF);
        const int32_t pointY = int16_t(uint32_t(message->lParam) >> 16);
        MoveShipTo(pointX - 32, pointY - 24);
        counter_.Increment();
        if (SoundObject* click = Effect(sprites_, kClickEffect)) click->Play(0);
        return nullptr;
    }
    default:
        break;
    }
    return TransitionPanel::HandleMessage(message);
}
