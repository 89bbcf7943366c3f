// The image table: classes, counting, the end mark and item offsets.
#include <gtest/gtest.h>

#include <array>

#include "store_table.h"

namespace {

using namespace zentdrv;

struct Table {
    std::array<BYTE, kImageTableBytes> bytes{};
    std::array<int, kItemCount> w{}, h{};
    int parse() { return ParseImageTable(bytes.data(), w.data(), h.data()); }
};

TEST(StoreTable, ClassesAreSizedCountedAndClearedUpToTheEndMark) {
    Table t;
    t.bytes = {0x0F, 0x2F, 0x1F, 0x70, 0x2B};
    EXPECT_EQ(t.parse(), 2);
    EXPECT_EQ(t.bytes, (decltype(t.bytes){0x00, 0x20, 0x10, 0x70, 0x2B}));  // 0x2B: past the end
    EXPECT_EQ((std::array{t.w[0], t.h[0], t.w[1], t.h[1], t.w[2], t.h[2], t.w[4]}),
              (std::array{320, 240, 160, 120, 0, 0, 0}));
    EXPECT_EQ(ItemOffset(t.w.data(), t.h.data(), 2), 96256);  // 76800 + 19200 + 256
    EXPECT_EQ(ItemOffset(t.w.data(), t.h.data(), 3), 96256);  // the 0 x 0 item adds nothing

    for (BYTE first : {BYTE{0x70}, BYTE{0xF0}, BYTE{0xFF}}) {
        Table e;
        e.bytes[0] = first;
        EXPECT_EQ(e.parse(), 0);
    }
}

TEST(StoreTable, TableWithoutSamplesOrEndMarkLocatesNothing) {
    Table t;
    for (int i = 0; i < kImageTableBytes; ++i) t.bytes[i] = (i & 1) ? 0x3A : 0x15;
    EXPECT_EQ(t.parse(), 0);
    static DriverState st;  // too large for the stack
    std::copy(t.w.begin(), t.w.end(), st.itemWidth);
    std::copy(t.h.begin(), t.h.end(), st.itemHeight);
    StoredItem item{};
    for (int i = -1; i <= kImageTableBytes; ++i) EXPECT_FALSE(LocateItem(st, i, item)) << i;
}

}  // namespace
