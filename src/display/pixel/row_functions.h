#pragma once
// The tables of row functions per implementation; SelectRowFunction chooses among them.
#include "display/pixel/row_kernel.h"

RowFunction ReferenceRowFunction(PixelLayout layout, RowOp op);
// Null where the build has no vector path for the layout and operation.
RowFunction Sse2RowFunction16(PixelLayout layout, RowOp op);
RowFunction Sse2RowFunctionBytes(PixelLayout layout, RowOp op);
