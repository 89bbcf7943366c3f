#include <gtest/gtest.h>

#include "filters/test_picture.h"

namespace {

// 3 x 3 picture of one channel value `around` with centre `centre` in channel c; the other
// channels flat at 100.
Picture cross(int c, int centre, int around) {
    Picture p(3, 3, 3, 100);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) p.channel(x, y, c) = BYTE(around);
    }
    p.channel(1, 1, c) = BYTE(centre);
    return p;
}

TEST(SharpenImg, ThreeByThreeFiltersTheCentreAndCopiesItToTheBorders) {
    Picture src = cross(0, 100, 50);
    Picture dst(3, 3, 3, 7);
    EXPECT_EQ(SharpenImg(src.table(), dst.table(), 3, 3), dst.table());
    // ((16 * 100 - 8 * 50) * 2) / 16 = 150.
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(dst.channel(x, y, 0), 150);
            EXPECT_EQ(dst.channel(x, y, 1), 100);
            EXPECT_EQ(dst.channel(x, y, 2), 100);
        }
    }
}

TEST(SharpenImg, FlatPictureComesOutIdentical) {
    Picture src(17, 9, 3, 0);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 17; ++x) src.setPixel(x, y, 12, 140, 250);
    }
    Picture dst(17, 9);
    SharpenImg(src.table(), dst.table(), 17, 9);
    EXPECT_EQ(dst.bytes, src.bytes);
}

TEST(SharpenImg, EdgeNeedsThreeNeighboursTwentyOrMoreAway) {
    const auto centreAfter = [](int differing, int step) {
        Picture src(3, 3, 3, 100);
        const int spots[3][2] = {{0, 0}, {2, 0}, {1, 2}};
        for (int k = 0; k < differing; ++k)
            src.channel(spots[k][0], spots[k][1], 2) = BYTE(100 + step);
        Picture dst(3, 3);
        SharpenImg(src.table(), dst.table(), 3, 3);
        return int(dst.channel(1, 1, 2));
    };
    EXPECT_EQ(centreAfter(2, 20), 100);  // a line end: two neighbours only
    EXPECT_EQ(centreAfter(3, 19), 100);  // 19 does not count
    // 20 counts: ((1600 - (5 * 100 + 3 * 120)) * 2) / 16 = 92 (truncated from 92.5).
    EXPECT_EQ(centreAfter(3, 20), 92);
}

TEST(SharpenImg, GreenFollowsBlueAndRedTogetherOnly) {
    Picture src(3, 3, 3, 100);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            if (x == 1 && y == 1) continue;
            src.setPixel(x, y, 60, 95, 60);  // edges in channels 0 and 2, none in 1
        }
    }
    Picture dst(3, 3);
    SharpenImg(src.table(), dst.table(), 3, 3);
    EXPECT_EQ(dst.channel(1, 1, 0), 140);  // (1600 - 480) * 2 / 16
    EXPECT_EQ(dst.channel(1, 1, 1), 105);  // (1600 - 760) * 2 / 16
    EXPECT_EQ(dst.channel(1, 1, 2), 140);

    // An edge in channel 0 alone leaves channel 1 as it is; green never leads the others.
    Picture one = cross(0, 100, 60);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) one.channel(x, y, 1) = (x == 1 && y == 1) ? 100 : 30;
    }
    SharpenImg(one.table(), dst.table(), 3, 3);
    EXPECT_EQ(dst.channel(1, 1, 1), 170);  // its own edge: (1600 - 240) * 2 / 16
    EXPECT_EQ(dst.channel(1, 1, 2), 100);
}

TEST(SharpenImg, ResultsAreClampedAtBothEnds) {
    Picture bright = cross(1, 250, 0);
    Picture dark = cross(1, 10, 200);
    Picture dst(3, 3);
    SharpenImg(bright.table(), dst.table(), 3, 3);
    EXPECT_EQ(dst.channel(1, 1, 1), 255);
    SharpenImg(dark.table(), dst.table(), 3, 3);
    EXPECT_EQ(dst.channel(1, 1, 1), 0);
}

TEST(SharpenImg, PicturesBelowThreeByThreeWriteNothing) {
    Picture src(3, 3);
    Picture dst(3, 3, 3, 44);
    EXPECT_EQ(SharpenImg(src.table(), dst.table(), 2, 3), nullptr);
    EXPECT_EQ(SharpenImg(src.table(), dst.table(), 3, 2), nullptr);
    EXPECT_EQ(SharpenImg(src.table(), dst.table(), 0, 0), nullptr);
    EXPECT_EQ(SharpenImg(src.table(), nullptr, 3, 3), nullptr);
    for (BYTE b : dst.bytes) ASSERT_EQ(b, 44);
}

}  // namespace
