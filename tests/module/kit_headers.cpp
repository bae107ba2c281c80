// Compiles the kit's headers on their own, so that their layout checks run under every compiler
// the kit supports even before a module source uses them.
#include "tidemarch/controls.h"
#include "tidemarch/net.h"
#include "tidemarch/records.h"
#include "tidemarch/sound.h"
#include "tidemarch/sprite_controls.h"
#include "tidemarch/sprites.h"
