// Reading the image table: image numbers and clips.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "image_table.h"

namespace zentsession {
namespace {

TEST(ImageTable, ClipScan) {
    const struct {
        std::vector<uint8_t> bytes;
        std::vector<std::array<int, 5>> clips;  // first, last, frames, width, height
    } cases[] = {
        {{0x40, 0x40, 0xC0, 0xC0, 0x00, 0x40, 0x70},
         {{0, 1, 2, 320, 240}, {2, 3, 2, 320, 240}, {5, 5, 1, 320, 240}}},
        {{0x40, 0x60, 0x70}, {{0, 0, 1, 320, 240}, {1, 1, 1, 160, 120}}},
        {{0x00, 0x20, 0x70}, {}},
        // Items without samples break a clip and never start one.
        {{0x40, 0x50, 0x40, 0x70, 0x40}, {{0, 0, 1, 320, 240}, {2, 2, 1, 320, 240}}},
    };
    for (const auto& c : cases) {
        ImageTable table;
        table.fill(0x70);
        std::copy(c.bytes.begin(), c.bytes.end(), table.begin());
        std::array<ClipRecord, kTableSize> clips;
        ASSERT_EQ(scanClips(table, clips), int(c.clips.size()));
        for (size_t i = 0; i < c.clips.size(); ++i) {
            EXPECT_EQ(clips[i].used, 1);
            EXPECT_EQ(clips[i].firstEntry, c.clips[i][0]);
            EXPECT_EQ(clips[i].lastEntry, c.clips[i][1]);
            EXPECT_EQ(clips[i].frameCount, c.clips[i][2]);
            EXPECT_EQ(clips[i].width, c.clips[i][3]);
            EXPECT_EQ(clips[i].height, c.clips[i][4]);
        }
    }
}

TEST(ImageTable, NumbersSkipItemsWithoutSamples) {
    ImageTable table;
    table.fill(0x70);
    const uint8_t bytes[] = {0x00, 0x10, 0x20, 0x30, 0x60};
    std::copy(std::begin(bytes), std::end(bytes), table.begin());
    std::array<int, kTableSize> index;
    ASSERT_EQ(buildImageTableIndex(table, index), 3);
    EXPECT_EQ(index[0], 0);
    EXPECT_EQ(index[1], 2);
    EXPECT_EQ(index[2], 4);
    EXPECT_EQ(index[3], kPastEndEntry);
    EXPECT_EQ(imageNumberOfEntry(index, 3, 4), 2);
    EXPECT_EQ(imageNumberOfEntry(index, 3, 1), -1);
}

}  // namespace
}  // namespace zentsession
