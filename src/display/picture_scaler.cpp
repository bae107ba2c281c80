#include "display/picture_scaler.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint32_t kWeightOne = 256;
constexpr int32_t kColours = 65536;
constexpr uint32_t kRedBlue = 0x00FF00FF;
constexpr uint32_t kGreen = 0x0000FF00;

uint32_t Widen(uint32_t value, int bits) { return (value << (8 - bits)) | (value >> (2 * bits - 8)); }

// The two channels red and blue, then green, blended in one multiply each.
uint32_t Blend(uint32_t a, uint32_t b, uint32_t weightOfB) {
    const uint32_t weightOfA = kWeightOne - weightOfB;
    const uint32_t redBlue = (((a & kRedBlue) * weightOfA + (b & kRedBlue) * weightOfB) >> 8) & kRedBlue;
    const uint32_t green = (((a & kGreen) * weightOfA + (b & kGreen) * weightOfB) >> 8) & kGreen;
    return redBlue | green;
}

int32_t Nearest(int32_t d, int32_t destination, int32_t source) {
    return int32_t(int64_t(d) * source / destination);
}
}  // namespace

void PictureScaler::Prepare(Size source, Size destination, bool rgb565, ScaleFilter filter) {
    source_ = source;
    destination_ = destination;
    filter_ = filter;
    colours_.resize(kColours);
    for (int32_t p = 0; p < kColours; ++p) {
        const uint32_t r = rgb565 ? Widen((p >> 11) & 0x1F, 5) : Widen((p >> 10) & 0x1F, 5);
        const uint32_t g = rgb565 ? Widen((p >> 5) & 0x3F, 6) : Widen((p >> 5) & 0x1F, 5);
        const uint32_t b = Widen(p & 0x1F, 5);
        colours_[size_t(p)] = (r << 16) | (g << 8) | b;
    }
    auto taps = [filter](int32_t destinationLength, int32_t sourceLength) {
        std::vector<Tap> t(size_t(std::max(destinationLength, 0)));
        for (int32_t d = 0; d < destinationLength; ++d) {
            if (filter == ScaleFilter::Nearest) {
                const int32_t s = Nearest(d, destinationLength, sourceLength);
                t[size_t(d)] = Tap{s, s, 0};
                continue;
            }
            // The destination pixel's centre in source pixels, less half a pixel, in 1/256ths.
            const int64_t centre =
                ((2 * int64_t(d) + 1) * sourceLength * kWeightOne) / (2 * int64_t(destinationLength)) -
                kWeightOne / 2;
            const int64_t clamped = std::clamp<int64_t>(centre, 0, int64_t(sourceLength - 1) * kWeightOne);
            const int32_t first = int32_t(clamped / kWeightOne);
            const int32_t second = std::min(first + 1, sourceLength - 1);
            t[size_t(d)] = Tap{first, second, uint32_t(clamped % kWeightOne)};
        }
        return t;
    };
    const bool empty =
        source.width <= 0 || source.height <= 0 || destination.width <= 0 || destination.height <= 0;
    columns_ = empty ? std::vector<Tap>{} : taps(destination.width, source.width);
    rows_ = empty ? std::vector<Tap>{} : taps(destination.height, source.height);
    for (std::vector<uint32_t>& row : across_)
        row.assign(size_t(std::max(destination.width, 0)), 0);
    acrossRow_[0] = acrossRow_[1] = -1;
}

PictureScaler::Span PictureScaler::Covering(const std::vector<Tap>& taps, int32_t from, int32_t to) {
    Span span{0, 0};
    bool found = false;
    for (int32_t d = 0; d < int32_t(taps.size()); ++d) {
        const Tap& t = taps[size_t(d)];
        if (!((t.first >= from && t.first < to) || (t.second >= from && t.second < to))) continue;
        if (!found) span.first = d;
        found = true;
        span.last = d + 1;
    }
    return span;
}

Rect PictureScaler::DestinationOf(const Rect& source) const {
    const Span columns = Covering(columns_, source.left, source.right);
    const Span rows = Covering(rows_, source.top, source.bottom);
    if (columns.last <= columns.first || rows.last <= rows.first) return Rect{0, 0, 0, 0};
    return Rect{columns.first, rows.first, columns.last, rows.last};
}

const uint32_t* PictureScaler::HorizontalRow(const uint8_t* source, int32_t sourcePitch, int32_t row,
                                             Span columns) {
    for (int i = 0; i < 2; ++i)
        if (acrossRow_[i] == row) return across_[i].data();
    // The older of the two makes room: rows are asked for from the top down.
    const int slot = acrossRow_[0] < acrossRow_[1] ? 0 : 1;
    const auto* pixels = reinterpret_cast<const uint16_t*>(source + int64_t(row) * sourcePitch);
    uint32_t* out = across_[slot].data();
    for (int32_t d = columns.first; d < columns.last; ++d) {
        const Tap& t = columns_[size_t(d)];
        out[d] = Blend(colours_[pixels[t.first]], colours_[pixels[t.second]], t.weight);
    }
    acrossRow_[slot] = row;
    return out;
}

Rect PictureScaler::Scale(const uint8_t* source, int32_t sourcePitch, uint8_t* destination,
                          int32_t destinationPitch, const Rect& area) {
    const Rect to = DestinationOf(area);
    const Span columns{to.left, to.right};
    const size_t rowBytes = size_t(to.Width()) * sizeof(uint32_t);
    acrossRow_[0] = acrossRow_[1] = -1;  // the source may have changed since the last call
    for (int32_t d = to.top; d < to.bottom; ++d) {
        auto* out = reinterpret_cast<uint32_t*>(destination + int64_t(d) * destinationPitch);
        const Tap& t = rows_[size_t(d)];
        if (filter_ == ScaleFilter::Nearest) {
            if (d > to.top && rows_[size_t(d - 1)].first == t.first) {
                std::memcpy(
                    out + to.left,
                    reinterpret_cast<const uint32_t*>(destination + int64_t(d - 1) * destinationPitch) +
                        to.left,
                    rowBytes);
                continue;
            }
            const auto* pixels = reinterpret_cast<const uint16_t*>(source + int64_t(t.first) * sourcePitch);
            for (int32_t x = to.left; x < to.right; ++x)
                out[x] = colours_[pixels[columns_[size_t(x)].first]];
            continue;
        }
        const uint32_t* upper = HorizontalRow(source, sourcePitch, t.first, columns);
        const uint32_t* lower = HorizontalRow(source, sourcePitch, t.second, columns);
        for (int32_t x = to.left; x < to.right; ++x)
            out[x] = Blend(upper[x], lower[x], t.weight);
    }
    return to;
}
