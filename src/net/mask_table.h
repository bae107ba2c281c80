#pragma once
// Tables of 32-bit masks filled from a seed, so that two ends that agree on the seed hold the same
// masks. MaskTable keeps raw generator values (0 to 32767); SessionMaskTable mixes four draws per
// entry into a full 32-bit value and is the table of the keyed connection checksums. Users reduce
// their index modulo entryCount.
//
// Shared with the game module; the layout must not change:
//
//   offset  field
//   0       virtual table: slot 0 deleting destructor, slot 1 Reseed
//   4       entryCount      entries in use
//   8       allocationKind  0: room for entryCount + 1024 entries; 1: room for exactly entryCount
//   12      entries         owned
//   16      cursor          0 after every fill, not otherwise used by the host
//   20      reserved        28, not read by the host
#include <cstdint>

#include "common/deleting_destructor.h"
#include "common/layout_check.h"

class MaskTable {
  public:
    static constexpr uint32_t kRoomWithSpare = 0;
    static constexpr uint32_t kExactRoom = 1;
    static constexpr uint32_t kSpareEntries = 1024;
    // The content before the first Reseed has no meaning; every user reseeds before use.
    static constexpr uint32_t kInitialSeed = 1;

    MaskTable(uint32_t entryCount, uint32_t allocationKind);
    MaskTable(const MaskTable&) = delete;
    MaskTable& operator=(const MaskTable&) = delete;

    virtual void* DeletingDestructor(uint32_t flags);
    // Refills the first n entries (all entryCount entries when n is 0) from the seed and sets the
    // cursor to 0. A count beyond the allocated room is cut to the room.
    virtual void Reseed(uint32_t seed, uint32_t n);

    uint32_t Entry(uint32_t index) const { return entryCount ? entries[index % entryCount] : 0; }
    // Entries the allocation holds, which may exceed entryCount.
    uint32_t Room() const;

    uint32_t entryCount;
    uint32_t allocationKind;
    uint32_t* entries;
    uint32_t cursor;
    uint32_t reserved;

    ~MaskTable();

  protected:
    uint32_t FillCount(uint32_t n) const;
};

class SessionMaskTable : public MaskTable {
  public:
    explicit SessionMaskTable(uint32_t entryCount);

    void* DeletingDestructor(uint32_t flags) override;
    void Reseed(uint32_t seed, uint32_t n) override;
};

// One session table entry from the wrapping product of four draws. The product can equal SendMask,
// which leaves nothing to divide by: that quotient is defined as 0, so the entry is 0. Peers must
// apply the same rule.
uint32_t SessionMaskEntry(uint32_t product);

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_SIZE(MaskTable, 24);
TIDEMARCH_CHECK_OFFSET(MaskTable, entryCount, 4);
TIDEMARCH_CHECK_OFFSET(MaskTable, allocationKind, 8);
TIDEMARCH_CHECK_OFFSET(MaskTable, entries, 12);
TIDEMARCH_CHECK_OFFSET(MaskTable, cursor, 16);
TIDEMARCH_CHECK_OFFSET(MaskTable, reserved, 20);
TIDEMARCH_CHECK_SIZE(SessionMaskTable, 24);
TIDEMARCH_LAYOUT_CHECKS_END
#endif
