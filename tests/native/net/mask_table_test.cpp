#include "net/mask_table.h"

#include <gtest/gtest.h>

#include <memory>

#include "wire_reference.h"

namespace {

std::vector<uint32_t> Entries(const MaskTable& table, uint32_t count) {
    return std::vector<uint32_t>(table.entries, table.entries + count);
}

TEST(MaskTable, DrawsFollowTheRuntimeGeneratorSequence) {
    // The runtime library's generator seeded with 1 starts 41, 18467, 6334, 26500, 19169.
    MaskTable table(8, MaskTable::kExactRoom);
    table.Reseed(1, 0);
    EXPECT_EQ(Entries(table, 5), (std::vector<uint32_t>{41, 18467, 6334, 26500, 19169}));
    EXPECT_EQ(Entries(table, 8), reference::Draws(1, 8));
}

TEST(MaskTable, ReseedGivesTheSameEntriesWhateverTheTableHeldBefore) {
    MaskTable first(4096, MaskTable::kRoomWithSpare);
    MaskTable second(4096, MaskTable::kRoomWithSpare);
    second.Reseed(777, 0);
    first.Reseed(0xDEADBEEF, 0);
    second.Reseed(0xDEADBEEF, 0);
    EXPECT_EQ(Entries(first, 4096), Entries(second, 4096));
    for (uint32_t i = 0; i < 4096; ++i)
        ASSERT_LT(first.entries[i], 32768u);
}

TEST(MaskTable, PartialReseedChangesOnlyTheFirstEntriesAndResetsTheCursor) {
    MaskTable table(2048, MaskTable::kRoomWithSpare);
    table.Reseed(5, 0);
    const auto before = Entries(table, 2048);
    table.cursor = 99;
    table.Reseed(6, 10);
    const auto after = Entries(table, 2048);
    EXPECT_EQ(std::vector<uint32_t>(after.begin(), after.begin() + 10), reference::Draws(6, 10));
    EXPECT_EQ(std::vector<uint32_t>(after.begin() + 10, after.end()),
              std::vector<uint32_t>(before.begin() + 10, before.end()));
    EXPECT_EQ(table.cursor, 0u);
}

TEST(MaskTable, FieldsAndRoomFollowTheAllocationKind) {
    MaskTable spare(100, MaskTable::kRoomWithSpare);
    EXPECT_EQ(spare.Room(), 1124u);
    EXPECT_EQ(spare.reserved, 28u);
    EXPECT_EQ(spare.cursor, 0u);
    // A count beyond entryCount reaches into the spare room but never past it (the sanitizer
    // watches the writes).
    spare.Reseed(3, 2000);
    EXPECT_EQ(Entries(spare, 1124), reference::Draws(3, 1124));
    MaskTable exact(100, MaskTable::kExactRoom);
    EXPECT_EQ(exact.Room(), 100u);
    exact.Reseed(3, 101);
    EXPECT_EQ(Entries(exact, 100), reference::Draws(3, 100));
}

TEST(SessionMaskTable, EntriesMixFourDrawsAndUseAllBits) {
    SessionMaskTable table(2048);
    table.Reseed(0x12345678, 0);
    EXPECT_EQ(Entries(table, 2048), reference::SessionTable(0x12345678, 2048));
    uint32_t highBits = 0;
    for (uint32_t i = 0; i < 2048; ++i)
        highBits |= table.entries[i];
    EXPECT_EQ(highBits & 0xFFFF0000u, 0xFFFF0000u);
    EXPECT_EQ(table.allocationKind, MaskTable::kExactRoom);
}

TEST(SessionMaskTable, SameSeedSameTableAndPartialReseed) {
    SessionMaskTable a(2048);
    SessionMaskTable b(2048);
    a.Reseed(42, 0);
    b.Reseed(43, 0);
    b.Reseed(42, 0);
    EXPECT_EQ(Entries(a, 2048), Entries(b, 2048));
    const auto before = Entries(a, 2048);
    a.Reseed(9, 10);
    EXPECT_EQ(Entries(a, 10), reference::SessionTable(9, 10));
    EXPECT_EQ(a.entries[10], before[10]);
    EXPECT_EQ(a.entries[2047], before[2047]);
}

TEST(SessionMaskTable, AProductEqualToTheSendMaskGivesEntryZero) {
    // Nothing is left to divide by; the quotient is defined as 0.
    EXPECT_EQ(SessionMaskEntry(0x5A3C9E71), 0u);
    // Elsewhere: t + (ReceiveMask / t) * 481 with t = product XOR SendMask.
    EXPECT_EQ(SessionMaskEntry(0x5A3C9E70), 1u + 0xC4D2B86Fu * 481u);
    EXPECT_EQ(SessionMaskEntry(0), 0x5A3C9E71u + (0xC4D2B86Fu / 0x5A3C9E71u) * 481u);
}

TEST(MaskTable, DestructionThroughSlotZeroFreesTheDerivedTable) {
    MaskTable* table = new SessionMaskTable(16);
    table->Reseed(1, 0);
    EXPECT_EQ(table->entries[0], reference::SessionTable(1, 1)[0]);
    EXPECT_EQ(table->DeletingDestructor(kDeleteMemory), table);
}

}  // namespace
