#include <gtest/gtest.h>

#include <set>

#include "filters/test_picture.h"

namespace {

TEST(DoubleImg, GrayPictureDoublesWithMeansBetween) {
    Picture src(3, 2);
    const int values[2][3] = {{10, 20, 41}, {30, 60, 100}};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) src.setGray(x, y, BYTE(values[y][x]));
    }
    Picture dst(6, 4, 3, 1);
    EXPECT_EQ(DoubleImg(src.table(), dst.table(), 3, 2), dst.table());
    const int expected[4][6] = {{10, 15, 20, 30, 41, 41},
                                {20, 30, 40, 55, 70, 70},
                                {30, 45, 60, 80, 100, 100},
                                {30, 45, 60, 80, 100, 100}};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(dst.channel(x, y, c), expected[y][x]) << x << "," << y;
        }
    }
}

TEST(DoubleImg, ColorPictureInBetweenFromByteZeroLastPixelRepeated) {
    Picture src(2, 1);
    src.setPixel(0, 0, 10, 100, 200);
    src.setPixel(1, 0, 30, 110, 220);
    Picture dst(4, 2);
    DoubleImg(src.table(), dst.table(), 2, 1);
    const BYTE row[12] = {10, 100, 200, 20, 20, 20, 30, 110, 220, 30, 110, 220};
    for (int k = 0; k < 12; ++k) {
        EXPECT_EQ(dst.rows[0][k], row[k]) << k;
        EXPECT_EQ(dst.rows[1][k], row[k]) << k;
    }
}

TEST(DoubleImg, EmptySizesWriteNothing) {
    Picture src(2, 2);
    Picture dst(4, 4, 3, 9);
    EXPECT_EQ(DoubleImg(src.table(), dst.table(), 0, 2), nullptr);
    EXPECT_EQ(DoubleImg(src.table(), dst.table(), 2, 0), nullptr);
    EXPECT_EQ(DoubleImg(src.table(), dst.table(), -2, 2), nullptr);
    EXPECT_EQ(DoubleImg(nullptr, dst.table(), 2, 2), nullptr);
    for (BYTE b : dst.bytes) ASSERT_EQ(b, 9);
}

// Flat blocks come back as v or v - 1 per pass, so a 2-D enlargement gives v .. v - 2; 0 stays.
TEST(FineEnlargeImg, FlatPictureComesBackAtMostTwoLower) {
    for (int v : {0, 1, 77, 128, 255}) {
        Picture src(512, 384, 3, BYTE(v));
        Picture dst(640, 480, 3, 5);
        ASSERT_NE(FineEnlargeImg(src.table(), dst.table(), 512, 384, 640, 480), 0);
        std::set<int> seen(dst.bytes.begin(), dst.bytes.end());
        for (int s : seen) {
            EXPECT_LE(s, v);
            EXPECT_GE(s, v - 2);
        }
        if (v == 0) {
            EXPECT_EQ(seen, std::set<int>{0});
        }
    }
}

TEST(FineEnlargeImg, StepEdgeRingsAndIsClampedNotWrapped) {
    Picture src(8, 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) src.setGray(x, y, x < 4 ? 0 : 255);
    }
    Picture dst(10, 10, 3, 123);
    FineEnlargeImg(src.table(), dst.table(), 8, 8, 10, 10);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            if (x < 4) {
                EXPECT_LT(dst.channel(x, y, 0), 40) << x << "," << y;
            }
            if (x > 5) {
                EXPECT_GT(dst.channel(x, y, 2), 215) << x << "," << y;
            }
        }
    }
    // The ring overshoots on both sides (to about -25 and 280): clamped, never wrapped.
    for (int y = 0; y < 10; ++y) {
        EXPECT_EQ(dst.channel(1, y, 0), 0);
        EXPECT_EQ(dst.channel(3, y, 1), 0);
        EXPECT_GE(dst.channel(6, y, 2), 254);
        EXPECT_GE(dst.channel(8, y, 0), 254);
    }
}

TEST(FineEnlargeImg, BlocksAreIndependentAndColumnsPastTheLastBlockKeepTheirRows) {
    // Two blocks across of different flat values; destination 23 wide: columns 20 .. 22 are only
    // touched by the vertical pass, which keeps a flat column flat (or one lower).
    Picture src(16, 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) src.setGray(x, y, x < 8 ? 40 : 200);
    }
    Picture dst(23, 10, 3, 90);
    FineEnlargeImg(src.table(), dst.table(), 16, 8, 23, 10);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 23; ++x) {
            const int want = x < 10 ? 40 : (x < 20 ? 200 : 90);
            EXPECT_LE(dst.channel(x, y, 1), want);
            EXPECT_GE(dst.channel(x, y, 1), want - 2);
        }
    }
}

TEST(FineEnlargeImg, SizesThatWouldOverrunWriteNothing) {
    Picture dst(20, 1300, 3, 61);
    const auto before = dst.bytes;
    Picture tall(16, 1001);
    // More source rows than the column buffer holds.
    EXPECT_EQ(FineEnlargeImg(tall.table(), dst.table(), 16, 1001, 20, 1260), 0);
    // More source rows than destination rows.
    EXPECT_EQ(FineEnlargeImg(tall.table(), dst.table(), 16, 30, 20, 20), 0);
    // Blocks that would read past the source row or below its last row.
    EXPECT_EQ(FineEnlargeImg(tall.table(), dst.table(), 15, 16, 20, 20), 0);
    EXPECT_EQ(FineEnlargeImg(tall.table(), dst.table(), 16, 15, 20, 20), 0);
    EXPECT_EQ(FineEnlargeImg(tall.table(), dst.table(), 0, 16, 20, 20), 0);
    EXPECT_EQ(FineEnlargeImg(tall.table(), dst.table(), 16, 16, -20, 20), 0);
    EXPECT_EQ(FineEnlargeImg(tall.table(), dst.table(), 16, 16, 20, 0), 0);
    EXPECT_EQ(dst.bytes, before);
    // The tallest source that fits works.
    Picture top(8, 1000, 3, 50);
    Picture out(10, 1250);
    EXPECT_NE(FineEnlargeImg(top.table(), out.table(), 8, 1000, 10, 1250), 0);
    EXPECT_GE(out.channel(9, 1249, 2), 48);
}

}  // namespace
