#include "startscreen/screen/start_screen.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "common/host_notice_platform.h"
#include "control_classes/text_platform.h"
#include "controls/window_message.h"
#include "display/display_format.h"
#include "host/host_globals.h"
#include "update_client/dotted_quad.h"
#include "update_client/update_progress.h"

const char StartScreen::kFailureText[] =
    "\xCD\xE5 \xF3\xE4\xE0\xEB\xEE\xF1\xFC \xF1\xEE\xE5\xE4\xE8\xED\xE8\xF2\xFC\xF1\xFF \xF1 "
    "\xF1\xE5\xF0\xE2\xE5\xF0\xEE\xEC. \xCD\xE0\xE6\xEC\xE8\xF2\xE5 \xEB\xFE\xE1\xF3\xFE "
    "\xEA\xEB\xE0\xE2\xE8\xF8\xF3.";

namespace {

// The start screen's ends of the run (a key at the failure text, the refusal's end) are normal.
constexpr int32_t kQuitExitCode = 0;
constexpr int32_t kFailureTextY = 200;
constexpr int32_t kFailureCentre = 512;
constexpr int32_t kFailureCharacterHalfWidth = 5;
constexpr uint32_t kWhite = 0x00FFFFFF;
constexpr int32_t kSmallFontHeight = 14;
constexpr int32_t kLargeFontHeight = 20;
constexpr char kFontFace[] = "MS Sans Serif Regular";
constexpr uint32_t kSocketAddressBytes = 16;
constexpr uint8_t kAddressFamilyInet = 2;

uint32_t BarColour(PixelLayout layout) {
    switch (layout) {
    case PixelLayout::Rgb565:
        return 0xAFF5;
    case PixelLayout::Rgb555:
        return 0x57F5;
    default:
        return 0x00ADFFAB;
    }
}

// The face asked for first. Where no font can be made with it, the platform's font mapper is
// left to choose any face of the character set: a label without a font would draw in the device
// context's default font, which may lack the set's letters (the failure text is Cyrillic).
FontHandle MakeFont(int32_t height, uint8_t charSet) {
    TextPlatform* text = PlatformSlot<TextPlatform>::Installed();
    if (!text) return nullptr;
    FontRequest request;
    request.height = height;
    request.weight = 400;
    request.charSet = charSet;
    request.quality = font_quality::Proof;
    request.pitchAndFamily = font_pitch::Fixed;
    request.face = kFontFace;
    if (FontHandle font = text->NewFont(request)) return font;
    request.face = "";
    return text->NewFont(request);
}

void Hide(Control* control) {
    if (control) control->flags = uint16_t(control->flags & control_flags::HiddenMask);
}

void Show(Control* control) {
    if (control) control->SetFlag(control_flags::Visible, true);
}

// A socket address record for an IPv4 address in dotted-decimal text; false when the text is not
// one. The build refuses such a default address, so no other address is put in its place.
bool MakeAddress(const std::string& text, uint16_t port, uint8_t (&record)[kSocketAddressBytes]) {
    Ipv4Octets octets;
    if (!ParseDottedQuad(text, &octets)) return false;
    std::memset(record, 0, sizeof record);
    record[0] = kAddressFamilyInet;
    record[2] = uint8_t(port >> 8);
    record[3] = uint8_t(port);
    std::memcpy(record + 4, octets.data(), octets.size());
    return true;
}

}  // namespace

// The start screen's controls, connection and host, as its decisions see them.
class StartScreen::Parts final : public StartScreenWorld {
  public:
    explicit Parts(StartScreen& screen) : screen_(screen) {}

    int32_t State() override { return int32_t(screen_.Transition()); }
    void SetState(int32_t state) override { screen_.SetTransition(TransitionState(state)); }
    void OpenPanel() override { screen_.Control::Open(); }
    void ClosePanel() override { screen_.Control::Close(); }

