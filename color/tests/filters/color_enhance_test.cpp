#include <gtest/gtest.h>

#include <algorithm>

#include "filters/test_picture.h"

namespace {

TEST(ColorEnhance, GreyKeepsGreenAndLowersBlueAndRedForFortyTwoLevels) {
    Picture p(256, 1);
    for (int v = 0; v < 256; ++v) p.setGray(v, 0, v);
    EXPECT_NE(ColorEnhance(p.table(), 256, 1), 0);
    std::vector<int> lowered;
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(p.channel(v, 0, 1), v);
        EXPECT_EQ(p.channel(v, 0, 0), p.channel(v, 0, 2));
        if (p.channel(v, 0, 0) != v) lowered.push_back(v);
        EXPECT_GE(p.channel(v, 0, 0), v - 1);
    }
    EXPECT_EQ(lowered.size(), 42u);
    for (int v : {7, 14, 25, 28, 31, 50, 100})
        EXPECT_TRUE(std::count(lowered.begin(), lowered.end(), v)) << v;
    EXPECT_EQ(p.channel(0, 0, 2), 0);  // black stays black
}

TEST(ColorEnhance, MiddleSaturationIsRaisedWeakSaturationLowered) {
    Picture p(2, 1);
    p.setPixel(0, 0, 60, 100, 140);  // S = 40: the curve raises it to 53.5
    p.setPixel(1, 0, 95, 100, 105);  // S = 5: lowered to about 3.7
    ColorEnhance(p.table(), 2, 1);
    EXPECT_LT(p.channel(0, 0, 0), 60);
    EXPECT_GT(p.channel(0, 0, 2), 140);
    EXPECT_GT(p.channel(1, 0, 0), 95);
    EXPECT_LT(p.channel(1, 0, 2), 105);
}

// Pure green of 200: hue 120.00004 (57.2958, not 180 / pi), saturation 100, rebuilt as
// (0, 197, 0); the strong-colour correction then raises blue, the first channel at the old low,
// by (200 - 0) / 4 - 35 = 15, and, with no channel at the old peak, lowers red by 15 / 2.6228.
TEST(ColorEnhance, StrongColourCorrectionFallsBackToRed) {
    Picture p(1, 1);
    p.setPixel(0, 0, 0, 200, 0);
    ColorEnhance(p.table(), 1, 1);
    EXPECT_EQ(p.row(0, 0)[0], 15);
    EXPECT_EQ(p.row(0, 1)[0], 197);
    EXPECT_EQ(p.row(0, 2)[0], 0);
    EXPECT_EQ(ColorEnhance(p.table(), 0, 1), 0);
    EXPECT_EQ(ColorEnhance(p.table(), 1, -1), 0);
    EXPECT_EQ(p.row(0, 0)[0], 15);
}

}  // namespace
