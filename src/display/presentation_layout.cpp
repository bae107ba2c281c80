#include "display/presentation_layout.h"

#include <algorithm>
#include <cstdint>

namespace {
int32_t Multiple(PictureScale scale, Size game, Size space) {
    switch (scale) {
    case PictureScale::Single:
        return 1;
    case PictureScale::Double:
        return 2;
    case PictureScale::Integer:
        return std::min(space.width / game.width, space.height / game.height);
    case PictureScale::Fit:
        break;
    }
    return 0;
}

// The largest size with the game's aspect inside the space; the side that is not the space's
// own is rounded to the nearest pixel, which never passes the space.
Size Fitted(Size game, Size space) {
    const int64_t gw = game.width, gh = game.height;
    if (int64_t(space.width) * gh <= int64_t(space.height) * gw)
        return Size{space.width, int32_t((2 * int64_t(space.width) * gh + gw) / (2 * gw))};
    return Size{int32_t((2 * int64_t(space.height) * gw + gh) / (2 * gh)), space.height};
}

Rect Centred(Size picture, Size space) {
    const int32_t left = (space.width - picture.width) / 2;
    const int32_t top = (space.height - picture.height) / 2;
    return Rect{left, top, left + picture.width, top + picture.height};
}

// (value - from) * to / over, rounded down and held to [0, to - 1].
int32_t Back(int32_t value, int32_t from, int32_t over, int32_t to) {
    const int64_t offset = int64_t(value) - from;
    if (offset <= 0) return 0;
    return int32_t(std::min<int64_t>(offset * to / over, to - 1));
}
}  // namespace

Rect PlacePicture(Size game, Size space, PictureScale scale) {
    if (game.width <= 0 || game.height <= 0 || space.width <= 0 || space.height <= 0) return Rect{0, 0, 0, 0};
    const int32_t n = Multiple(scale, game, space);
    Size picture{int32_t(int64_t(game.width) * n), int32_t(int64_t(game.height) * n)};
    if (n < 1 || picture.width > space.width || picture.height > space.height) picture = Fitted(game, space);
    return Centred(picture, space);
}

PresentationLayout ArrangePresentation(PresentationMode mode, PictureScale scale, Size game, Size desktop,
                                       Size frame) {
    switch (mode) {
    case PresentationMode::FullScreen:
        return PresentationLayout{Rect{0, 0, game.width, game.height}, Rect{0, 0, game.width, game.height}};
    case PresentationMode::Borderless:
        return PresentationLayout{Rect{0, 0, desktop.width, desktop.height},
                                  PlacePicture(game, desktop, scale)};
    case PresentationMode::Window:
        break;
    }
    const Size space{desktop.width - frame.width, desktop.height - frame.height};
    const Rect placed = PlacePicture(game, space, scale);
    const Rect picture{0, 0, placed.Width(), placed.Height()};
    const Size outer{picture.right + frame.width, picture.bottom + frame.height};
    const int32_t left = std::max(0, (desktop.width - outer.width) / 2);
    const int32_t top = std::max(0, (desktop.height - outer.height) / 2);
    return PresentationLayout{Rect{left, top, left + outer.width, top + outer.height}, picture};
}

Point PointerInPicture(Point client, const Rect& picture, Size game) {
    if (picture.IsEmpty() || game.width <= 0 || game.height <= 0) return Point{0, 0};
    return Point{Back(client.x, picture.left, picture.Width(), game.width),
                 Back(client.y, picture.top, picture.Height(), game.height)};
}
