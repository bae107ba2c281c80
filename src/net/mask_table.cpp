#include "net/mask_table.h"

#include "net/runtime_random.h"
#include "net/wire_format.h"

MaskTable::MaskTable(uint32_t count, uint32_t kind)
    : entryCount(count), allocationKind(kind), entries(nullptr), cursor(0), reserved(28) {
    entries = new uint32_t[Room()]();
    MaskTable::Reseed(kInitialSeed, 0);
}

MaskTable::~MaskTable() { delete[] entries; }

void* MaskTable::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

uint32_t MaskTable::Room() const {
    return allocationKind == kExactRoom ? entryCount : entryCount + kSpareEntries;
}

uint32_t MaskTable::FillCount(uint32_t n) const {
    if (n == 0) n = entryCount;
    const uint32_t room = Room();
    return n < room ? n : room;
}

void MaskTable::Reseed(uint32_t seed, uint32_t n) {
    RuntimeRandom random(seed);
    const uint32_t count = FillCount(n);
    for (uint32_t i = 0; i < count; ++i)
        entries[i] = random.Next();
    cursor = 0;
}

SessionMaskTable::SessionMaskTable(uint32_t count) : MaskTable(count, kExactRoom) {}

void* SessionMaskTable::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

uint32_t SessionMaskEntry(uint32_t product) {
    const uint32_t t = product ^ SendMask;
    const uint32_t quotient = t == 0 ? 0 : ReceiveMask / t;
    return t + quotient * 481u;
}

void SessionMaskTable::Reseed(uint32_t seed, uint32_t n) {
    RuntimeRandom random(seed);
    const uint32_t count = FillCount(n);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t product = random.Next();
        product *= random.Next();
        product *= random.Next();
        product *= random.Next();
        entries[i] = SessionMaskEntry(product);
    }
    cursor = 0;
}
