#include "display/pixel/reference_pixel.h"
#include "display/pixel/row_functions.h"

namespace {
template <class L> RowFunction ReferenceFor(RowOp op) {
    switch (op) {
    case RowOp::Copy:
        return &ReferenceRows<L, RowOp::Copy>;
    case RowOp::Scale:
        return &ReferenceRows<L, RowOp::Scale>;
    case RowOp::Brighten:
        return &ReferenceRows<L, RowOp::Brighten>;
    case RowOp::Blend:
        return &ReferenceRows<L, RowOp::Blend>;
    case RowOp::BlendKeyed:
        return &ReferenceRows<L, RowOp::BlendKeyed>;
    case RowOp::BrightenBlend:
        return &ReferenceRows<L, RowOp::BrightenBlend>;
    case RowOp::Screen:
        return &ReferenceRows<L, RowOp::Screen>;
    case RowOp::ProductAdd:
        return L::kBytes == 2 ? &ReferenceRows<L, RowOp::ProductAdd> : nullptr;
    case RowOp::Multiply:
        return &ReferenceRows<L, RowOp::Multiply>;
    case RowOp::Tint:
        return &ReferenceRows<L, RowOp::Tint>;
    case RowOp::FillBlend:
        return &ReferenceRows<L, RowOp::FillBlend>;
    }
    return nullptr;
}
}  // namespace

RowFunction ReferenceRowFunction(PixelLayout layout, RowOp op) {
    switch (layout) {
    case PixelLayout::Rgb565:
        return ReferenceFor<Rgb565Traits>(op);
    case PixelLayout::Rgb555:
        return ReferenceFor<Rgb555Traits>(op);
    case PixelLayout::Rgb24:
        return ReferenceFor<Rgb24Traits>(op);
    case PixelLayout::Rgb32:
        return ReferenceFor<Rgb32Traits>(op);
    case PixelLayout::None:
        break;
    }
    return nullptr;
}
