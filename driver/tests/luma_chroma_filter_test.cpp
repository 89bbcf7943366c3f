// The stored-picture clean-up filter on small synthetic pictures.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "driver_internal.h"

namespace {

// A packed 24-bit grey picture (bytes blue, green, red), rows `stride` bytes apart.
struct Picture {
    int width, height, stride;
    std::vector<uint8_t> bytes;
    Picture(int w, int h, uint8_t grey, int pad = 0)
        : width(w), height(h), stride(3 * w + pad), bytes(size_t(stride) * h, grey) {}
    uint8_t* px(int r, int c) { return bytes.data() + size_t(stride) * r + 3 * c; }
    void set(int r, int c, uint8_t b, uint8_t g, uint8_t red) {
        px(r, c)[0] = b, px(r, c)[1] = g, px(r, c)[2] = red;
    }
    void filter(int options) {
        zentdrv::LumaChromaFilter(bytes.data(), bytes.data(), width, height, stride, options);
    }
    bool grey(int r, int c, int level) {
        return px(r, c)[0] == level && px(r, c)[1] == level && px(r, c)[2] == level;
    }
};

TEST(LumaChromaFilter, UniformGreyPicturesComeBackUnchanged) {
    for (int level : {0, 1, 128, 254, 255}) {
        Picture p(32, 24, uint8_t(level), 6);
        const auto before = p.bytes;
        p.filter(3);
        EXPECT_EQ(p.bytes, before) << level;
    }
}

TEST(LumaChromaFilter, IsolatedSpikeEndsFiveFromItsSurroundAtEitherParity) {
    // (6, 7): odd coordinate sum, taken down by the line smoothing; (6, 6): even, taken down
    // by the sharpening and the spike step, which only options 3 enable.
    for (int col : {7, 6}) {
        for (int delta : {20, -20}) {
            Picture p(16, 12, 100);
            const auto level = uint8_t(100 + delta);
            p.set(6, col, level, level, level);
            p.filter(3);
            EXPECT_TRUE(p.grey(6, col, delta > 0 ? 105 : 95)) << col << " " << delta;
            EXPECT_TRUE(p.grey(6, col + 1, 100) && p.grey(5, col, 100) && p.grey(7, col - 1, 100));
        }
    }
    Picture sharpenedOnly(16, 12, 100);
    sharpenedOnly.set(6, 6, 120, 120, 120);
    sharpenedOnly.filter(1);
    EXPECT_TRUE(sharpenedOnly.grey(6, 6, 140));  // (17 * 120 - 920) >> 3, no spike step
}

TEST(LumaChromaFilter, ChromaMeanTruncatesTowardZeroAndSparesTheOuterTwoRowsAndColumns) {
    // (B, G, R) = (48, 110, 101) has the surround's luminance 100 and Cb = -52: only the chroma
    // mean acts on it, and blue is Y + Cb exactly.
    Picture p(10, 10, 100);
    p.set(0, 0, 48, 110, 101);
    p.filter(3);
    EXPECT_EQ(p.px(0, 0)[0], 48);   // border: kept
    EXPECT_EQ(p.px(2, 2)[0], 98);   // trunc(-52 / 25) = -2, not -3
    EXPECT_EQ(p.px(2, 3)[0], 100);  // its window no longer reaches (0, 0)
}

TEST(LumaChromaFilter, PicturesLargerThanItsPlanesAreLeftAlone) {
    Picture big(641, 480, 100);
    big.set(6, 6, 120, 120, 120);
    const auto before = big.bytes;
    big.filter(3);
    EXPECT_EQ(big.bytes, before);

    Picture fits(640, 480, 100);
    fits.set(6, 6, 120, 120, 120);
    fits.filter(3);
    EXPECT_TRUE(fits.grey(6, 6, 105));
}

}  // namespace
