#include "platform/win32/controls/gdi_text_platform.h"

#include "platform/win32/display/directdraw.h"

namespace {
HDC AsDC(DeviceContext context) { return static_cast<HDC>(context); }
}  // namespace

FontHandle GdiTextPlatform::NewFont(const FontRequest& r) {
    return CreateFontA(r.height, r.width, r.escapement, r.orientation, r.weight, r.italic, r.underline,
                       r.strikeOut, r.charSet, r.outPrecision, r.clipPrecision, r.quality, r.pitchAndFamily,
                       r.face);
}

void GdiTextPlatform::DeleteFont(FontHandle font) { DeleteObject(static_cast<HFONT>(font)); }

int32_t GdiTextPlatform::GetDC(PlatformSurface surface, DeviceContext* context) {
    HDC dc = nullptr;
    HRESULT result = AsDirectDrawSurface(surface)->GetDC(&dc);
    *context = SUCCEEDED(result) ? dc : nullptr;
    return int32_t(result);
}

int32_t GdiTextPlatform::ReleaseDC(PlatformSurface surface, DeviceContext context) {
    return int32_t(AsDirectDrawSurface(surface)->ReleaseDC(AsDC(context)));
}

void GdiTextPlatform::SetBackgroundColour(DeviceContext context, uint32_t colour) {
    SetBkColor(AsDC(context), colour);
}

void GdiTextPlatform::SetTextColour(DeviceContext context, uint32_t colour) {
    SetTextColor(AsDC(context), colour);
}

void GdiTextPlatform::SetTransparentBackground(DeviceContext context) {
    SetBkMode(AsDC(context), TRANSPARENT);
}

void GdiTextPlatform::SelectFont(DeviceContext context, FontHandle font) {
    SelectObject(AsDC(context), static_cast<HFONT>(font));
}

void GdiTextPlatform::SetTextAlignment(DeviceContext context, uint32_t flags) {
    SetTextAlign(AsDC(context), flags);
}

void GdiTextPlatform::DrawTextRun(DeviceContext context, int32_t x, int32_t y, uint32_t options,
                                  const Rect& rectangle, const char* text, int32_t length) {
    RECT r{rectangle.left, rectangle.top, rectangle.right, rectangle.bottom};
    ExtTextOutA(AsDC(context), x, y, options, &r, text, UINT(length), nullptr);
}

bool GdiTextPlatform::MeasureText(DeviceContext context, const char* text, int32_t length, Size* size) {
    SIZE extent{};
    if (!GetTextExtentPoint32A(AsDC(context), text, length, &extent)) return false;
    size->width = extent.cx;
    size->height = extent.cy;
    return true;
}
