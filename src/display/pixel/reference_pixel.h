#pragma once
// The scalar reference of every row operation: one pixel, channel by channel, exactly as the
// formulas in row_kernel.h read. The fast paths are checked against it and use it for the few
// pixels at the end of a row that do not fill a vector.
#include <algorithm>
#include <cstdint>

#include "display/pixel/channel_math.h"
#include "display/pixel/pixel_layouts.h"
#include "display/pixel/row_kernel.h"

template <RowOp Op> inline constexpr bool kReadsSource = Op != RowOp::FillBlend;

template <RowOp Op>
inline constexpr bool kReadsDestination =
    !(Op == RowOp::Copy || Op == RowOp::Scale || Op == RowOp::Brighten || Op == RowOp::Tint);

// One channel of the result; s, d and c are the channel's source, destination and colour values.
template <class L, RowOp Op>
uint32_t ReferenceChannel(int ch, uint32_t s, uint32_t d, uint32_t c, const RowParams& p) {
    constexpr int wb = L::kWeightBits;
    const uint32_t max = ChannelMax<L>(ch);
    const int n = L::kChannels[ch].bits;
    switch (Op) {
    case RowOp::Copy:
        return s;
    case RowOp::Scale:
        return ScaleChannel(s, p.k, wb);
    case RowOp::Brighten:
        return BrightenChannel(s, p.k, max, wb);
    case RowOp::Blend:
    case RowOp::BlendKeyed:
        return ScaleChannel(s, p.ws, wb) + ScaleChannel(d, p.wd, wb);
    case RowOp::BrightenBlend:
        return ScaleChannel(BrightenChannel(s, p.k, max, wb), p.ws, wb) + ScaleChannel(d, p.wd, wb);
    case RowOp::Screen:
        return d + (((max - d) * s * p.k) >> (n + wb));
    case RowOp::ProductAdd:
        return std::min(max, d + ((d * ScaleChannel(s, p.k, wb)) >> L::kChannels[ch].productAddShift));
    case RowOp::Multiply:
        return (BrightenChannel(s, p.k, max, wb) * d) >> n;
    case RowOp::Tint:
        return (s * c) >> n;
    case RowOp::FillBlend:
        return ScaleChannel(d, p.wd, wb) + c;
    }
    return 0;
}

template <class L, RowOp Op> uint32_t ReferencePixel(uint32_t d, uint32_t s, const RowParams& p) {
    if constexpr (Op == RowOp::Copy) return s;
    if (Op == RowOp::BlendKeyed && s == 0) s = d;
    uint32_t out = 0;
    for (int ch = 0; ch < L::kChannelCount; ++ch)
        out |= AtChannel<L>(ReferenceChannel<L, Op>(ch, ChannelOf<L>(s, ch), ChannelOf<L>(d, ch),
                                                    ChannelOf<L>(p.colour, ch), p),
                            ch);
    return out;
}

template <class L, RowOp Op>
void ReferencePixels(uint8_t* dst, const uint8_t* src, int32_t count, const RowParams& p) {
    for (int32_t i = 0; i < count; ++i, dst += L::kBytes) {
        const uint32_t s = kReadsSource<Op> ? L::Load(src + i * L::kBytes) : 0;
        const uint32_t d = kReadsDestination<Op> ? L::Load(dst) : 0;
        L::Store(dst, ReferencePixel<L, Op>(d, s, p));
    }
}

template <class L, RowOp Op> void ReferenceRows(const RowRun* runs, int32_t runCount, const RowParams& p) {
    for (int32_t r = 0; r < runCount; ++r)
        ReferencePixels<L, Op>(runs[r].dst, runs[r].src, runs[r].count, p);
}
