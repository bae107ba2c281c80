#pragma once
// A small scene the host shows while no start screen is built in: a coloured band across the
// top and a picture that moves around the screen, so that a person sees frames being presented;
// a label that slides in and out with a transition, a counter that counts up, a bar that fills
// and the mouse cursor, which it gives an arrow.
#include "control_classes/number_display.h"
#include "control_classes/panel.h"
#include "control_classes/progress_bar.h"
#include "control_classes/sprite_controls.h"
#include "control_classes/text_label.h"
#include "control_classes/text_renderer.h"
#include "display/surface_control.h"
#include "shell/demo_sprites.h"

class DemoScene : public TransitionPanel {
  public:
    // The cursor, if any, gets the arrow; it must be deleted before the scene (as the host's
    // shutdown does) or the scene takes the arrow back.
    DemoScene(int32_t screenWidth, int32_t screenHeight, MouseCursor* cursor = nullptr);
    ~DemoScene();
    void* DeletingDestructor(uint32_t flags) override;
    void Update() override;

    // Colours of the band and of the picture's frame, in the display's layout.
    static uint32_t BandColour();
    static uint32_t FrameColour();

    static constexpr int32_t kLabelX = 40;
    static constexpr int32_t kLabelY = 40;
    static constexpr int32_t kSlideDistance = 300;

    int32_t screenWidth;
    int32_t screenHeight;
    Surface* bandSurface;
    Surface* pictureSurface;
    DemoSprites sprites;
    GdiFont* font;
    MouseCursor* cursor;
    SurfaceControl band;
    SurfaceControl picture;
    TransitionPanel slider;
    TextLabel label;
    NumberDisplay counter;
    ProgressBar bar;
    int32_t stepX = 4;
    int32_t stepY = 3;
    int32_t updates = 0;
};
