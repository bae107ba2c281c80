#pragma once
// The per-pixel operations of surface drawing and sprite rendering, applied to runs of pixels.
//
// Every blend the system draws is one of the operations below with weights worked out once per
// call; the walks (surface rectangles, sprite rows and runs) only hand runs of pixels to them.
// In the formulas, per channel: s source, d destination, M the channel's largest value, n its
// bits, scale(v, k) = v × k / one and brighten(v, k) = v + scale(M − v, k), where one is 32 on
// 16-bit layouts and 256 on the others (see pixel_layouts.h). Divisions drop the remainder.
#include <cstdint>

#include "display/display_format.h"

// Which implementation to run: the scalar reference, written channel by channel, or the fast
// vector paths, which must give the same bytes.
enum class PixelPath { Reference, Fast };

enum class RowOp : uint8_t {
    Copy,           // s
    Scale,          // scale(s, k)
    Brighten,       // brighten(s, k)
    Blend,          // scale(s, ws) + scale(d, wd)
    BlendKeyed,     // as Blend, but a source pixel of value 0 is first replaced by d
    BrightenBlend,  // scale(brighten(s, k), ws) + scale(d, wd)
    Screen,         // d + (M − d) × s × k / (2^n × one)
    ProductAdd,     // min(M, d + d × scale(s, k) / 2^q), q per channel; 16-bit layouts only
    Multiply,       // brighten(s, k) × d / 2^n
    Tint,           // s × t / 2^n, t the colour's channel
    FillBlend,      // scale(d, wd) + c, c the colour's channel; reads no source
};

struct RowParams {
    uint32_t k = 0;
    uint32_t ws = 0;
    uint32_t wd = 0;
    uint32_t colour = 0;  // a pixel value of the layout
    // Where the memory around the rows ends: a row shorter than a vector may then be read as a
    // whole vector instead of in pieces (what lies after it is read, never written). Null when
    // nothing past a row may be read.
    const uint8_t* dstLimit = nullptr;
    const uint8_t* srcLimit = nullptr;
};

// A run of pixels to apply an operation to: dst[i] = op(dst[i], src[i]) for i < count.
struct RowRun {
    uint8_t* dst;
    const uint8_t* src;
    int32_t count;
};

// Applies one operation to a list of runs, in order. Taking many runs per call keeps the cost
// of a call and of preparing the operation away from short runs and small rectangles.
using RowFunction = void (*)(const RowRun* runs, int32_t runCount, const RowParams& params);

// Every layout's row functions per path, built once after the processor's features are known.
struct RowFunctionTable {
    static constexpr int kLayouts = 5;  // PixelLayout values None..Rgb32
    static constexpr int kOps = int(RowOp::FillBlend) + 1;
    RowFunction reference[kLayouts][kOps] = {};
    RowFunction fast[kLayouts][kOps] = {};
    RowFunctionTable();
};

// Inline, so that choosing a row function in a drawing call costs a guard check and a load.
inline const RowFunctionTable& RowFunctions() {
    static const RowFunctionTable table;
    return table;
}

// The implementation of an operation for a layout; null where the operation does not exist
// (product-add on 24/32-bit layouts) or the layout is None.
inline RowFunction SelectRowFunction(PixelLayout layout, RowOp op, PixelPath path) {
    const int l = int(layout), o = int(op);
    if (l <= 0 || l >= RowFunctionTable::kLayouts || o < 0 || o >= RowFunctionTable::kOps) return nullptr;
    return path == PixelPath::Reference ? RowFunctions().reference[l][o] : RowFunctions().fast[l][o];
}

// The operations that short runs of 16-bit pixels may take in general registers instead of
// through the row function (see short_runs16.h).
constexpr bool HasShortRun16(RowOp op) {
    return op == RowOp::Scale || op == RowOp::Brighten || op == RowOp::Blend || op == RowOp::BlendKeyed ||
           op == RowOp::BrightenBlend;
}

// Whether the fast path may do some runs where the walk finds them instead of through the row
// function: copies on every layout, the operations above on 16-bit layouts.
constexpr bool HasInlineRuns(RowOp op, int32_t bytesPerPixel) {
    return op == RowOp::Copy || (bytesPerPixel == 2 && HasShortRun16(op));
}

// An operation ready to run on the runs of one drawing call. With tintFirst the source is
// tinted by params.colour before the operation sees it (tinted sprites drawn with alpha or
// effect); run then uses no colour of its own. inlineRuns says that the walk may do some runs
// where it finds them (HasInlineRuns; fast path, no tint first).
struct RowKernel {
    RowFunction run = nullptr;
    RowFunction tintFirst = nullptr;
    RowParams params;
    int32_t bytesPerPixel = 0;
    PixelLayout layout = PixelLayout::None;
    RowOp op = RowOp::Copy;
    bool inlineRuns = false;
};

// Inline, so that a drawing call builds its kernel in place from the weights it has just worked
// out, with no copy of the parameters through memory.
inline RowKernel MakeRowKernel(PixelLayout layout, RowOp op, const RowParams& params, PixelPath path) {
    RowKernel kernel;
    kernel.run = SelectRowFunction(layout, op, path);
    kernel.params = params;
    kernel.bytesPerPixel = BytesPerPixel(layout);
    kernel.layout = layout;
    kernel.op = op;
    kernel.inlineRuns = path == PixelPath::Fast && HasInlineRuns(op, kernel.bytesPerPixel);
    return kernel;
}
RowKernel MakeTintedRowKernel(PixelLayout layout, RowOp op, const RowParams& params, uint32_t tint,
                              PixelPath path);

void RunTintedRowKernel(const RowKernel& kernel, const RowRun* runs, int32_t runCount);

inline void RunRowKernel(const RowKernel& kernel, const RowRun* runs, int32_t runCount) {
    if (kernel.tintFirst)
        RunTintedRowKernel(kernel, runs, runCount);
    else
        kernel.run(runs, runCount, kernel.params);
}

// Collects the runs of a drawing call and hands them to the kernel in batches.
class RowBatch {
  public:
    explicit RowBatch(const RowKernel& kernel) : kernel_(kernel) {}
    ~RowBatch() { Flush(); }
    RowBatch(const RowBatch&) = delete;
    RowBatch& operator=(const RowBatch&) = delete;

    void Add(uint8_t* dst, const uint8_t* src, int32_t count) {
        runs_[size_++] = RowRun{dst, src, count};
        if (size_ == kCapacity) Flush();
    }
    void Flush() {
        if (size_ > 0) RunRowKernel(kernel_, runs_, size_);
        size_ = 0;
    }

  private:
    static constexpr int32_t kCapacity = 64;
    const RowKernel& kernel_;
    RowRun runs_[kCapacity];
    int32_t size_ = 0;
};