    int32_t ConnectionState() override { return screen_.ClientConnection::state; }
    void SetConnectionState(int32_t state) override { screen_.ClientConnection::state = state; }
    void ConnectToServer() override {
        // Without an address there is no attempt: the wait runs out as with a server that does not
        // answer, and the retries and the failure text follow.
        uint8_t address[kSocketAddressBytes];
        if (!MakeAddress(screen_.platform_.DefaultServer(), kUpdateServerPort, address)) return;
        screen_.Connect(host::NetworkManager, address, int32_t(sizeof address));
    }
    void Send(uint32_t id, uint32_t a, uint32_t b, const void* body, uint32_t length) override {
        screen_.SendMessage(id, a, b, body, length, 0);
    }

    void ShowStatus(uint32_t picture) override {
        if (screen_.statusImage_) screen_.statusImage_->sprite = screen_.Sprite(picture);
    }
    void ShowBar(int32_t minimum, int32_t maximum, int32_t value) override {
        if (!screen_.bar_) return;
        screen_.bar_->minimum = minimum;
        screen_.bar_->maximum = maximum;
        screen_.bar_->value = value;
    }
    void ShowFailureText() override { Show(screen_.failureLabel_); }
    void MoveWaitMarker(int x) override {
        if (screen_.totalMarker_) screen_.totalMarker_->SetX(x);
    }

    int32_t RetryCount() override { return host::AppInfo.RetryCount; }
    void SetRetryCount(int32_t count) override { host::AppInfo.RetryCount = count; }
    void PostQuit() override { ActiveHostNotices().PostQuit(kQuitExitCode); }
    void HandOver() override { screen_.platform_.HandOver(); }
    void RefuseRelease(const std::string& text, int32_t exitCode) override {
        host::ExitCode = exitCode;
        screen_.platform_.ReportRefusedRelease(text);
        ActiveHostNotices().PostQuit(exitCode);
    }
    void StartFreshScreen() override {
        StartScreen* fresh = new (std::nothrow) StartScreen();
        if (!fresh) return;
        host::AppInfo.currentScreen = fresh;
        host::DrawRoot = host::UpdateRoot = host::InputRoot = fresh;
        fresh->Open();
        screen_.DeletingDestructor(kDeleteMemory);
    }

    void ShowAnnouncement(uint32_t totalBytes) override {
        SetCounter(screen_.totalBytes_, 0);
        MoveMarker(screen_.totalMarker_, kMarkerTrackLeft);
        SetCounter(screen_.totalSize_, totalBytes);
        ShowStatus(start_picture::Updating);
    }
    void ShowFileStarted(uint32_t fileSize) override {
        ShowBar(0, int32_t(fileSize), 0);
        SetCounter(screen_.fileBytes_, 0);
        MoveMarker(screen_.fileMarker_, kMarkerTrackLeft);
        SetCounter(screen_.fileSize_, fileSize);
    }
    void ShowTotalBytes(uint32_t done) override { SetCounter(screen_.totalBytes_, done); }
    void MoveTotalMarker(int x) override { MoveMarker(screen_.totalMarker_, x); }
    void ShowFileBytes(uint32_t done, int markerX) override {
        SetCounter(screen_.fileBytes_, done);
        if (screen_.bar_) screen_.bar_->value = int32_t(done);
        MoveMarker(screen_.fileMarker_, markerX);
    }
    void ShowPath(const std::string& path) override {
        std::snprintf(screen_.currentPath_, sizeof screen_.currentPath_, "%s", path.c_str());
    }
    void ReportFileProblem(const std::string& text) override {
        ActiveHostNotices().ShowDebugMessage(text.c_str());
    }
    void OnWriteFailed() override { screen_.Close(); }

  private:
    static void SetCounter(NumberDisplay* counter, uint32_t value) {
        if (counter) counter->SetValue(int32_t(value));
    }
    static void MoveMarker(Control* marker, int x) {
        if (!marker) return;
        marker->SetX(x);
        Show(marker);
    }

    StartScreen& screen_;
};

