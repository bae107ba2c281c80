#pragma once
// A bar that fills part of its box with one colour in proportion to a value.
//
// Fields after those of Control: 80 colour (a pixel value in the target surface's layout),
// 84 minimum, 88 maximum, 92 value. The bar has no setters: its owner writes them directly.
#include <cstdint>

#include "controls/control.h"

class ProgressBar : public Control {
  public:
    ProgressBar(Control* parent, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int16_t priority);

    void* DeletingDestructor(uint32_t flags) override;
    void Draw(SurfaceControl* target, Rect* clip, Point* origin) override;

    uint32_t colour = 0x00FFFFFF;
    int32_t minimum = 0;
    int32_t maximum = 99;
    int32_t value = 99;
};

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_SIZE(ProgressBar, 96);
TIDEMARCH_CHECK_OFFSET(ProgressBar, colour, 80);
TIDEMARCH_CHECK_OFFSET(ProgressBar, minimum, 84);
TIDEMARCH_CHECK_OFFSET(ProgressBar, maximum, 88);
TIDEMARCH_CHECK_OFFSET(ProgressBar, value, 92);
TIDEMARCH_LAYOUT_CHECKS_END
#endif
