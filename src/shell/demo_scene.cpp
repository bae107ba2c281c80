#include "shell/demo_scene.h"

namespace {
constexpr int32_t kBandHeight = 24;
constexpr int32_t kPictureSize = 160;

// A pixel value in the display's layout from 8-bit channels.
uint32_t Pack(uint32_t r, uint32_t g, uint32_t b) {
    switch (CurrentPixelLayout()) {
    case PixelLayout::Rgb565:
        return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
    case PixelLayout::Rgb555:
        return (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
    default:
        return r << 16 | g << 8 | b;
    }
}

void PaintPicture(Surface* s) {
    if (!s || !s->HasPixels()) return;
    // Concentric squares in changing colours inside a white frame.
    for (int32_t ring = 0; ring < kPictureSize / 2; ring += 8) {
        uint32_t colour = Pack(uint32_t(40 + ring * 2), uint32_t(200 - ring * 2), uint32_t(120 + ring));
        s->FillRect(ring, ring, kPictureSize - ring, kPictureSize - ring, colour, 256, 0);
    }
    s->FillRect(0, 0, kPictureSize, 6, DemoScene::FrameColour(), 256, 0);
    s->FillRect(0, kPictureSize - 6, kPictureSize, kPictureSize, DemoScene::FrameColour(), 256, 0);
}
}  // namespace

uint32_t DemoScene::BandColour() { return Pack(255, 0, 0); }
uint32_t DemoScene::FrameColour() { return Pack(255, 255, 255); }

DemoScene::DemoScene(int32_t width, int32_t height)
    : Control(nullptr, 0, 0, width, height, 64), screenWidth(width), screenHeight(height),
      bandSurface(CreateSurface(width, kBandHeight, surface_caps::OffscreenSystemMemory)),
      pictureSurface(CreateSurface(kPictureSize, kPictureSize, surface_caps::OffscreenSystemMemory)),
      band(this, 0, 0, width, kBandHeight, 10),
      picture(this, 40, 60, 40 + kPictureSize, 60 + kPictureSize, 20) {
    if (bandSurface) bandSurface->Clear(BandColour());
    PaintPicture(pictureSurface);
    band.ownSurface = bandSurface;
    picture.ownSurface = pictureSurface;
}

DemoScene::~DemoScene() {
    band.ownSurface = nullptr;
    picture.ownSurface = nullptr;
    DestroySurface(bandSurface);
    DestroySurface(pictureSurface);
}

void* DemoScene::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

void DemoScene::Update() {
    Control::Update();
    if (picture.x + stepX < 0 || picture.x + stepX + kPictureSize > screenWidth) stepX = -stepX;
    if (picture.y + stepY < kBandHeight || picture.y + stepY + kPictureSize > screenHeight) stepY = -stepY;
    picture.MoveBy(stepX, stepY);
}