StartScreen::StartScreen()
    : TransitionPanel(nullptr, 0, 0, 0, 0, kPriority), ClientConnection(0),
      platform_(*StartScreenPlatformSlot::Installed()) {
    SetFlag(control_flags::NotifyTarget, true);
    SetTransition(TransitionState::Closed);

    sprites_.reset(new SpriteFile(kSpriteFile, int32_t(SpriteSource::File)));
    SpriteBundle* digits = sprites_->head.bundleCount > 0 ? &sprites_->bundles[0] : nullptr;

    statusImage_ = new ImageControl(this, 410, 671, Sprite(start_picture::Connecting));
    frameImage_ = new ImageControl(this, 408, 716, Sprite(2));
    bar_ = new ProgressBar(this, 410, 718, 610, 720, kPriority);
    bar_->colour = BarColour(CurrentPixelLayout());
    smallFont_ = new GdiFont(MakeFont(kSmallFontHeight, font_charset::Ansi));
    fileMarker_ = new ImageControl(this, kMarkerTrackLeft, 710, Sprite(3));
    Hide(fileMarker_);
    fileBytes_ = new NumberDisplay(fileMarker_, digits, 0, 412, 701);
    fileSize_ = new NumberDisplay(this, digits, -1, 632, 701);
    totalMarker_ = new ImageControl(this, kMarkerTrackLeft, 723, Sprite(4));
    Hide(totalMarker_);
    totalBytes_ = new NumberDisplay(totalMarker_, digits, 0, 410, 728);
    totalSize_ = new NumberDisplay(this, digits, -1, 632, 728);
    pathLabel_ = new TextLabel(this, 632, 711, smallFont_, currentPath_);
    pathLabel_->textColour = kWhite;
    largeFont_ = new GdiFont(MakeFont(kLargeFontHeight, font_charset::Cyrillic));
    const int32_t failureX = kFailureCentre - kFailureCharacterHalfWidth * int32_t(std::strlen(kFailureText));
    failureLabel_ = new TextLabel(this, failureX, kFailureTextY, largeFont_, const_cast<char*>(kFailureText));
    failureLabel_->textColour = kWhite;
    Hide(failureLabel_);

    parts_ = std::make_unique<Parts>(*this);
    StartScreenSettings settings{platform_.DefaultServer()};
    settings.release = platform_.Verification();
    flow_ = std::make_unique<StartScreenFlow>(*parts_, platform_.Files(), platform_.Registry(),
                                              std::move(settings));
}

StartScreen::~StartScreen() {
    flow_.reset();
    parts_.reset();
    DestroyControl(failureLabel_);
    if (largeFont_) largeFont_->DeletingDestructor(kDeleteMemory);
    DestroyControl(pathLabel_);
    DestroyControl(totalSize_);
    DestroyControl(totalBytes_);
    DestroyControl(totalMarker_);
    DestroyControl(fileSize_);
    DestroyControl(fileBytes_);
    DestroyControl(fileMarker_);
    if (smallFont_) smallFont_->DeletingDestructor(kDeleteMemory);
    DestroyControl(bar_);
    DestroyControl(frameImage_);
    DestroyControl(statusImage_);
    sprites_.reset();
}

void* StartScreen::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

SpriteRenderer* StartScreen::Sprite(uint32_t index) const {
    if (!sprites_ || !sprites_->sprites || index >= uint32_t(sprites_->head.spriteCount)) return nullptr;
    return sprites_->sprites[index];
}

void StartScreen::Open() { flow_->Open(); }

void StartScreen::Update() {
    if (!HasFlag(control_flags::Active)) return;
    if (!flow_->Update()) return;
    UpdateChildren();
}

Control* StartScreen::HandleMessage(WindowMessage* message) {
    if (!HasFlag(control_flags::InputEnabled)) return prevSibling;
    if (firstChild && ChildrenConsume(message)) return nullptr;
    switch (message->message) {
    case window_message::KeyDown:
        if (flow_->OnKeyDown(message->wParam)) return nullptr;
        break;
    case window_message::LeftButtonDown:
    case window_message::RightButtonDown:
        if (flow_->OnButtonDown()) return nullptr;
        break;
    default:
        break;
    }
    return prevSibling;
}

int32_t StartScreen::Notify(Control*, int32_t, int32_t) { return 0; }

void StartScreen::OnDisconnected() { flow_->OnDisconnected(); }

uint32_t StartScreen::OnMessage(MessageHeader* header, uint8_t* body) {
    flow_->OnMessage(header->id, header->a, header->b, body, header->bodyLength);
    return 1;
}
