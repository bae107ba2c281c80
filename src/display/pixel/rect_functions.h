#pragma once
// Whole rectangles of rows between two different surfaces in one call, for processors with a
// wider instruction set: the operation's weights and constants are prepared once per rectangle
// and kept in registers across its rows, and rows shorter than a wide vector may share one.
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "display/pixel/row_kernel.h"

// dst row r = op(dst row r, src row r) for width pixels of rows rows; rows are pitch bytes apart.
// Source and destination do not overlap. params.dstLimit and params.srcLimit as for the rows.
using RectFunction = void (*)(uint8_t* dst, ptrdiff_t dstPitch, const uint8_t* src, ptrdiff_t srcPitch,
                              int32_t width, int32_t rows, const RowParams& params);

// This processor's rectangle functions per layout and operation, built once after the
// processor's features are known.
struct RectFunctionTable {
    RectFunction functions[RowFunctionTable::kLayouts][RowFunctionTable::kOps] = {};
    RectFunctionTable();
};

// The table once the first FastRectFunction has built it, null before: a quick path that reads
// it leaves no call (and no registers saved for one) in its caller, and lets the first drawing
// call go the general way, which builds it.
inline std::atomic<const RectFunctionTable*> gBuiltRectFunctions{nullptr};

inline RectFunction RectFunctionOf(const RectFunctionTable& table, PixelLayout layout, RowOp op) {
    const int l = int(layout), o = int(op);
    if (l <= 0 || l >= RowFunctionTable::kLayouts || o < 0 || o >= RowFunctionTable::kOps) return nullptr;
    return table.functions[l][o];
}

// The rectangle function of this processor for a layout and operation; null where there is none
// (then the caller's own rows serve). Inline, so that the choice costs a guard check and a load.
inline RectFunction FastRectFunction(PixelLayout layout, RowOp op) {
    static const RectFunctionTable table;
    return RectFunctionOf(table, layout, op);
}
