#include <gtest/gtest.h>

#include "filters/test_picture.h"

namespace {

int centreAfterCut(int centre, int right) {
    Picture raw(5, 5, 1, 100);
    raw.channel(2, 2, 0) = BYTE(centre);
    raw.channel(4, 2, 0) = BYTE(right);
    CutBadPixel(raw.table(), 5, 5);
    return raw.channel(2, 2, 0);
}

TEST(CutBadPixel, OnlySamplesBeyondAllFourNeighboursByMoreThanTwentyAreReplaced) {
    EXPECT_EQ(centreAfterCut(80, 100), 80);   // exactly 20 below: kept
    EXPECT_EQ(centreAfterCut(79, 100), 100);  // dark
    EXPECT_EQ(centreAfterCut(120, 100), 120);
    EXPECT_EQ(centreAfterCut(121, 100), 100);  // bright
    EXPECT_EQ(centreAfterCut(10, 20), 10);     // darker than three, not the fourth: kept
    EXPECT_EQ(centreAfterCut(255, 0), 75);     // (100 + 100 + 100 + 0) / 4
}

TEST(CutBadPixel, BordersAreNeverChanged) {
    Picture raw(8, 8, 1, 100);
    for (int k = 0; k < 8; ++k) {
        for (int edge : {0, 1, 6, 7}) raw.channel(k, edge, 0) = raw.channel(edge, k, 0) = 255;
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
    // The left sample becomes (50 + 50 + 50 + 100) / 4 = 62; the right one is then bright against
    // 62 (it was not against 200) and becomes (50 + 50 + 62 + 50) / 4 = 53.
    EXPECT_EQ(raw.channel(2, 2, 0), 62);
    EXPECT_EQ(raw.channel(4, 2, 0), 53);
}

TEST(CutBadPixel, FramesOfFourOrFewerWriteNothing) {
    Picture raw(5, 5, 1, 100);
    raw.channel(2, 2, 0) = 0;
    EXPECT_EQ(CutBadPixel(raw.table(), 4, 5), 0);
    EXPECT_EQ(CutBadPixel(raw.table(), 5, 4), 0);
    EXPECT_EQ(CutBadPixel(nullptr, 5, 5), 0);
    EXPECT_EQ(raw.channel(2, 2, 0), 0);
}

}  // namespace
