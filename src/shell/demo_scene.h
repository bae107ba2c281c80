#pragma once
// A small scene the host shows while no start screen is built in: a coloured band across the
// top and a picture that moves around the screen, so that a person sees frames being presented.
#include "display/surface_control.h"

class DemoScene : public Control {
  public:
    DemoScene(int32_t screenWidth, int32_t screenHeight);
    ~DemoScene();
    void* DeletingDestructor(uint32_t flags) override;
    void Update() override;

    // Colours of the band and of the picture's frame, in the display's layout.
    static uint32_t BandColour();
    static uint32_t FrameColour();

    int32_t screenWidth;
    int32_t screenHeight;
    Surface* bandSurface;
    Surface* pictureSurface;
    SurfaceControl band;
    SurfaceControl picture;
    int32_t stepX = 4;
    int32_t stepY = 3;
};
