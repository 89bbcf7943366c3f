#include <gtest/gtest.h>

#include "filters/test_picture.h"

namespace {

// 200 pixels in one row, channel values from the three functions of x.
template <typename B, typename G, typename R>
Picture row200(B b, G g, R r) {
    Picture p(200, 1);
    for (int x = 0; x < 200; ++x) p.setPixel(x, 0, b(x), g(x), r(x));
    return p;
}

TEST(StretchImg, UniformChannelGoesToBlackUnlessWhiteOrTheFootIsZero) {
    for (int v : {0, 100, 254}) {
        Picture p(20, 10, 3, BYTE(v));
        EXPECT_EQ(StretchImg(p.table(), 20, 10), p.table());
        EXPECT_EQ(p.bytes, std::vector<BYTE>(600, 0)) << v;
    }
    Picture white(20, 10, 3, 255);  // the black level drops to 254 instead
    StretchImg(white.table(), 20, 10);
    EXPECT_EQ(white.bytes, std::vector<BYTE>(600, 255));
    // Under 200 pixels the foot level is 0, so the black level falls to 0 and the picture whitens.
    Picture small(10, 10, 3, 100);
    StretchImg(small.table(), 10, 10);
    EXPECT_EQ(small.bytes, std::vector<BYTE>(300, 255));
}

// Three equal ramps 0 .. 199: channels 0 and 1 end white at 194, channel 2 at its top level 199.
TEST(StretchImg, RampStretchesChannelTwoToItsTop) {
    const auto ramp = [](int x) { return x; };
    Picture p = row200(ramp, ramp, ramp);
    StretchImg(p.table(), 200, 1);
    EXPECT_EQ(p.channel(100, 0, 0), 100 * 255 / 194);
    EXPECT_EQ(p.channel(100, 0, 1), 100 * 255 / 194);
    EXPECT_EQ(p.channel(100, 0, 2), 100 * 255 / 199);
    EXPECT_EQ(p.channel(194, 0, 0), 255);
    EXPECT_EQ(p.channel(194, 0, 2), 194 * 255 / 199);
    EXPECT_EQ(p.channel(199, 0, 2), 255);
}

// 1000 grey pixels: one at 10, four at 60, then 100, 120 and 140. Fifty empty levels above the
// lowest put the black level halfway to the foot (35); channels 0 and 1 end white at their 97 %
// level (120), channel 2 at its 98 % level (140).
TEST(StretchImg, DarkGapAndChannelTwoWhiteLevel) {
    Picture p(100, 10);
    for (int i = 0; i < 1000; ++i) {
        p.setGray(i % 100, i / 100, i == 0 ? 10 : i < 5 ? 60 : i < 970 ? 100 : i < 975 ? 120 : 140);
    }
    StretchImg(p.table(), 100, 10);
    const std::vector<int> at10{0, 0, 0}, at60{75, 75, 60}, at100{195, 195, 157},
        at120{255, 255, 206};
    const auto pixel = [&](int i) {
        return std::vector<int>{p.channel(i % 100, i / 100, 0), p.channel(i % 100, i / 100, 1),
                                p.channel(i % 100, i / 100, 2)};
    };
    EXPECT_EQ(pixel(0), at10);
    EXPECT_EQ(pixel(1), at60);
    EXPECT_EQ(pixel(500), at100);
    EXPECT_EQ(pixel(972), at120);
    EXPECT_EQ(pixel(999), std::vector<int>(3, 255));
}

// Channel 2 brighter than both others with its white level at 250 or more: it is mapped onto the
// others' white level (194) instead of onto 255.
TEST(StretchImg, CappedStretchMapsChannelTwoToTheOthersWhite) {
    const auto ramp = [](int x) { return x; };
    Picture p = row200(ramp, ramp, [](int x) { return x < 190 ? 40 + x : 251; });
    StretchImg(p.table(), 200, 1);
    EXPECT_EQ(p.channel(199, 0, 2), 194);
    EXPECT_EQ(p.channel(189, 0, 2), (229 - 40) * 194 / (251 - 40));
    EXPECT_EQ(p.channel(0, 0, 2), 0);
    EXPECT_EQ(p.channel(100, 0, 0), 100 * 255 / 194);
}

// Bright channels 0 and 1 over a clearly lower channel 2, nothing clipped: every map flag ends
// off and the picture keeps its values.
TEST(StretchImg, PictureWithAllMapsOffIsLeftAlone) {
    const auto bright = [](int x) { return 55 + x; };
    Picture p = row200(bright, bright, [](int x) { return x < 197 ? 230 : 255; });
    const auto before = p.bytes;
    StretchImg(p.table(), 200, 1);
    EXPECT_EQ(p.bytes, before);
    EXPECT_EQ(StretchImg(p.table(), 0, 1), nullptr);
    EXPECT_EQ(StretchImg(p.table(), 200, -1), nullptr);
    EXPECT_EQ(p.bytes, before);
}

}  // namespace
