// Every fast row function against the scalar reference, on random pixels, every row length from
// 1 to 70 (so every vector head and tail is hit), and weights across their whole range.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include "display/pixel/pixel_layouts.h"
#include "display/pixel/row_functions.h"
#include "display/pixel/row_kernel.h"
#include "display/pixel/short_runs16.h"
#include "display/pixel/vector_runs16.h"

namespace {

struct LayoutCase {
    PixelLayout layout;
    const char* name;
    uint32_t one;       // weight of a whole
    uint32_t channels;  // bit mask of the pixel's channels
};

const LayoutCase kLayouts[] = {
    {PixelLayout::Rgb565, "565", 32, 0xFFFF},
    {PixelLayout::Rgb555, "555", 32, 0x7FFF},
    {PixelLayout::Rgb24, "24", 256, 0xFFFFFF},
    {PixelLayout::Rgb32, "32", 256, 0xFFFFFFFF},
};

const RowOp kOps[] = {RowOp::Copy,       RowOp::Scale,         RowOp::Brighten, RowOp::Blend,
                      RowOp::BlendKeyed, RowOp::BrightenBlend, RowOp::Screen,   RowOp::ProductAdd,
                      RowOp::Multiply,   RowOp::Tint,          RowOp::FillBlend};

// Weights the drawing code can produce for an operation: single weights 0..one; blends with
// source and destination weights that never add up past one; fills whose colour fits above
// the scaled destination.
RowParams RandomParams(const LayoutCase& lc, RowOp op, std::mt19937& rng) {
    auto pick = [&](uint32_t lo, uint32_t hi) {
        return std::uniform_int_distribution<uint32_t>(lo, hi)(rng);
    };
    auto edgeWeight = [&](uint32_t hi) {
        const uint32_t edges[] = {0, 1, 7, 8, hi / 2, hi - 1, hi};
        return pick(0, 2) == 0 ? edges[pick(0, 6)] : pick(0, hi);
    };
    RowParams p;
    p.k = edgeWeight(lc.one);
    const uint32_t level = edgeWeight(lc.one - 1);
    p.wd = lc.one - level;
    p.ws = op == RowOp::BrightenBlend ? level : pick(0, level);
    p.colour = pick(0, 0xFFFFFFFF) & lc.channels;
    if (op == RowOp::FillBlend) {
        p.wd = pick(0, 3) == 0 ? lc.one : pick(1, lc.one);
        // A colour pre-scaled by the opposite weight, the way the fills make it.
        const uint32_t a = lc.one - p.wd;
        uint32_t c = 0;
        if (lc.one == 32) {
            const uint32_t green = lc.layout == PixelLayout::Rgb565 ? 63 : 31;
            const int redShift = lc.layout == PixelLayout::Rgb565 ? 11 : 10;
            c = (pick(0, 31) * a / 32) << redShift | (pick(0, green) * a / 32) << 5 | pick(0, 31) * a / 32;
        } else {
            for (int b = 0; b < 4; ++b)
                c |= (pick(0, 255) * a / 256) << (8 * b);
        }
        p.colour = c & lc.channels;
    }
    return p;
}

void FillRandom(std::vector<uint8_t>& bytes, std::mt19937& rng, int bytesPerPixel) {
    const int style = int(rng() % 3);
    for (size_t i = 0; i < bytes.size(); ++i) {
        uint8_t b = uint8_t(rng());
        if (style == 1 && (i / bytesPerPixel) % 3 == 0) b = 0;  // zero pixels for the keyed blend
        if (style == 2) b = (rng() & 1) ? 0xFF : 0x00;          // channel extremes
        bytes[i] = b;
    }
}

// The fast path, and each instruction set this processor has, on its own.
struct Implementation {
    const char* name;
    RowFunction (*select)(PixelLayout, RowOp);
};
const Implementation kImplementations[] = {
    {"fast", [](PixelLayout l, RowOp o) { return SelectRowFunction(l, o, PixelPath::Fast); }},
    {"sse2", [](PixelLayout l, RowOp o) { return VectorRowFunction(l, o, VectorSet::Sse2); }},
    {"avx2", [](PixelLayout l, RowOp o) { return VectorRowFunction(l, o, VectorSet::Avx2); }},
};

TEST(PixelRows, FastPathsGiveTheReferenceBytes) {
    std::mt19937 rng(20240611);
    for (const Implementation& impl : kImplementations)
        for (const LayoutCase& lc : kLayouts) {
            const int bpp = BytesPerPixel(lc.layout);
            for (RowOp op : kOps) {
                RowFunction reference = SelectRowFunction(lc.layout, op, PixelPath::Reference);
                RowFunction fast = impl.select(lc.layout, op);
                if (!reference) {
                    EXPECT_EQ(fast, nullptr);
                    continue;
                }
                if (!fast) continue;  // this set leaves the operation to another
                for (int width = 1; width <= 70; ++width) {
                    for (int trial = 0; trial < 12; ++trial) {
                        RowParams params = RandomParams(lc, op, rng);
                        const int offset = int(rng() % 5);  // rows do not start on any particular boundary
                        std::vector<uint8_t> src((width + 5) * bpp + 32), dst((width + 5) * bpp + 32);
                        FillRandom(src, rng, bpp);
                        FillRandom(dst, rng, bpp);
                        std::vector<uint8_t> want = dst, got = dst;
                        const RowRun wantRun{want.data() + offset * bpp, src.data() + offset * bpp, width};
                        reference(&wantRun, 1, params);
                        if (trial % 2) {  // memory after the row may be read
                            params.dstLimit = got.data() + got.size();
                            params.srcLimit = src.data() + src.size();
                        }
                        const RowRun gotRun{got.data() + offset * bpp, src.data() + offset * bpp, width};
                        fast(&gotRun, 1, params);
                        ASSERT_EQ(got, want) << impl.name << " " << lc.name << " op " << int(op) << " width "
                                             << width << " k " << params.k << " ws " << params.ws << " wd "
                                             << params.wd << " colour " << std::hex << params.colour;
                    }
                }
            }
        }
}

// The processors this runs on have SSE2; where one has AVX2, its blends are the fast path.
TEST(PixelRows, FastPathTakesTheWidestInstructionSet) {
    ASSERT_TRUE(ProcessorHas(VectorSet::Sse2));
    std::printf("AVX2 row functions %s on this processor\n",
                ProcessorHas(VectorSet::Avx2) ? "checked and chosen" : "not available");
    for (const LayoutCase& lc : kLayouts) {
        const RowFunction fast = SelectRowFunction(lc.layout, RowOp::Blend, PixelPath::Fast);
        EXPECT_NE(fast, SelectRowFunction(lc.layout, RowOp::Blend, PixelPath::Reference)) << lc.name;
        if (ProcessorHas(VectorSet::Avx2))
            EXPECT_EQ(fast, VectorRowFunction(lc.layout, RowOp::Blend, VectorSet::Avx2)) << lc.name;
        else
            EXPECT_EQ(VectorRowFunction(lc.layout, RowOp::Blend, VectorSet::Avx2), nullptr) << lc.name;
    }
}

TEST(PixelRows, ABatchOfRunsIsTheRunsOneAfterAnother) {
    std::mt19937 rng(99);
    for (const LayoutCase& lc : kLayouts) {
        const int bpp = BytesPerPixel(lc.layout);
        for (RowOp op : {RowOp::Blend, RowOp::BlendKeyed, RowOp::Tint, RowOp::FillBlend, RowOp::Multiply}) {
            RowFunction reference = SelectRowFunction(lc.layout, op, PixelPath::Reference);
            RowFunction fast = SelectRowFunction(lc.layout, op, PixelPath::Fast);
            if (!reference) continue;
            const RowParams params = RandomParams(lc, op, rng);
            std::vector<uint8_t> src(600 * bpp), dst(600 * bpp);
            FillRandom(src, rng, bpp);
            FillRandom(dst, rng, bpp);
            std::vector<uint8_t> want = dst, got = dst;
            std::vector<RowRun> wantRuns, gotRuns;
            for (int at = 0; at < 560;) {  // runs of 1..20 pixels with gaps between them
                const int n = 1 + int(rng() % 20);
                wantRuns.push_back(RowRun{want.data() + at * bpp, src.data() + at * bpp, n});
                gotRuns.push_back(RowRun{got.data() + at * bpp, src.data() + at * bpp, n});
                at += n + int(rng() % 4);
            }
            for (const RowRun& r : wantRuns)
                reference(&r, 1, params);
            fast(gotRuns.data(), int32_t(gotRuns.size()), params);
            ASSERT_EQ(got, want) << lc.name << " op " << int(op);
        }
    }
}

// The 16-bit operations done in general registers, for the runs the walks give them: every
// weight of the whole range, runs of 1..9 pixels, pixels with channel extremes and zeros.
template <class L, RowOp Op> void CheckShortRun(const LayoutCase& lc, std::mt19937& rng) {
    using Reference = void (*)(uint8_t*, const uint8_t*, int32_t, const RowParams&);
    const Reference reference = &ReferencePixels<L, Op>;
    for (uint32_t k = 0; k <= 32; ++k)
        for (uint32_t level = 0; level <= 32; ++level)
            for (int count = 1; count <= 9; ++count) {
                RowParams p;
                p.k = k;
                p.wd = 32 - level;
                p.ws = Op == RowOp::BrightenBlend ? level
                                                  : std::uniform_int_distribution<uint32_t>(0, level)(rng);
                std::vector<uint8_t> src(size_t(count) * 2), dst(size_t(count) * 2);
                FillRandom(src, rng, 2);
                FillRandom(dst, rng, 2);
                std::vector<uint8_t> want = dst, got = dst;
                reference(want.data(), src.data(), count, p);
                ShortRun16<L, Op>(got.data(), src.data(), count, p);
                ASSERT_EQ(got, want) << lc.name << " op " << int(Op) << " count " << count << " k " << k
                                     << " ws " << p.ws << " wd " << p.wd;
            }
}

template <class L> void CheckShortRuns(const LayoutCase& lc, std::mt19937& rng) {
    CheckShortRun<L, RowOp::Scale>(lc, rng);
    CheckShortRun<L, RowOp::Brighten>(lc, rng);
    CheckShortRun<L, RowOp::Blend>(lc, rng);
    CheckShortRun<L, RowOp::BlendKeyed>(lc, rng);
    CheckShortRun<L, RowOp::BrightenBlend>(lc, rng);
}

TEST(PixelRows, ShortRunsInGeneralRegistersGiveTheReferenceBytes) {
    std::mt19937 rng(4242);
    CheckShortRuns<Rgb565Traits>(kLayouts[0], rng);
    CheckShortRuns<Rgb555Traits>(kLayouts[1], rng);
}

// The 16-bit operations done in vector registers where the walk finds a run: every weight they
// take, every way of loading a run (1, 2-3, 4-7 pixels, whole vectors with an overlapping last
// one), and runs of no pixels, which the walks hand over unchecked. Each run sits alone in a buffer of
// exactly its size, so that a read or write outside it is a fault the address sanitizer reports.
template <class L, RowOp Op> void CheckVectorRun(const LayoutCase& lc, std::mt19937& rng) {
    using Reference = void (*)(uint8_t*, const uint8_t*, int32_t, const RowParams&);
    const Reference reference = &ReferencePixels<L, Op>;
    const int counts[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 15, 16, 17, 23, 24, 31, 32, 33, 47};
    for (uint32_t k = 0; k < 32; ++k)
        for (uint32_t level = 0; level < 32; ++level) {
            RowParams p;
            p.k = k;
            p.wd = 32 - level;
            p.ws =
                Op == RowOp::BrightenBlend ? level : std::uniform_int_distribution<uint32_t>(0, level)(rng);
            if (!VectorRuns16Take(Op, p.k, p.ws, p.wd)) continue;
            VectorRunSink16<L, Op> sink(p.k, p.ws, p.wd);
            for (int count : counts) {
                // A run of no pixels gets one pixel of memory that must stay as it is.
                const size_t bytes = size_t(std::max(count, 1)) * 2;
                std::vector<uint8_t> src(bytes), dst(bytes);
                FillRandom(src, rng, 2);
                FillRandom(dst, rng, 2);
                std::vector<uint8_t> want = dst;
                reference(want.data(), src.data(), count, p);
                sink.Add(dst.data(), src.data(), count);
                ASSERT_EQ(dst, want) << lc.name << " op " << int(Op) << " count " << count << " k " << k
                                     << " ws " << p.ws << " wd " << p.wd;
            }
        }
}

template <class L> void CheckVectorRuns(const LayoutCase& lc, std::mt19937& rng) {
    CheckVectorRun<L, RowOp::Scale>(lc, rng);
    CheckVectorRun<L, RowOp::Brighten>(lc, rng);
    CheckVectorRun<L, RowOp::Blend>(lc, rng);
    CheckVectorRun<L, RowOp::BlendKeyed>(lc, rng);
    CheckVectorRun<L, RowOp::BrightenBlend>(lc, rng);
}

TEST(PixelRows, RunsInVectorRegistersGiveTheReferenceBytes) {
    std::mt19937 rng(1616);
    CheckVectorRuns<Rgb565Traits>(kLayouts[0], rng);
    CheckVectorRuns<Rgb555Traits>(kLayouts[1], rng);
}

// A weight of a whole does not fit the vector multiplier: those operations stay with the row
// functions, and so do the operations the sinks do not have.
TEST(PixelRows, RunsInVectorRegistersRefuseWholeWeights) {
    EXPECT_TRUE(VectorRuns16Take(RowOp::Blend, 0, 16, 16));
    EXPECT_TRUE(VectorRuns16Take(RowOp::Brighten, 31, 0, 0));
    EXPECT_FALSE(VectorRuns16Take(RowOp::Brighten, 32, 0, 0));
    EXPECT_FALSE(VectorRuns16Take(RowOp::Scale, 32, 0, 0));
    EXPECT_FALSE(VectorRuns16Take(RowOp::Blend, 0, 0, 32));
    EXPECT_FALSE(VectorRuns16Take(RowOp::BlendKeyed, 0, 32, 0));
    EXPECT_FALSE(VectorRuns16Take(RowOp::BrightenBlend, 32, 4, 28));
    EXPECT_FALSE(VectorRuns16Take(RowOp::BrightenBlend, 8, 0, 32));
    EXPECT_FALSE(VectorRuns16Take(RowOp::Copy, 0, 0, 0));
    EXPECT_FALSE(VectorRuns16Take(RowOp::Multiply, 4, 0, 0));
}

// What a walk sends to WalkRuns arrives the same whichever way the kernel takes it: short runs
// at once, copies at once, the rest through the row function, in any mix of lengths.
TEST(PixelRows, RunsTakenWhereTheWalkFindsThemEqualTheBatch) {
    std::mt19937 rng(515);
    for (const LayoutCase& lc : kLayouts) {
        const int bpp = BytesPerPixel(lc.layout);
        for (RowOp op : {RowOp::Copy, RowOp::Scale, RowOp::Brighten, RowOp::Blend, RowOp::BlendKeyed,
                         RowOp::BrightenBlend, RowOp::Multiply}) {
            if (!SelectRowFunction(lc.layout, op, PixelPath::Reference)) continue;
            const RowParams params = RandomParams(lc, op, rng);
            const RowKernel fast = MakeRowKernel(lc.layout, op, params, PixelPath::Fast);
            const RowKernel reference = MakeRowKernel(lc.layout, op, params, PixelPath::Reference);
            EXPECT_EQ(fast.inlineRuns, HasInlineRuns(op, bpp)) << lc.name << " op " << int(op);
            EXPECT_FALSE(reference.inlineRuns);
            std::vector<uint8_t> src(700 * bpp), dst(700 * bpp);
            FillRandom(src, rng, bpp);
            FillRandom(dst, rng, bpp);
            std::vector<uint8_t> want = dst, got = dst;
            std::vector<std::pair<int, int>> runs;  // start, length: 1..12 and now and then 40..80
            for (int at = 0;;) {
                const int n = rng() % 6 == 0 ? 40 + int(rng() % 41) : 1 + int(rng() % 12);
                if (at + n > 680) break;
                runs.push_back({at, n});
                at += n + int(rng() % 3);
            }
            auto walk = [&](std::vector<uint8_t>& into) {
                return [&](auto& sink) {
                    for (const auto& [at, n] : runs)
                        sink.Add(into.data() + at * bpp, src.data() + at * bpp, n);
                };
            };
            auto run = [&](const RowKernel& kernel, std::vector<uint8_t>& into) {
                switch (bpp) {
                case 2:
                    return WalkRuns<2>(kernel, walk(into));
                case 3:
                    return WalkRuns<3>(kernel, walk(into));
                default:
                    return WalkRuns<4>(kernel, walk(into));
                }
            };
            run(reference, want);
            run(fast, got);
            ASSERT_EQ(got, want) << lc.name << " op " << int(op);
        }
    }
}

TEST(PixelRows, TintedKernelTintsTheSourceBeforeTheOperation) {
    // 5:6:5 white sprite pixel, tint 0x8410 (half of each channel), then a half blend on black.
    for (PixelPath path : {PixelPath::Reference, PixelPath::Fast}) {
        RowParams p;
        p.ws = 16;
        p.wd = 16;
        RowKernel k = MakeTintedRowKernel(PixelLayout::Rgb565, RowOp::Blend, p, 0x8410, path);
        EXPECT_FALSE(k.inlineRuns);  // the tint comes first: the row function must see every run
        std::vector<uint16_t> src(300, 0xFFFF), dst(300, 0);
        const RowRun run{reinterpret_cast<uint8_t*>(dst.data()), reinterpret_cast<const uint8_t*>(src.data()),
                         300};
        RunRowKernel(k, &run, 1);
        // tint: red 31 × 16 / 32 = 15, green 63 × 32 / 64 = 31, blue 15; halved: 7, 15, 7
        for (uint16_t v : dst)
            ASSERT_EQ(v, (7u << 11) | (15u << 5) | 7u);
    }
}

}  // namespace
