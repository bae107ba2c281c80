#include "sprites/files/sprite_bundle.h"

void* SpriteBundle::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

SpriteBundle::~SpriteBundle() {
    delete[] frameRecords;
    delete[] frames;
}
