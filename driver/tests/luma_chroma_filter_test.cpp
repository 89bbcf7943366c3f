// The stored-picture clean-up filter on small synthetic pictures.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "driver_internal.h"

namespace {

using zentdrv::LumaChromaFilter;

// A packed 24-bit picture (bytes blue, green, red), rows `stride` bytes apart.
struct Picture {
    int width;
    int height;
    int stride;
    std::vector<uint8_t> bytes;

    Picture(int w, int h, uint8_t grey, int extra = 0)
        : width(w),
          height(h),
          stride(3 * w + extra),
          bytes(static_cast<size_t>(stride) * h, grey) {}
    uint8_t* px(int r, int c) { return bytes.data() + static_cast<size_t>(stride) * r + 3 * c; }
    void set(int r, int c, uint8_t b, uint8_t g, uint8_t red) {
        px(r, c)[0] = b;
        px(r, c)[1] = g;
        px(r, c)[2] = red;
    }
    void filter(int options) {
        LumaChromaFilter(bytes.data(), bytes.data(), width, height, stride, options);
    }
};

void expectGrey(Picture& p, int r, int c, int level) {
    EXPECT_EQ(p.px(r, c)[0], level) << "blue at " << r << "," << c;
    EXPECT_EQ(p.px(r, c)[1], level) << "green at " << r << "," << c;
    EXPECT_EQ(p.px(r, c)[2], level) << "red at " << r << "," << c;
}

TEST(LumaChromaFilter, UniformGreyPicturesComeBackUnchanged) {
    for (int level : {0, 1, 77, 128, 254, 255}) {
        Picture p(32, 24, static_cast<uint8_t>(level), 6);
        const auto before = p.bytes;
        p.filter(3);
        EXPECT_EQ(p.bytes, before) << "level " << level;
    }
}

TEST(LumaChromaFilter, IsolatedRaisedOrLoweredPixelEndsFiveFromItsSurroundAtEitherParity) {
    // (6, 7) has an odd coordinate sum (line smoothing takes it down), (6, 6) an even one
    // (sharpening and the spike step take it down).
    for (int col : {7, 6}) {
        for (int delta : {20, -20}) {
            Picture p(16, 12, 100);
            const auto level = static_cast<uint8_t>(100 + delta);
            p.set(6, col, level, level, level);
            p.filter(3);
            expectGrey(p, 6, col, delta > 0 ? 105 : 95);
            expectGrey(p, 6, col + 1, 100);
            expectGrey(p, 5, col, 100);
            expectGrey(p, 7, col - 1, 100);
        }
    }
}

TEST(LumaChromaFilter, OptionsSelectSharpeningAndTheSpikeStep) {
    // Even parity: only the spike step brings the sharpened pixel back down.
    Picture sharpenOnly(16, 12, 100);
    sharpenOnly.set(6, 6, 120, 120, 120);
    sharpenOnly.filter(1);
    expectGrey(sharpenOnly, 6, 6, 140);

    // Without sharpening or spike step an even-parity spike passes untouched.
    Picture none(16, 12, 100);
    none.set(6, 6, 120, 120, 120);
    none.filter(0);
    expectGrey(none, 6, 6, 120);

    // Options 2 sharpen (nonzero) but have no spike step (bit 0 clear).
    Picture two(16, 12, 100);
    two.set(6, 6, 120, 120, 120);
    two.filter(2);
    expectGrey(two, 6, 6, 140);
}

TEST(LumaChromaFilter, SmallPicturesAreOnlySharpenedInside) {
    // 3 x 3: no smoothing, spike or chroma step; the centre alone is sharpened:
    // (17 * 140 - (8 * 100 + 140)) >> 3 = 180.
    Picture p(3, 3, 100);
    p.set(1, 1, 140, 140, 140);
    p.filter(3);
    expectGrey(p, 1, 1, 180);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            if (r != 1 || c != 1) expectGrey(p, r, c, 100);

    // 2 x 2 and 1 x 1: nothing applies at all.
    Picture tiny(2, 2, 50);
    tiny.set(0, 0, 200, 200, 200);
    const auto before = tiny.bytes;
    tiny.filter(3);
    EXPECT_EQ(tiny.bytes, before);
}

TEST(LumaChromaFilter, ChromaMeanTruncatesTowardZeroAndSparesTheTwoOuterRowsAndColumns) {
    // Pixel (B, G, R) = (48, 110, 101) has the surround's luminance 100, Cb = -52, Cr = 1, so
    // only the chroma mean acts on it. Blue is Y + Cb exactly.
    Picture corner(10, 10, 100);
    corner.set(0, 0, 48, 110, 101);
    corner.filter(3);
    EXPECT_EQ(corner.px(0, 0)[0], 48);   // outermost: never smoothed
    EXPECT_EQ(corner.px(2, 2)[0], 98);   // trunc(-52 / 25) = -2, not -3
    EXPECT_EQ(corner.px(2, 3)[0], 100);  // its window no longer reaches (0, 0)
    EXPECT_EQ(corner.px(3, 2)[0], 100);

    Picture inner(12, 12, 100);
    inner.set(5, 6, 48, 110, 101);
    inner.filter(3);
    for (int r = 0; r < 12; ++r) {
        for (int c = 0; c < 12; ++c) {
            const bool inWindow = r >= 3 && r <= 7 && c >= 4 && c <= 8;
            EXPECT_EQ(inner.px(r, c)[0], inWindow ? 98 : 100) << r << "," << c;
            EXPECT_EQ(inner.px(r, c)[2], 100) << r << "," << c;
        }
    }
}

TEST(LumaChromaFilter, SeparateSourceGivesTheInPlaceResultAndKeepsTheSource) {
    Picture src(20, 14, 90, 9);
    for (int r = 0; r < 14; ++r)
        for (int c = 0; c < 20; ++c)
            src.set(r, c, static_cast<uint8_t>(r * 13 + c * 7), static_cast<uint8_t>(c * 11),
                    static_cast<uint8_t>(255 - r * 9 - c));
    const auto original = src.bytes;
    Picture inPlace = src;
    inPlace.filter(3);

    Picture dst(20, 14, 0, 9);
    LumaChromaFilter(src.bytes.data(), dst.bytes.data(), 20, 14, src.stride, 3);
    EXPECT_EQ(src.bytes, original);
    for (int r = 0; r < 14; ++r) {
        ASSERT_EQ(0, std::memcmp(dst.px(r, 0), inPlace.px(r, 0), 3 * 20)) << "row " << r;
    }
    EXPECT_NE(0, std::memcmp(dst.px(7, 0), original.data() + 7 * src.stride, 3 * 20));
}

TEST(LumaChromaFilter, PicturesLargerThanItsPlanesOrEmptyAreLeftAlone) {
    Picture big(641, 480, 100);
    big.set(6, 6, 120, 120, 120);
    const auto before = big.bytes;
    big.filter(3);
    EXPECT_EQ(big.bytes, before);

    Picture fits(640, 480, 100);
    fits.set(6, 6, 120, 120, 120);
    fits.filter(3);
    expectGrey(fits, 6, 6, 105);

    Picture p(8, 8, 100);
    p.set(4, 4, 120, 120, 120);
    const auto same = p.bytes;
    LumaChromaFilter(p.bytes.data(), p.bytes.data(), 0, 8, p.stride, 3);
    LumaChromaFilter(p.bytes.data(), p.bytes.data(), 8, -1, p.stride, 3);
    LumaChromaFilter(nullptr, p.bytes.data(), 8, 8, p.stride, 3);
    EXPECT_EQ(p.bytes, same);
}

}  // namespace
