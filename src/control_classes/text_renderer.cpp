#include "control_classes/text_renderer.h"

#include <algorithm>
#include <cstring>

#include "display/surface.h"
#include "display/surface_control.h"
#include "host/host_globals.h"

void* TextRenderer::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }
int32_t TextRenderer::MeasureText(const char*, int32_t, Size*) { return 0; }
void TextRenderer::DrawText(Surface*, Point*, const char*, uint32_t, uint32_t, uint32_t, Rect*, uint32_t) {}

GdiFont::GdiFont(FontHandle font) : fontHandle(font) {}

GdiFont::~GdiFont() {
    TextPlatform* platform = TextPlatformSlot::Installed();
    if (fontHandle && platform) platform->DeleteFont(fontHandle);
}

void* GdiFont::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

void GdiFont::DrawText(Surface* surface, Point* anchor, const char* text, uint32_t textColour,
                       uint32_t backgroundColour, uint32_t shadowColour, Rect* clip, uint32_t alignment) {
    TextPlatform* platform = TextPlatformSlot::Installed();
    if (!text || !platform || !surface || !surface->platformSurface || !anchor || !clip) return;
    DeviceContext context = nullptr;
    if (platform->GetDC(surface->platformSurface, &context) < 0 || !context) return;

    platform->SetBackgroundColour(context, backgroundColour);
    if (fontHandle) platform->SelectFont(context, fontHandle);
    platform->SetTextAlignment(context, alignment);
    // One call draws one line: the clip ends a line height below the anchor.
    Rect lineClip = *clip;
    lineClip.top = std::max(lineClip.top, anchor->y);
    lineClip.bottom = int32_t(std::min<int64_t>(lineClip.bottom, int64_t(anchor->y) + lineHeight));
    const int32_t length = int32_t(std::strlen(text));
    if (backgroundColour != 0) {
        platform->SetTextColour(context, textColour);
        platform->DrawTextRun(context, anchor->x, anchor->y, text_out::Opaque | text_out::Clipped, lineClip,
                              text, length);
    } else {
        platform->SetTransparentBackground(context);
        if (shadowColour != 0) {
            platform->SetTextColour(context, shadowColour);
            platform->DrawTextRun(context, ClampedCoordinate(int64_t(anchor->x) + 1),
                                  ClampedCoordinate(int64_t(anchor->y) + 1), text_out::Clipped, lineClip,
                                  text, length);
        }
        platform->SetTextColour(context, textColour);
        platform->DrawTextRun(context, anchor->x, anchor->y, text_out::Clipped, lineClip, text, length);
    }
    platform->ReleaseDC(surface->platformSurface, context);
}

int32_t GdiFont::MeasureText(const char* text, int32_t length, Size* size) {
    TextPlatform* platform = TextPlatformSlot::Installed();
    Surface* surface = host::RootControl ? host::RootControl->ownSurface : nullptr;
    if (!platform || !surface || !surface->platformSurface) return kNoDeviceContext;
    DeviceContext context = nullptr;
    int32_t result = platform->GetDC(surface->platformSurface, &context);
    if (result < 0) return result;
    if (fontHandle) platform->SelectFont(context, fontHandle);
    // A null text or size, or a negative length, measures nothing.
    if (text && size && length >= 0) platform->MeasureText(context, text, length, size);
    return platform->ReleaseDC(surface->platformSurface, context);
}
