#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>

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
// Yellow (0, 255, 255) is rebuilt as (0, 255, 254): blue gains 28 and green, back at the old
// peak, loses 28 / 2.57455.
TEST(ColorEnhance, StrongColourCorrection) {
    const int in[3][3] = {{0, 200, 0}, {0, 255, 255}, {255, 0, 200}};
    const std::vector<int> out[3] = {{15, 197, 0}, {28, 245, 254}, {254, 28, 144}};
    Picture p(3, 1);
    for (int x = 0; x < 3; ++x) p.setPixel(x, 0, in[x][0], in[x][1], in[x][2]);
    ColorEnhance(p.table(), 3, 1);
    for (int x = 0; x < 3; ++x) {
        EXPECT_EQ((std::vector<int>{p.channel(x, 0, 0), p.channel(x, 0, 1), p.channel(x, 0, 2)}),
                  out[x]);
    }
    EXPECT_EQ(ColorEnhance(p.table(), 0, 1), 0);
    EXPECT_EQ(ColorEnhance(p.table(), 1, -1), 0);
    EXPECT_EQ(p.channel(0, 0, 0), 15);
}

// Hue and angle conversions use 57.2958 and 0.01745; the exact ratios of pi give other bytes for
// these pixels: (16, 32, 0) and (120, 30, 30) with 180 / pi, (81, 30, 30) with pi / 180.
TEST(ColorEnhance, KeepsItsOwnAngleConstants) {
    const int in[4][3] = {{16, 32, 0}, {120, 30, 30}, {81, 30, 30}, {74, 30, 30}};
    const std::vector<int> out[4] = {{16, 31, 0}, {137, 21, 20}, {91, 24, 25}, {82, 24, 24}};
    Picture p(4, 1);
    for (int x = 0; x < 4; ++x) p.setPixel(x, 0, in[x][0], in[x][1], in[x][2]);
    ColorEnhance(p.table(), 4, 1);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ((std::vector<int>{p.channel(x, 0, 0), p.channel(x, 0, 1), p.channel(x, 0, 2)}),
                  out[x]);
    }
}

// A pixel's result depends only on its own bytes: in a picture of colours that share blue and
// green and differ in red (so many share memo slots and hues), in random order, every pixel must
// come out as it does when enhanced alone.
TEST(ColorEnhance, EachPixelAsWhenEnhancedAlone) {
    std::mt19937 gen(11);
    std::vector<std::uint32_t> colours;
    for (int k = 0; k < 300; ++k) {
        const std::uint32_t bg = gen() & 0xFFFF;
        for (std::uint32_t r = 0; r < 256; r += 4) colours.push_back(bg | (r << 16));
    }
    for (std::uint32_t v = 0; v < 256; ++v) colours.push_back(0x010101u * v);
    std::shuffle(colours.begin(), colours.end(), gen);
    const int w = 160;
    const int h = static_cast<int>(colours.size()) / w;
    Picture p(w, h);
    for (int i = 0; i < w * h; ++i)
        p.setPixel(i % w, i / w, colours[i] & 255, (colours[i] >> 8) & 255, colours[i] >> 16);
    ASSERT_NE(ColorEnhance(p.table(), w, h), 0);
    int wrong = 0;
    for (int i = 0; i < w * h; ++i) {
        Picture alone(1, 1);
        alone.setPixel(0, 0, colours[i] & 255, (colours[i] >> 8) & 255, colours[i] >> 16);
        ColorEnhance(alone.table(), 1, 1);
        for (int c = 0; c < 3; ++c) wrong += alone.channel(0, 0, c) != p.channel(i % w, i / w, c);
    }
    EXPECT_EQ(wrong, 0);
}

}  // namespace
