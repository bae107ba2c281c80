#pragma once
// Text through GDI, in the device context of a DirectDraw surface.
#include "control_classes/text_platform.h"

class GdiTextPlatform final : public TextPlatform {
  public:
    FontHandle NewFont(const FontRequest& request) override;
    void DeleteFont(FontHandle font) override;
    int32_t GetDC(PlatformSurface surface, DeviceContext* context) override;
    int32_t ReleaseDC(PlatformSurface surface, DeviceContext context) override;
    void SetBackgroundColour(DeviceContext context, uint32_t colour) override;
    void SetTextColour(DeviceContext context, uint32_t colour) override;
    void SetTransparentBackground(DeviceContext context) override;
    void SelectFont(DeviceContext context, FontHandle font) override;
    void SetTextAlignment(DeviceContext context, uint32_t flags) override;
    void DrawTextRun(DeviceContext context, int32_t x, int32_t y, uint32_t options, const Rect& rectangle,
                     const char* text, int32_t length) override;
    bool MeasureText(DeviceContext context, const char* text, int32_t length, Size* size) override;
};
