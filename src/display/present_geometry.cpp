#include "display/present_geometry.h"

PresentRects WindowedPresentRects(int32_t windowX, int32_t windowY, int32_t width, int32_t height,
                                  int32_t screenWidth, int32_t screenHeight) {
    PresentRects r{{0, 0, width, height}, {windowX, windowY, windowX + width, windowY + height}};
    if (r.destination.left < 0) {
        r.source.left = -windowX;
        r.destination.left = 0;
    }
    if (r.destination.right > screenWidth) {
        r.source.right -= r.destination.right - screenWidth;
        r.destination.right = screenWidth;
    }
    if (r.destination.top < 0) {
        r.source.top = -windowY;
        r.destination.top = 0;
    }
    if (r.destination.bottom > screenHeight) {
        r.source.bottom -= r.destination.bottom - screenHeight;
        r.destination.bottom = screenHeight;
    }
    return r;
}
