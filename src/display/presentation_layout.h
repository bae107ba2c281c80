#pragma once
// Where the game's picture goes on a desktop in each presentation mode, and where a pointer on
// that picture is in the game's own coordinates. Plain arithmetic, shared by the present, the
// window's placement and the pointer.
#include "common/geometry.h"
#include "display/presentation_choice.h"

// The picture's rectangle, centred in a space of the given size: the game's size times the scale,
// or fitted (aspect kept, sides rounded to the nearest pixel) when that multiple does not fit
// the space; integer is the largest whole multiple that fits, or fitted when not even the
// picture's own size does. Empty when the space is.
Rect PlacePicture(Size game, Size space, PictureScale scale);

struct PresentationLayout {
    Rect window;   // the window's outer rectangle on the desktop
    Rect picture;  // where the picture is shown, in the window's client area
};

// The window and picture of a mode on a desktop. frame is how much a framed window's outer size
// exceeds its client area. Full screen: the window covers the game's own size at the desktop's
// corner and the picture fills it. Borderless: the window covers the desktop and the picture is
// placed in it with black bars around. Window: the client area is the picture, scaled within the
// desktop less the frame, and the window is centred on the desktop (its corner never above or
// left of the desktop's).
PresentationLayout ArrangePresentation(PresentationMode mode, PictureScale scale, Size game, Size desktop,
                                       Size frame);

// The game pixel under a point of the client area: the point taken back through the picture's
// scale and place, and held to the picture's edges (a point on the bars or outside the window
// is at the nearest edge pixel). (0, 0) for an empty picture.
Point PointerInPicture(Point client, const Rect& picture, Size game);
