// Compiles the kit's declaration-only headers on their own, so that their layout checks run
// under every compiler the kit supports even before a module source uses them.
#include "tidemarch/sound.h"
#include "tidemarch/sprites.h"
