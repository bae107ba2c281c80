#include "sprites/renderers/prepared_runs.h"

#include <cstddef>
#include <cstring>
#include <limits>
#include <new>

#include "display/pixel/vector_runs16.h"
#include "sprites/renderers/sprite_walks.h"

namespace {
using run_data::kMarkBit;
using run_data::kRowMark;
using run_data::kRunHeaderBytes;
constexpr int32_t kBytesPerPixel = 2;
constexpr size_t kLargestField = std::numeric_limits<uint16_t>::max();

// The class of a run of whole pixels: the piece that loads and stores it.
RunClass ClassOf(size_t bytes) {
    if (bytes >= run_pieces16::kVector) return RunClass::Vectors;
    if (bytes >= run_pieces16::kHalves) return RunClass::Halves;
    if (bytes >= run_pieces16::kPair) return RunClass::Pair;
    return RunClass::Pixel;
}

// Goes through the runs that a drawing showing the whole sprite draws, in the walk's order and
// with its rules for marks and for data that ends early, calling take(run) for each run with
// pixels. False when the data holds what the list cannot stand for: a run reaching past the
// sprite's right edge (the walk clips it to the visible bytes, which a list made once cannot
// know), or a position too large for the list's fields.
template <class Take>
bool ForEachShownRun(const uint8_t* data, size_t size, int32_t width, int32_t height, Take&& take) {
    const size_t rowBytes = size_t(width) * kBytesPerPixel;
    size_t at = 0;
    size_t column = 0;
    int32_t row = 0;
    while (size - at >= kRunHeaderBytes) {
        uint16_t word;
        std::memcpy(&word, data + at, 2);
        if (word & kMarkBit) {
            if (word != kRowMark || ++row == height) return true;
            at += 2;
            column = 0;
            continue;
        }
        uint16_t count;
        std::memcpy(&count, data + at + 3, 2);  // after the skip and the flag byte
        const size_t pixels = at + kRunHeaderBytes;
        if (size - pixels < count) return true;  // a run past the buffer ends the drawing
        at = pixels + count;
        // The column stays within the row between runs, so these sums cannot wrap around.
        column += word;
        if (column + count > rowBytes) return false;
        const size_t whole = count & ~size_t(kBytesPerPixel - 1);
        if (whole > 0) {
            if (pixels > kLargestField) return false;
            take(PreparedRun{0, uint16_t(whole), uint16_t(pixels), uint16_t(row), uint16_t(column)});
        }
        column += count;
    }
    return true;
}

PreparedRuns* MakeList(const SpriteRenderer& sprite) {
    if (sprite.width <= 0 || sprite.height <= 0 || sprite.height > kPreparedMaxRows ||
        sprite.width > kPreparedMaxRowBytes / kBytesPerPixel)
        return nullptr;
    const uint8_t* data = sprite.pixelData;
    const size_t size = SpriteRenderer::PixelDataSize(data);
    uint32_t perClass[kRunClasses] = {};
    if (!ForEachShownRun(data, size, sprite.width, sprite.height,
                         [&](const PreparedRun& run) { ++perClass[int(ClassOf(run.bytes))]; }))
        return nullptr;
    uint32_t total = 0;
    for (uint32_t n : perClass)
        total += n;
    const size_t bytes = offsetof(PreparedRuns, runs) + sizeof(PreparedRun) * (total > 0 ? total : 1);
    auto* list = reinterpret_cast<PreparedRuns*>(new (std::nothrow) uint8_t[bytes]);
    if (!list) return nullptr;
    list->width = sprite.width;
    list->height = sprite.height;
    list->pitch = 0;
    uint32_t next[kRunClasses];
    uint32_t end = 0;
    for (int32_t c = 0; c < kRunClasses; ++c) {
        next[c] = end;
        end += perClass[c];
        list->classEnd[c] = end;
    }
    ForEachShownRun(data, size, sprite.width, sprite.height,
                    [&](const PreparedRun& run) { list->runs[next[int(ClassOf(run.bytes))]++] = run; });
    return list;
}
}  // namespace

bool LayOutAgain(PreparedRuns& list, int64_t pitch) {
    // The offsets of the last row must fit, whichever way the pitch points.
    constexpr int64_t kLargestOffset = std::numeric_limits<int32_t>::max();
    if (pitch > kLargestOffset / kPreparedMaxRows || pitch < -kLargestOffset / kPreparedMaxRows) return false;
    for (PreparedRun* run = list.runs; run != list.runs + list.classEnd[kRunClasses - 1]; ++run)
        run->offset = int32_t(run->row * pitch + run->column);
    list.pitch = pitch;
    return true;
}

PreparedRuns* PrepareRuns16(const SpriteRenderer& sprite) {
    PreparedRuns* list = MakeList(sprite);
    SpriteRenderer::SetPreparedRunsSlot(sprite.pixelData,
                                        list ? reinterpret_cast<uintptr_t>(list) : kNoPreparedRuns);
    return list;
}

void PrepareRunsAhead(const SpriteRenderer& sprite, PixelLayout layout, SpriteKind kind) {
    if (kind != SpriteKind::Rle2 || BytesPerPixel(layout) != kBytesPerPixel || !sprite.pixelData) return;
    if (SpriteRenderer::PreparedRunsSlot(sprite.pixelData) == 0) PrepareRuns16(sprite);
}

void ReleasePreparedRuns(uintptr_t slot) {
    if (slot > kNoPreparedRuns) delete[] reinterpret_cast<uint8_t*>(slot);
}
