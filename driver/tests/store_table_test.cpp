// The image table and the layout of the store image.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "driver_state.h"
#include "store_table.h"

namespace {

using namespace zentdrv;

struct Table {
    std::array<BYTE, kImageTableBytes> bytes{};
    std::array<int, kItemCount> widths{};
    std::array<int, kItemCount> heights{};
    int parse() { return ParseImageTable(bytes.data(), widths.data(), heights.data()); }
};

TEST(StoreTable, ClassesAreSizedCountedAndClearedUpToTheEndMark) {
    Table t;
    t.bytes.fill(0x0F);
    t.bytes[0] = 0x0F;
    t.bytes[1] = 0x2F;
    t.bytes[2] = 0x1F;
    t.bytes[3] = 0x70;
    t.bytes[4] = 0x2B;  // after the end mark: not interpreted
    EXPECT_EQ(t.parse(), 2);
    EXPECT_EQ(t.bytes[0], 0x00);
    EXPECT_EQ(t.bytes[1], 0x20);
    EXPECT_EQ(t.bytes[2], 0x10);
    EXPECT_EQ(t.bytes[3], 0x70);
    EXPECT_EQ(t.bytes[4], 0x2B);
    EXPECT_EQ(t.widths[0], 320);
    EXPECT_EQ(t.heights[0], 240);
    EXPECT_EQ(t.widths[1], 160);
    EXPECT_EQ(t.heights[1], 120);
    EXPECT_EQ(t.widths[2], 0);
    EXPECT_EQ(t.heights[2], 0);
    EXPECT_EQ(t.widths[4], 0);
}

TEST(StoreTable, EndMarkFirstMeansAnEmptyStore) {
    for (BYTE first : {BYTE{0x70}, BYTE{0xF0}, BYTE{0x7F}, BYTE{0xFF}}) {
        Table t;
        t.bytes[0] = first;
        EXPECT_EQ(t.parse(), 0) << int(first);
        EXPECT_EQ(t.bytes[0], first & 0xF0);
        EXPECT_EQ(t.widths[0], 0);
    }
}

TEST(StoreTable, ClipBitsPassThrough) {
    Table t;
    t.bytes[0] = 0xC5;  // clip marker + V8, 320 x 240
    t.bytes[1] = 0x63;  // V8, 160 x 120
    t.bytes[2] = 0xF0;
    EXPECT_EQ(t.parse(), 2);
    EXPECT_EQ(t.bytes[0], 0xC0);
    EXPECT_EQ(t.bytes[1], 0x60);
    EXPECT_EQ(t.widths[1], 160);
}

TEST(StoreTable, ItemOffsetsSumEarlierItemsAndTheSmallItemFiller) {
    Table t;
    t.bytes = {0x00, 0x20, 0x10, 0x00, 0x70};
    t.parse();
    EXPECT_EQ(ItemOffset(t.widths.data(), t.heights.data(), 0), 0);
    EXPECT_EQ(ItemOffset(t.widths.data(), t.heights.data(), 1), 76800);
    EXPECT_EQ(ItemOffset(t.widths.data(), t.heights.data(), 2), 96256);
    EXPECT_EQ(ItemOffset(t.widths.data(), t.heights.data(), 3), 96256);  // 0 x 0 adds nothing
}

// A driver state with the table's sizes (the state record is too large for the stack).
DriverState& stateWith(const Table& t) {
    static DriverState st;
    for (int i = 0; i < kItemCount; ++i) {
        st.itemWidth[i] = t.widths[i];
        st.itemHeight[i] = t.heights[i];
    }
    return st;
}

TEST(StoreTable, CorruptTablesNeverLocateAnItemOutsideTheStoreImage) {
    // Every byte 0x00: no end mark, 256 items of 320 x 240, but only 109 fit the store image.
    Table zeros;
    EXPECT_EQ(zeros.parse(), 256);
    DriverState& st = stateWith(zeros);
    StoredItem item{};
    ASSERT_TRUE(LocateItem(st, 108, item));
    EXPECT_EQ(item.offset, 108 * 76800);
    EXPECT_LE(item.offset + 76800, kStoreImageBytes);
    EXPECT_FALSE(LocateItem(st, 109, item));
    EXPECT_FALSE(LocateItem(st, 255, item));
    EXPECT_FALSE(LocateItem(st, 256, item));
    EXPECT_FALSE(LocateItem(st, -1, item));

    // Sizes 0x10 and 0x30 only, no end mark: nothing counted, nothing located.
    Table empty;
    for (int i = 0; i < kImageTableBytes; ++i) empty.bytes[i] = (i & 1) ? 0x3A : 0x15;
    EXPECT_EQ(empty.parse(), 0);
    DriverState& st2 = stateWith(empty);
    for (int i = 0; i < kImageTableBytes; ++i) EXPECT_FALSE(LocateItem(st2, i, item)) << i;

    // Small items only (160 x 120 + 256 filler bytes each): all 256 fit.
    Table small;
    small.bytes.fill(0x20);
    EXPECT_EQ(small.parse(), 256);
    DriverState& st3 = stateWith(small);
    ASSERT_TRUE(LocateItem(st3, 255, item));
    EXPECT_EQ(item.offset, 255 * (19200 + 256));
    EXPECT_EQ(item.width, 160);
}

}  // namespace
