#include <gtest/gtest.h>

#include "filters/test_picture.h"

namespace {

TEST(StretchImg, UniformPictureGoesToBlackUnlessWhite) {
    for (int v : {0, 1, 100, 254}) {
        Picture p(20, 10, 3, BYTE(v));
        EXPECT_EQ(StretchImg(p.table(), 20, 10), p.table());
        for (BYTE b : p.bytes) ASSERT_EQ(b, 0) << v;
    }
    // At 255 the black level drops to 254 and the channel stays 255.
    Picture white(20, 10, 3, 255);
    StretchImg(white.table(), 20, 10);
    for (BYTE b : white.bytes) ASSERT_EQ(b, 255);
}

// Below 200 pixels the foot level is 0, so the dark-end rule sets the black level to 0 and a
// uniform picture is stretched up to white instead.
TEST(StretchImg, SmallUniformPictureHasItsBlackLevelAtZero) {
    Picture p(10, 10, 3, 100);
    StretchImg(p.table(), 10, 10);
    for (BYTE b : p.bytes) ASSERT_EQ(b, 255);
}

// Three equal ramps 0 .. 199: channels 0 and 1 end white at 194, channel 2 at its top level 199.
TEST(StretchImg, RampStretchesChannelTwoToItsTop) {
    Picture p(200, 1);
    for (int x = 0; x < 200; ++x) p.setGray(x, 0, BYTE(x));
    StretchImg(p.table(), 200, 1);
    EXPECT_EQ(p.channel(100, 0, 0), 100 * 255 / 194);
    EXPECT_EQ(p.channel(100, 0, 1), 100 * 255 / 194);
    EXPECT_EQ(p.channel(100, 0, 2), 100 * 255 / 199);
    EXPECT_EQ(p.channel(194, 0, 0), 255);
    EXPECT_EQ(p.channel(194, 0, 2), 194 * 255 / 199);
    EXPECT_EQ(p.channel(199, 0, 2), 255);
    EXPECT_EQ(p.channel(0, 0, 1), 0);
}

// Channel 2 brighter than both others with its white level at 250 or more: channel 2 is mapped
// onto the others' white level (194) instead of onto 255.
TEST(StretchImg, CappedStretchMapsChannelTwoToTheOthersWhite) {
    Picture p(200, 1);
    for (int x = 0; x < 200; ++x) p.setPixel(x, 0, BYTE(x), BYTE(x), BYTE(x < 190 ? 40 + x : 251));
    StretchImg(p.table(), 200, 1);
    EXPECT_EQ(p.channel(199, 0, 2), 194);
    EXPECT_EQ(p.channel(189, 0, 2), (229 - 40) * 194 / (251 - 40));
    EXPECT_EQ(p.channel(0, 0, 2), 0);
    EXPECT_EQ(p.channel(100, 0, 0), 100 * 255 / 194);
}

// Bright channels 0 and 1 over a clearly lower channel 2 with no clipping: every map flag ends
// off and the picture keeps its values.
TEST(StretchImg, PictureWithAllMapsOffIsLeftAlone) {
    Picture p(200, 1);
    for (int x = 0; x < 200; ++x)
        p.setPixel(x, 0, BYTE(55 + x), BYTE(55 + x), BYTE(x < 197 ? 230 : 255));
    const auto before = p.bytes;
    StretchImg(p.table(), 200, 1);
    EXPECT_EQ(p.bytes, before);
}

TEST(StretchImg, EmptySizesWriteNothing) {
    Picture p(4, 4, 3, 100);
    EXPECT_EQ(StretchImg(p.table(), 0, 4), nullptr);
    EXPECT_EQ(StretchImg(p.table(), 4, -1), nullptr);
    EXPECT_EQ(StretchImg(nullptr, 4, 4), nullptr);
    for (BYTE b : p.bytes) ASSERT_EQ(b, 100);
}

}  // namespace
