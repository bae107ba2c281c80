#include "shell/demo_scene.h"

#include <cstdio>

#include "control_classes/text_platform.h"
#include "display/opacity.h"
#include "host/host_globals.h"

namespace {
constexpr int32_t kBandHeight = 24;
constexpr int32_t kPictureSize = 160;
constexpr int32_t kUpdatesPerSecond = 25;
constexpr int32_t kBarWidth = 400;
constexpr int32_t kBarHeight = 8;
constexpr int32_t kBottomMargin = 28;
constexpr uint32_t kLabelColour = 0x00FFFFFF;  // GDI colours
constexpr uint32_t kShadowColour = 0x00404040;

void PaintPicture(Surface* s) {
    if (!s || !s->HasPixels()) return;
    // Concentric squares in changing colours inside a white frame.
    for (int32_t ring = 0; ring < kPictureSize / 2; ring += 8) {
        uint32_t colour = DemoPixel(uint32_t(40 + ring * 2), uint32_t(200 - ring * 2), uint32_t(120 + ring));
        s->FillRect(ring, ring, kPictureSize - ring, kPictureSize - ring, colour, kOpaque, 0);
    }
    s->FillRect(0, 0, kPictureSize, 6, DemoScene::FrameColour(), kOpaque, 0);
    s->FillRect(0, kPictureSize - 6, kPictureSize, kPictureSize, DemoScene::FrameColour(), kOpaque, 0);
}

// The label's font: the platform's, 20 pixels high, with the Cyrillic set.
GdiFont* NewLabelFont() {
    TextPlatform* text = TextPlatformSlot::Installed();
    if (!text) return nullptr;
    FontRequest request;
    request.height = 20;
    request.charSet = font_charset::Cyrillic;
    request.quality = font_quality::Proof;
    request.pitchAndFamily = font_pitch::Fixed;
    request.face = "MS Sans Serif Regular";
    FontHandle handle = text->NewFont(request);
    return handle ? new GdiFont(handle) : nullptr;
}
}  // namespace

uint32_t DemoScene::BandColour() { return DemoPixel(255, 0, 0); }
uint32_t DemoScene::FrameColour() { return DemoPixel(255, 255, 255); }

DemoScene::DemoScene(int32_t width, int32_t height, MouseCursor* mouseCursor)
    : TransitionPanel(nullptr, 0, 0, width, height, 64), screenWidth(width), screenHeight(height),
      bandSurface(CreateSurface(width, kBandHeight, surface_caps::OffscreenSystemMemory)),
      pictureSurface(CreateSurface(kPictureSize, kPictureSize, surface_caps::OffscreenSystemMemory)),
      font(NewLabelFont()), cursor(mouseCursor), band(this, 0, 0, width, kBandHeight, 10),
      picture(this, 40, 60, 40 + kPictureSize, 60 + kPictureSize, 20),
      slider(this, kLabelX - kSlideDistance, kLabelY, kLabelX - kSlideDistance, kLabelY, 30),
      label(&slider, kLabelX - kSlideDistance, kLabelY, font),
      counter(this, sprites.digits, 0, width - 120, height - kBottomMargin - 4),
      bar(this, 40, height - kBottomMargin, 40 + kBarWidth, height - kBottomMargin + kBarHeight, 40) {
    if (bandSurface) bandSurface->Clear(BandColour());
    PaintPicture(pictureSurface);
    band.ownSurface = bandSurface;
    picture.ownSurface = pictureSurface;
    SetFlag(control_flags::NotifyTarget, true);

    std::snprintf(label.text, TextLabel::kOwnTextBytes, "Tidemarch");
    label.shadowColour = kShadowColour;
    label.textColour = kLabelColour;
    slider.targetX = kLabelX;
    slider.targetY = kLabelY;
    slider.Open();

    bar.colour = DemoPixel(0, 200, 80);
    bar.value = 0;
    counter.step = 37;
    if (cursor) cursor->SetSprite(sprites.cursor);
}

DemoScene::~DemoScene() {
    // A cursor still alive must not keep pointing at the arrow that goes with the scene.
    if (cursor && host::MouseCursor == cursor) cursor->SetSprite(nullptr);
    band.ownSurface = nullptr;
    picture.ownSurface = nullptr;
    DestroySurface(bandSurface);
    DestroySurface(pictureSurface);
    if (font) font->DeletingDestructor(kDeleteMemory);
}

void* DemoScene::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

void DemoScene::Update() {
    TransitionPanel::Update();
    ++updates;
    if (picture.x + stepX < 0 || picture.x + stepX + kPictureSize > screenWidth) stepX = -stepX;
    if (picture.y + stepY < kBandHeight || picture.y + stepY + kPictureSize > screenHeight) stepY = -stepY;
    picture.MoveBy(stepX, stepY);

    bar.value = (updates / 2) % (bar.maximum + 1);
    if (updates % kUpdatesPerSecond == 0) counter.Increment();
    // The label slides in, rests, slides out and hides, and comes again.
    if (slider.Transition() == TransitionState::Open && updates % (4 * kUpdatesPerSecond) == 0) {
        slider.targetX = kLabelX - kSlideDistance;
        slider.Close();
    } else if (slider.Transition() == TransitionState::Closed) {
        slider.targetX = kLabelX;
        slider.Open();
    }
}
