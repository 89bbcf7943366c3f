#include "store_table.h"

namespace zentdrv {

int ParseImageTable(BYTE* table, int* itemWidth, int* itemHeight) {
    int count = 0;
    for (int i = 0; i < kImageTableBytes; ++i) {
        const BYTE c = table[i] & 0xF0;
        table[i] = c;
        if ((c & kEndMark) == kEndMark) break;
        switch (c & 0x30) {
            case 0x00:
                itemWidth[i] = 320;
                itemHeight[i] = 240;
                ++count;
                break;
            case 0x20:
                itemWidth[i] = 160;
                itemHeight[i] = 120;
                ++count;
                break;
            default:  // 0x10 and 0x30: an item without samples
                itemWidth[i] = 0;
                itemHeight[i] = 0;
                break;
        }
    }
    return count;
}

int64_t ItemOffset(const int* itemWidth, const int* itemHeight, int index) {
    int64_t offset = 0;
    for (int j = 0; j < index && j < kImageTableBytes; ++j) {
        offset += static_cast<int64_t>(itemWidth[j]) * itemHeight[j];
        if (itemWidth[j] == 160 && itemHeight[j] == 120) offset += kSmallItemFiller;
    }
    return offset;
}

bool LocateItem(const DriverState& st, int index, StoredItem& item) {
    if (index < 0 || index >= kImageTableBytes) return false;
    const int w = st.itemWidth[index];
    const int h = st.itemHeight[index];
    if (w <= 0 || h <= 0) return false;
    const int64_t offset = ItemOffset(st.itemWidth, st.itemHeight, index);
    if (offset + static_cast<int64_t>(w) * h > kStoreImageBytes) return false;
    item = StoredItem{offset, w, h};
    return true;
}

}  // namespace zentdrv
