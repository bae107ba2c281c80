#include "sprites/renderers/sprite_renderer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "display/surface_control.h"
#include "sprites/renderers/prepared_runs.h"
#include "sprites/renderers/sprite_renderer_classes.h"

namespace {
constexpr size_t kHeaderBytes = SpriteRenderer::kPixelDataHeaderBytes;

uint8_t* BlockOf(const uint8_t* data) { return const_cast<uint8_t*>(data) - kHeaderBytes; }
}  // namespace

uint8_t* SpriteRenderer::AllocatePixelData(size_t bytes) {
    if (bytes > std::numeric_limits<size_t>::max() - kHeaderBytes) return nullptr;
    auto* block = new (std::nothrow) uint8_t[bytes + kHeaderBytes];
    if (!block) return nullptr;
    uint64_t size = bytes;
    std::memcpy(block, &size, sizeof size);
    SetPreparedRunsSlot(block + kHeaderBytes, 0);
    return block + kHeaderBytes;
}

void SpriteRenderer::FreePixelData(uint8_t* data) {
    if (!data) return;
    ReleasePreparedRuns(PreparedRunsSlot(data));
    delete[] BlockOf(data);
}

void SpriteRenderer::AdoptPixelData(uint8_t* data) {
    if (data == pixelData) return;
    FreePixelData(pixelData);
    pixelData = data;
}

SpriteRenderer::~SpriteRenderer() {
    FreePixelData(pixelData);
    pixelData = nullptr;
}

void* SpriteRenderer::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

void SpriteRenderer::DrawInView(SurfaceControl* view, int32_t x, int32_t y, Rect clip, int32_t alpha,
                                int32_t effect) {
    if (!view || !view->ownSurface) return;
    // The sums are taken in 64 bits and held to the 32-bit range: a position that far out lies
    // outside every surface either way, and the sums cannot wrap around into it.
    const int64_t ox = view->x;
    const int64_t oy = view->y;
    const Rect& v = view->bounds;
    auto held = [](int64_t value) {
        return int32_t(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                           std::numeric_limits<int32_t>::max()));
    };
    const Rect local{held(std::max<int64_t>(clip.left, v.left + ox) - ox),
                     held(std::max<int64_t>(clip.top, v.top + oy) - oy),
                     held(std::min<int64_t>(clip.right, v.right + ox) - ox),
                     held(std::min<int64_t>(clip.bottom, v.bottom + oy) - oy)};
    Draw(view->ownSurface, held(x - ox), held(y - oy), local, alpha, effect);
}

namespace {
template <PixelLayout Layout> SpriteRenderer* NewRendererOfKind(SpriteKind kind) {
    switch (kind) {
    case SpriteKind::Raw:
        return new (std::nothrow) SpriteRendererFor<Layout, SpriteKind::Raw>;
    case SpriteKind::Rle:
        return new (std::nothrow) SpriteRendererFor<Layout, SpriteKind::Rle>;
    case SpriteKind::Rle2:
        return new (std::nothrow) SpriteRendererFor<Layout, SpriteKind::Rle2>;
    }
    return nullptr;
}
}  // namespace

SpriteRenderer* CreateSpriteRenderer(PixelLayout layout, SpriteKind kind) {
    switch (layout) {
    case PixelLayout::Rgb565:
        return NewRendererOfKind<PixelLayout::Rgb565>(kind);
    case PixelLayout::Rgb555:
        return NewRendererOfKind<PixelLayout::Rgb555>(kind);
    case PixelLayout::Rgb24:
        return NewRendererOfKind<PixelLayout::Rgb24>(kind);
    case PixelLayout::Rgb32:
        return NewRendererOfKind<PixelLayout::Rgb32>(kind);
    case PixelLayout::None:
        break;
    }
    return nullptr;
}
