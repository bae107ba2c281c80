#include "sprites/renderers/sprite_draw.h"

// The walks and the pixel operations land next; until then nothing is drawn.
void DrawSprite(const SpriteRenderer&, SpriteClass, Surface*, int32_t, int32_t, Rect, SpriteBlend,
                PixelPath) {}
