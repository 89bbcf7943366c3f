#include <gtest/gtest.h>

#include "filters/test_picture.h"

namespace {

TEST(CutBadPixel, FiveByFiveTestsOnlyTheCentre) {
    Picture raw(5, 5, 1, 50);
    raw.channel(2, 0, 0) = 60;  // up
    raw.channel(2, 4, 0) = 40;  // down
    raw.channel(0, 2, 0) = 70;  // left
    raw.channel(4, 2, 0) = 30;  // right
    raw.channel(2, 2, 0) = 255;
    raw.channel(1, 1, 0) = 255;  // never tested: it has no neighbours two away on every side
    raw.channel(0, 0, 0) = 0;
    EXPECT_NE(CutBadPixel(raw.table(), 5, 5), 0);
    EXPECT_EQ(raw.channel(2, 2, 0), (60 + 40 + 70 + 30) >> 2);
    EXPECT_EQ(raw.channel(1, 1, 0), 255);
    EXPECT_EQ(raw.channel(0, 0, 0), 0);
}

TEST(CutBadPixel, AllFourNeighboursMustDifferByMoreThanTwenty) {
    const auto centreAfter = [](int centre, int fourth) {
        Picture raw(5, 5, 1, 100);
        raw.channel(2, 2, 0) = BYTE(centre);
        raw.channel(4, 2, 0) = BYTE(fourth);
        CutBadPixel(raw.table(), 5, 5);
        return int(raw.channel(2, 2, 0));
    };
    EXPECT_EQ(centreAfter(80, 100), 80);   // exactly 20 below: kept
    EXPECT_EQ(centreAfter(79, 100), 100);  // dark
    EXPECT_EQ(centreAfter(120, 100), 120);
    EXPECT_EQ(centreAfter(121, 100), 100);  // bright
    EXPECT_EQ(centreAfter(10, 20), 10);     // darker than three, not the fourth: kept
    EXPECT_EQ(centreAfter(250, 240), 250);
}

TEST(CutBadPixel, BordersAreNeverChanged) {
    Picture raw(8, 8, 1, 100);
    for (int k = 0; k < 8; ++k) {
        for (int edge : {0, 1, 6, 7}) {
            raw.channel(k, edge, 0) = 255;
            raw.channel(edge, k, 0) = 255;
        }
    }
    const auto before = raw.bytes;
    CutBadPixel(raw.table(), 8, 8);
    EXPECT_EQ(raw.bytes, before);
}

TEST(CutBadPixel, CorrectionsTakeEffectAtOnce) {
    Picture raw(9, 5, 1, 50);
    raw.channel(2, 2, 0) = 200;
    raw.channel(4, 2, 0) = 100;
    CutBadPixel(raw.table(), 9, 5);
    // The left sample becomes (50 + 50 + 50 + 100) / 4 = 62; then the right one is bright against
    // 62 (it was not against 200) and becomes (50 + 50 + 62 + 50) / 4 = 53.
    EXPECT_EQ(raw.channel(2, 2, 0), 62);
    EXPECT_EQ(raw.channel(4, 2, 0), 53);
}

TEST(CutBadPixel, FramesOfFourOrFewerWriteNothing) {
    Picture raw(5, 5, 1, 100);
    raw.channel(2, 2, 0) = 0;
    EXPECT_EQ(CutBadPixel(raw.table(), 4, 5), 0);
    EXPECT_EQ(CutBadPixel(raw.table(), 5, 4), 0);
    EXPECT_EQ(CutBadPixel(raw.table(), -5, 5), 0);
    EXPECT_EQ(CutBadPixel(nullptr, 5, 5), 0);
    EXPECT_EQ(raw.channel(2, 2, 0), 0);
}

}  // namespace
