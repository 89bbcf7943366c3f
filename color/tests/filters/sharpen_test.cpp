#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "filters/test_picture.h"

namespace {

// 3 x 3 picture at 100, with channel c at `around` everywhere but the centre.
Picture ring(int c, int around) {
    Picture p(3, 3, 3, 100);
    for (int i = 0; i < 9; ++i) {
        if (i != 4) p.channel(i % 3, i / 3, c) = BYTE(around);
    }
    return p;
}

int centreAfterSharpen(Picture& src, int c) {
    Picture dst(3, 3);
    SharpenImg(src.table(), dst.table(), 3, 3);
    return dst.channel(1, 1, c);
}

TEST(SharpenImg, ThreeByThreeFiltersTheCentreAndCopiesItToTheBorders) {
    Picture src = ring(0, 50);
    Picture dst(3, 3, 3, 7);
    EXPECT_EQ(SharpenImg(src.table(), dst.table(), 3, 3), dst.table());
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(dst.row(y, 0), std::vector<int>(3, 150));  // ((1600 - 400) * 2) / 16
        EXPECT_EQ(dst.row(y, 1), std::vector<int>(3, 100));
    }
    Picture flat(17, 9);
    for (int i = 0; i < 17 * 9; ++i) flat.setPixel(i % 17, i / 17, 12, 140, 250);
    Picture out(17, 9);
    SharpenImg(flat.table(), out.table(), 17, 9);
    EXPECT_EQ(out.bytes, flat.bytes);
}

TEST(SharpenImg, EdgeNeedsThreeNeighboursTwentyOrMoreAwayAndResultsSaturate) {
    const auto centre = [](int differing, int step) {
        Picture src(3, 3, 3, 100);
        const int spots[3][2] = {{0, 0}, {2, 0}, {1, 2}};
        for (int k = 0; k < differing; ++k)
            src.channel(spots[k][0], spots[k][1], 2) = BYTE(100 + step);
        return centreAfterSharpen(src, 2);
    };
    EXPECT_EQ(centre(2, 20), 100);  // a line end: two neighbours only
    EXPECT_EQ(centre(3, 19), 100);  // 19 does not count
    EXPECT_EQ(centre(3, 20), 92);   // (1600 - 860) * 2 / 16, truncated from 92.5
    Picture bright = ring(1, 0);
    bright.channel(1, 1, 1) = 250;
    EXPECT_EQ(centreAfterSharpen(bright, 1), 255);
    Picture dark = ring(1, 200);
    dark.channel(1, 1, 1) = 10;
    EXPECT_EQ(centreAfterSharpen(dark, 1), 0);
}

TEST(SharpenImg, GreenFollowsBlueAndRedTogetherOnly) {
    Picture both(3, 3, 3, 100);
    for (int i = 0; i < 9; ++i) {
        if (i != 4) both.setPixel(i % 3, i / 3, 60, 95, 60);
    }
    EXPECT_EQ(centreAfterSharpen(both, 1), 105);  // (1600 - 760) * 2 / 16, no edge of its own
    EXPECT_EQ(centreAfterSharpen(both, 0), 140);
    Picture blue = ring(0, 60);
    EXPECT_EQ(centreAfterSharpen(blue, 1), 100);
    Picture green = ring(1, 30);
    EXPECT_EQ(centreAfterSharpen(green, 0), 100);  // blue never follows green
    EXPECT_EQ(centreAfterSharpen(green, 1), 170);
}

TEST(SharpenImg, PicturesBelowThreeByThreeWriteNothing) {
    Picture src(3, 3);
    Picture dst(3, 3, 3, 44);
    EXPECT_EQ(SharpenImg(src.table(), dst.table(), 2, 3), nullptr);
    EXPECT_EQ(SharpenImg(src.table(), dst.table(), 3, 2), nullptr);
    EXPECT_EQ(SharpenImg(src.table(), dst.table(), -3, 3), nullptr);
    EXPECT_EQ(SharpenImg(src.table(), nullptr, 3, 3), nullptr);
    EXPECT_EQ(dst.bytes, std::vector<BYTE>(27, 44));
}

}  // namespace

// Edge count and sharpened value of channel c at (x, y), straight from the rules.
struct SharpenReference {
    Picture& p;
    bool edge(int x, int y, int c) const {
        int count = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if ((dx || dy) && std::abs(p.channel(x + dx, y + dy, c) - p.channel(x, y, c)) >= 20)
                    ++count;
        return count >= 3;
    }
    int value(int x, int y, int c) const {
        const int centre = p.channel(x, y, c);
        const bool on = edge(x, y, c) || (c == 1 && edge(x, y, 0) && edge(x, y, 2));
        if (!on) return centre;
        int sum = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (dx || dy) sum += p.channel(x + dx, y + dy, c);
        return std::clamp((16 * centre - sum) * 2 / 16, 0, 255);
    }
};

// Random and smooth pictures, narrow and wider than several vector registers, against the
// reference; the borders repeat their inner neighbours.
TEST(SharpenImg, RandomPicturesMatchTheReference) {
    std::uint32_t seed = 7;
    for (auto [w, h] : {std::pair{3, 3}, {4, 5}, {13, 4}, {24, 3}, {70, 5}, {333, 4}}) {
        for (int round = 0; round < 3; ++round) {
            Picture src(w, h);
            src.randomize(seed++);
            // Lower contrast in later rounds: fewer edges, differing per channel.
            const int spread = round == 0 ? 256 : (round == 1 ? 40 : 24);
            for (auto& b : src.bytes) b = BYTE(100 + b % spread - (spread == 256 ? 100 : 0));
            Picture got(w, h, 3, 0xEE);
            SharpenImg(src.table(), got.table(), w, h);
            const SharpenReference ref{src};
            Picture want(w, h);
            for (int y = 0; y < h; ++y) {
                const int ry = std::clamp(y, 1, h - 2);
                for (int x = 0; x < w; ++x) {
                    const int rx = std::clamp(x, 1, w - 2);
                    for (int c = 0; c < 3; ++c) want.channel(x, y, c) = BYTE(ref.value(rx, ry, c));
                }
            }
            ASSERT_EQ(got.bytes, want.bytes) << w << " x " << h << " round " << round;
        }
    }
}
