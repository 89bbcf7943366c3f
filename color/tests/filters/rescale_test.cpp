#include <gtest/gtest.h>

#include <vector>

#include "filters/test_picture.h"

namespace {

// Gray row of the given values, one pixel each.
Picture grayRow(const std::vector<int>& values) {
    Picture p(static_cast<int>(values.size()), 1);
    for (size_t x = 0; x < values.size(); ++x) p.setGray(static_cast<int>(x), 0, BYTE(values[x]));
    return p;
}

std::vector<int> channelRow(Picture& p, int y, int c) {
    std::vector<int> out;
    for (int x = 0; x < p.width; ++x) out.push_back(p.channel(x, y, c));
    return out;
}

std::vector<int> channelColumn(Picture& p, int x, int c) {
    std::vector<int> out;
    for (int y = 0; y < p.height; ++y) out.push_back(p.channel(x, y, c));
    return out;
}

TEST(Rescalimg, WorkedRowsFourToEightAndBack) {
    Picture four = grayRow({10, 50, 90, 200});
    Picture eight(8, 1);
    EXPECT_NE(Rescalimg(four.table(), eight.table(), 4, 1, 8, 1), 0);
    EXPECT_EQ(channelRow(eight, 0, 1), (std::vector<int>{10, 30, 50, 70, 90, 145, 200, 200}));

    Picture wide = grayRow({1, 2, 3, 4, 5, 6, 7, 8});
    Picture narrow(4, 1);
    Rescalimg(wide.table(), narrow.table(), 8, 1, 4, 1);
    EXPECT_EQ(channelRow(narrow, 0, 2), (std::vector<int>{1, 3, 5, 7}));
}

TEST(Rescalimg, ShrinkKeepsEveryFourthPixelOfEveryFourthRow) {
    Picture src(640, 480);
    src.randomize(7);
    Picture dst(160, 120);
    Rescalimg(src.table(), dst.table(), 640, 480, 160, 120);
    for (int y = 0; y < 120; ++y) {
        for (int x = 0; x < 160; ++x) {
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(dst.channel(x, y, c), src.channel(4 * x, 4 * y, c));
        }
    }
}

TEST(Rescalimg, EqualSizesCopyExactly) {
    Picture src(37, 23);
    src.randomize(3);
    Picture dst(37, 23);
    Rescalimg(src.table(), dst.table(), 37, 23, 37, 23);
    EXPECT_EQ(dst.bytes, src.bytes);
}

TEST(Rescalimg, SingleSampleSourceFillsEverything) {
    Picture dot(1, 1);
    dot.setPixel(0, 0, 11, 22, 33);
    Picture dst(9, 7);
    Rescalimg(dot.table(), dst.table(), 1, 1, 9, 7);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 9; ++x) {
            EXPECT_EQ(dst.channel(x, y, 0), 11);
            EXPECT_EQ(dst.channel(x, y, 2), 33);
        }
    }
}

// The ratio is rounded to single precision and summed in double precision: 10/12 rounds below
// the exact fraction, so position 6 is a phase 7 instead of a key, and 5/14 gives phase 4 at
// position 7 where a single-precision sum would give 3. Past the last key the last source pixel
// repeats, horizontally and vertically.
TEST(Rescalimg, StepTablesFollowTheRoundedRatio) {
    Picture ten = grayRow({0, 16, 32, 48, 64, 80, 96, 112, 128, 144});
    Picture twelve(12, 1);
    Rescalimg(ten.table(), twelve.table(), 10, 1, 12, 1);
    EXPECT_EQ(channelRow(twelve, 0, 0),
              (std::vector<int>{0, 12, 16, 32, 48, 64, 78, 80, 96, 112, 128, 144}));

    const std::vector<int> fourteen{0, 4, 10, 16, 22, 28, 32, 40, 44, 48, 56, 62, 64, 64};
    Picture five = grayRow({0, 16, 32, 48, 64});
    Picture wide(14, 1);
    Rescalimg(five.table(), wide.table(), 5, 1, 14, 1);
    EXPECT_EQ(channelRow(wide, 0, 1), fourteen);

    Picture column(1, 5);
    for (int y = 0; y < 5; ++y) column.setGray(0, y, BYTE(16 * y));
    Picture tall(1, 14);
    Rescalimg(column.table(), tall.table(), 1, 5, 1, 14);
    EXPECT_EQ(channelColumn(tall, 0, 2), fourteen);
}

TEST(Rescalimg, MixedDirectionsScaleEachAxisByItsOwnRule) {
    // 8 x 2 to 4 x 4: columns 0, 2, 4, 6 kept; rows 0, mean, 1, 1.
    Picture src(8, 2);
    for (int x = 0; x < 8; ++x) {
        src.setGray(x, 0, BYTE(10 * x));
        src.setGray(x, 1, BYTE(100 + 10 * x));
    }
    Picture dst(4, 4);
    Rescalimg(src.table(), dst.table(), 8, 2, 4, 4);
    EXPECT_EQ(channelColumn(dst, 1, 0), (std::vector<int>{20, 70, 120, 120}));
    EXPECT_EQ(channelRow(dst, 2, 0), (std::vector<int>{100, 120, 140, 160}));
}

TEST(Rescalimg, SizesBeyondTheTablesOrNotPositiveWriteNothing) {
    Picture src(1025, 2, 3, 9);
    Picture dst(1100, 4, 3, 77);
    const auto before = dst.bytes;
    EXPECT_EQ(Rescalimg(src.table(), dst.table(), 1025, 2, 1100, 4), 0);
    EXPECT_EQ(Rescalimg(src.table(), dst.table(), 2, 2, 1025, 4), 0);
    Picture tallDst(2, 1030, 3, 77);
    const auto tallBefore = tallDst.bytes;
    EXPECT_EQ(Rescalimg(src.table(), tallDst.table(), 2, 2, 2, 1030), 0);
    EXPECT_EQ(Rescalimg(src.table(), dst.table(), 0, 2, 4, 4), 0);
    EXPECT_EQ(Rescalimg(src.table(), dst.table(), 4, -1, 4, 4), 0);
    EXPECT_EQ(Rescalimg(src.table(), dst.table(), 4, 2, -4, 4), 0);
    EXPECT_EQ(Rescalimg(src.table(), dst.table(), 4, 2, 4, 0), 0);
    EXPECT_EQ(Rescalimg(nullptr, dst.table(), 4, 2, 4, 4), 0);
    EXPECT_EQ(dst.bytes, before);
    EXPECT_EQ(tallDst.bytes, tallBefore);
    // The largest sides still work.
    Picture big(1024, 1);
    EXPECT_NE(Rescalimg(src.table(), big.table(), 2, 1, 1024, 1), 0);
}

}  // namespace
