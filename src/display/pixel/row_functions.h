#pragma once
// The tables of row functions per implementation; SelectRowFunction chooses among them.
#include "display/pixel/rect_functions.h"
#include "display/pixel/row_kernel.h"

RowFunction ReferenceRowFunction(PixelLayout layout, RowOp op);
// Null where the build has no vector path for the layout and operation. The AVX2 functions may
// only be called on a processor that has AVX2 (see ProcessorHas).
RowFunction Sse2RowFunction16(PixelLayout layout, RowOp op);
RowFunction Sse2RowFunctionBytes(PixelLayout layout, RowOp op);
RowFunction Avx2RowFunction(PixelLayout layout, RowOp op);
// Null where AVX2 has no rectangle function for the layout and operation (see rect_functions.h);
// may only be called on a processor that has AVX2.
RectFunction Avx2RectFunction(PixelLayout layout, RowOp op);

// The vector instruction sets with row functions of their own.
enum class VectorSet { Sse2, Avx2 };

// Whether this processor (and its operating system) runs the instruction set.
bool ProcessorHas(VectorSet set);

// The function of one instruction set alone: null where that set has none for the layout and
// operation, or the processor lacks it. The fast path takes the widest one available.
RowFunction VectorRowFunction(PixelLayout layout, RowOp op, VectorSet set);
