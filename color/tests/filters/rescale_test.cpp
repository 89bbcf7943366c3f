#include <gtest/gtest.h>

#include "filters/test_picture.h"

namespace {

using Values = std::vector<int>;

TEST(Rescalimg, WorkedRowsFourToEightAndBack) {
    Picture four = grayRow({10, 50, 90, 200});
    Picture eight(8, 1);
    EXPECT_NE(Rescalimg(four.table(), eight.table(), 4, 1, 8, 1), 0);
    EXPECT_EQ(eight.row(0, 1), (Values{10, 30, 50, 70, 90, 145, 200, 200}));
    Picture wide = grayRow({1, 2, 3, 4, 5, 6, 7, 8});
    Picture narrow(4, 1);
    Rescalimg(wide.table(), narrow.table(), 8, 1, 4, 1);
    EXPECT_EQ(narrow.row(0, 2), (Values{1, 3, 5, 7}));
}

TEST(Rescalimg, ShrinkKeepsEveryFourthPixelOfEveryFourthRow) {
    Picture src(640, 480);
    src.randomize(7);
    Picture dst(160, 120);
    Rescalimg(src.table(), dst.table(), 640, 480, 160, 120);
    for (int y = 0; y < 120; ++y) {
        for (int x = 0; x < 160 * 3; ++x)
            ASSERT_EQ(dst.rows[y][x], src.rows[4 * y][12 * (x / 3) + x % 3]);
    }
}

TEST(Rescalimg, EqualSizesCopyAndASingleSampleFillsEverything) {
    Picture src(37, 23);
    src.randomize(3);
    Picture copy(37, 23);
    Rescalimg(src.table(), copy.table(), 37, 23, 37, 23);
    EXPECT_EQ(copy.bytes, src.bytes);
    Picture dot(1, 1);
    dot.setPixel(0, 0, 11, 22, 33);
    Picture dst(9, 7);
    Rescalimg(dot.table(), dst.table(), 1, 1, 9, 7);
    for (int y = 0; y < 7; ++y) EXPECT_EQ(dst.row(y, 2), Values(9, 33));
}

// The ratio is rounded to single precision and summed in double precision: 10/12 rounds below
// the exact fraction, so position 6 is a phase 7 instead of a key, and 5/14 gives phase 4 at
// position 7 where a single-precision sum would give 3. Past the last key the last source pixel
// repeats, horizontally and vertically.
TEST(Rescalimg, StepTablesFollowTheRoundedRatio) {
    Picture ten = grayRow({0, 16, 32, 48, 64, 80, 96, 112, 128, 144});
    Picture twelve(12, 1);
    Rescalimg(ten.table(), twelve.table(), 10, 1, 12, 1);
    EXPECT_EQ(twelve.row(0, 0), (Values{0, 12, 16, 32, 48, 64, 78, 80, 96, 112, 128, 144}));

    const Values fourteen{0, 4, 10, 16, 22, 28, 32, 40, 44, 48, 56, 62, 64, 64};
    Picture five = grayRow({0, 16, 32, 48, 64});
    Picture wide(14, 1);
    Rescalimg(five.table(), wide.table(), 5, 1, 14, 1);
    EXPECT_EQ(wide.row(0, 1), fourteen);
    Picture column(1, 5);
    for (int y = 0; y < 5; ++y) column.setGray(0, y, 16 * y);
    Picture tall(1, 14);
    Rescalimg(column.table(), tall.table(), 1, 5, 1, 14);
    EXPECT_EQ(tall.column(0, 2), fourteen);
}

TEST(Rescalimg, MixedDirectionsScaleEachAxisByItsOwnRule) {
    Picture src(8, 2);
    for (int x = 0; x < 8; ++x) {
        src.setGray(x, 0, 10 * x);
        src.setGray(x, 1, 100 + 10 * x);
    }
    Picture dst(4, 4);
    Rescalimg(src.table(), dst.table(), 8, 2, 4, 4);
    EXPECT_EQ(dst.column(1, 0), (Values{20, 70, 120, 120}));
    EXPECT_EQ(dst.row(2, 0), (Values{100, 120, 140, 160}));
}

TEST(Rescalimg, SizesBeyondTheStepTablesOrNotPositiveWriteNothing) {
    Picture src(1025, 2, 3, 9);
    Picture dst(1100, 1030, 3, 77);
    const int refused[][4] = {{1025, 2, 4, 4}, {2, 2, 1025, 4}, {2, 2, 4, 1030}, {2, 1025, 4, 4},
                              {0, 2, 4, 4},    {4, -1, 4, 4},   {4, 2, -4, 4},   {4, 2, 4, 0}};
    for (const auto& s : refused)
        EXPECT_EQ(Rescalimg(src.table(), dst.table(), s[0], s[1], s[2], s[3]), 0);
    EXPECT_EQ(Rescalimg(nullptr, dst.table(), 4, 2, 4, 4), 0);
    for (BYTE b : dst.bytes) ASSERT_EQ(b, 77);
    EXPECT_NE(Rescalimg(src.table(), dst.table(), 2, 1, 1024, 1), 0);  // the largest side works
}

}  // namespace
