// The camera's image table and the layout of the store image: item sizes, offsets and bounds.
#pragma once

#include <cstdint>

#include "driver_state.h"
#include "platform.h"

namespace zentdrv {

inline constexpr int kImageTableBytes = 256;
inline constexpr uint32_t kStoreImageBytes = 256u * 32760u;  // one bulk transfer, 0x7FF800
inline constexpr uint8_t kEndMark = 0x70;                    // bits 4 to 6 all set
inline constexpr int kSmallItemFiller = 256;                 // bytes after a 160 x 120 item

// Clears the low nibble of every byte up to and including the end mark and records each
// item's size (320 x 240, 160 x 120 or 0 x 0). Returns the number of items with samples.
int ParseImageTable(BYTE* table, int* itemWidth, int* itemHeight);

// Byte offset of item `index` in the store image: the samples of all earlier items, plus the
// filler after every earlier 160 x 120 item. `index` is 0..256.
int64_t ItemOffset(const int* itemWidth, const int* itemHeight, int index);

struct StoredItem {
    int64_t offset;
    int width;
    int height;
};

// Where item `index` lies in the store image. False when the index is outside the table, the
// item has no samples, or its samples would run past the end of the store image.
bool LocateItem(const DriverState& st, int index, StoredItem& item);

}  // namespace zentdrv
