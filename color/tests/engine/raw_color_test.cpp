// Raw-to-color interpolation: site rules, borders, output formats, and a cross-check of both
// conversions against a per-pixel reference written straight from the rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "engine/frame_fixture.h"

using namespace enginetest;

TEST(RawColor, FlatFrameIsFlatEverywhere) {
    identityTables();
    for (bool fine : {false, true}) {
        Frame f(8, 6, 2, 100, 0);
        EXPECT_EQ(fine ? GetFineRawColorFrame(8, 6) : GetRawColorFrame(8, 6), 0);
        EXPECT_EQ(std::count(f.out.begin(), f.out.end(), 100), 8 * 6 * 3);
    }
}

TEST(RawColor, PlainMeansAtAnRSite) {
    identityTables();
    Frame f(6, 4, 2, 0);
    f.at(2, 1) = 10;  // L of the R site (2, 2)
    f.at(2, 3) = 20;  // Rt
    f.at(1, 2) = 30;  // U
    f.at(3, 2) = 41;  // D
    GetRawColorFrame(6, 4);
    EXPECT_EQ(f.pixel(2, 2)[1], 25);  // (10 + 20 + 30 + 41) >> 2
}

TEST(RawColor, FineGreenFollowsTheEdge) {
    identityTables();
    struct Case {
        BYTE left, right, up, down, green;
    };
    for (const Case& c : {Case{0, 200, 100, 100, 100},   // vertical edge: (U + D) >> 1
                          Case{100, 100, 0, 200, 100},   // horizontal edge: (L + Rt) >> 1
                          Case{80, 89, 81, 92, 85},      // no direction: mean of four
                          Case{60, 110, 12, 64, 62},     // L-D pair: (L + D) >> 1
                          Case{110, 60, 64, 12, 62},     // Rt-U pair: (Rt + U) >> 1
                          Case{60, 110, 64, 12, 62},     // L-U pair: (L + U) >> 1
                          Case{110, 60, 12, 64, 62}}) {  // Rt-D pair: (Rt + D) >> 1
        Frame f(6, 4, 2, 0);
        f.at(2, 1) = c.left;
        f.at(2, 3) = c.right;
        f.at(1, 2) = c.up;
        f.at(3, 2) = c.down;
        GetFineRawColorFrame(6, 4);
        EXPECT_EQ(f.pixel(2, 2)[1], c.green) << int(c.left) << ' ' << int(c.right);
    }
}

TEST(RawColor, BorderRowsAreCopiesAndOddColumnIsUntouched) {
    identityTables();
    std::mt19937 rng(7);
    for (bool fine : {false, true}) {
        Frame f(7, 4, 2, 0, 0xEE);
        for (BYTE& b : f.raw) b = static_cast<BYTE>(rng());
        fine ? GetFineRawColorFrame(7, 4) : GetRawColorFrame(7, 4);
        for (int c = 0; c < 6; ++c) {
            EXPECT_EQ(bgr(f.pixel(0, c)), bgr(f.pixel(1, c)));
            EXPECT_EQ(bgr(f.pixel(3, c)), bgr(f.pixel(2, c)));
        }
        for (int r = 0; r < 4; ++r) EXPECT_EQ(bgr(f.pixel(r, 6)), (Bgr{0xEE, 0xEE, 0xEE}));
    }
}

TEST(RawColor, SixteenBitWordsFromTableValues) {
    SetColorGain(32, 32, 32, 32, 0, 1.0f, 1.0f, 0, 0, 8, 0);
    Frame white(4, 3, 1, 255, 0);
    GetRawColorFrame(4, 3);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(white.pixel(1, c)[0], 0xFF);
        EXPECT_EQ(white.pixel(1, c)[1], 0x7F);
    }
    // Table values (8, 16, 24): the word (1 << 10) | (2 << 5) | 3, bytes 0x43 0x04.
    SetColorGain(4, 8, 12, 32, 0, 1.0f, 1.0f, 0, 0, 8, 0);
    Frame f(4, 3, 1, 64, 0xEE);
    GetRawColorFrame(4, 3);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(f.pixel(r, c)[0], 0x43);
            EXPECT_EQ(f.pixel(r, c)[1], 0x04);
        }
    }
    EXPECT_EQ(f.out[4 * 3 * 2], 0xEE);  // nothing past the 16-bit image
    // Table values above 255 keep their five bits in place: bit 15 stays clear.
    SetColorGain(64, 32, 32, 32, 0, 1.0f, 1.0f, 0, 0, 12, 0);
    Frame deep(4, 3, 1, 255, 0);
    GetRawColorFrame(4, 3);
    EXPECT_EQ(deep.pixel(1, 0)[1] & 0x80, 0);
}

TEST(RawColor, FineAlwaysWritesTwentyFourBits) {
    identityTables();
    Frame f(4, 3, 2, 80, 0xEE);
    SetImageFormat(1, 1, 1);
    GetFineRawColorFrame(4, 3);
    EXPECT_EQ(std::count(f.out.begin(), f.out.end(), 80), 4 * 3 * 3);
}

TEST(RawColor, FramesOutsideTheLimitsAreRefused) {
    SetColorGain(32, 32, 32, 32, 1, 1.0f, 1.0f, 0, 0, 8, 0);
    Frame f(4, 3, 2, 200, 0xEE);
    for (auto [w, h] : {std::pair{4, 2}, {4, 0}, {1, 3}, {-4, 3}, {4, 1025}, {4, -3}}) {
        EXPECT_EQ(GetRawColorFrame(w, h), 0);
        EXPECT_EQ(GetFineRawColorFrame(w, h), 0);
    }
    EXPECT_EQ(std::count(f.out.begin(), f.out.end(), 0xEE), static_cast<long>(f.out.size()));
}

// ---- Cross-check against a per-pixel reference -----------------------------------------------

namespace {

// Straight from the rules: explicit neighbours with the border replacements, no carried values.
struct Reference {
    const std::vector<BYTE>& raw;
    int width, height, w;

    int cur(int i, int x) const {
        if (x < 0) x = 1;       // left of column 0: column 1
        if (x >= w) x = w - 2;  // right of the last written column: column w - 2
        return raw[static_cast<size_t>(i) * width + x];
    }
    // Diagonal and vertical neighbours: column -1 (left diagonal of column 0) is column 0.
    int vert(int i, int x) const {
        if (x < 0) x = 0;
        if (x >= w) x = w - 2;
        return raw[static_cast<size_t>(i) * width + x];
    }

    static int green(int L, int Rt, int U, int D) {
        if (std::abs(U - D) + 8 < std::abs(L - Rt)) return (U + D) >> 1;
        if (std::abs(L - Rt) < std::abs(U - D) - 8) return (L + Rt) >> 1;
        if (std::abs(L - D) + 8 < std::abs(Rt - U)) return (L + D) >> 1;
        if (std::abs(Rt - U) < std::abs(L - D) - 8) return (Rt + U) >> 1;
        if (std::abs(L - U) + 8 < std::abs(Rt - D)) return (L + U) >> 1;
        if (std::abs(Rt - D) < std::abs(L - U) - 8) return (Rt + D) >> 1;
        return (L + Rt + U + D) >> 2;
    }
    static int diagonal(int UL, int DL, int UR, int DR) {
        if (std::abs(UL - DL) + 8 < std::abs(UR - DR)) return (UL + DL) >> 1;
        if (std::abs(UR - DR) < std::abs(UL - DL) - 8) return (UR + DR) >> 1;
        if (std::abs(DR - DL) + 8 < std::abs(UR - UL)) return (DL + DR) >> 1;
        if (std::abs(UR - UL) < std::abs(DR - DL) - 8) return (UL + UR) >> 1;
        if (std::abs(DR - UL) + 8 < std::abs(UR - DL)) return (UL + DR) >> 1;
        if (std::abs(UR - DL) < std::abs(DR - UL) - 8) return (UR + DL) >> 1;
        return (((UL + DL) >> 1) + ((UR + DR) >> 1)) >> 1;
    }

    // Red, green, blue levels of pixel (i, x), 1 <= i <= height - 2, x < w.
    void site(int i, int x, bool fine, int& r, int& g, int& b) const {
        const int L = cur(i, x - 1), C = cur(i, x), Rt = cur(i, x + 1);
        const int U = vert(i - 1, x), D = vert(i + 1, x);
        const int UL = vert(i - 1, x - 1), DL = vert(i + 1, x - 1);
        const int UR = vert(i - 1, x + 1), DR = vert(i + 1, x + 1);
        const int cross = fine ? green(L, Rt, U, D) : (L + Rt + U + D) >> 2;
        const int diag =
            fine ? diagonal(UL, DL, UR, DR) : (((UL + DL) >> 1) + ((UR + DR) >> 1)) >> 1;
        if (i % 2 == 0 && x % 2 == 0) {
            r = C, g = cross, b = diag;
        } else if (i % 2 == 0) {
            r = (L + Rt) >> 1, g = C, b = (U + D) >> 1;
        } else if (x % 2 == 0) {
            r = (U + D) >> 1, g = C, b = (L + Rt) >> 1;
        } else {
            r = diag, g = cross, b = C;
        }
    }
};

}  // namespace

TEST(RawColorCrossCheck, RandomFramesMatchPerPixelReference) {
    std::mt19937 rng(20240611);
    struct Size {
        int w, h;
    };
    int frames = 0;
    for (Size size : {Size{2, 3}, Size{3, 3}, Size{8, 5}, Size{13, 9}, Size{64, 48}, Size{37, 20},
                      // Rows longer than the fine conversion's 512-pixel chunks.
                      Size{1024, 3}, Size{1027, 4}, Size{1030, 3}}) {
        for (int round = 0; round < 6; ++round) {
            const int redGain = 16 + rng() % 48, greenGain = 16 + rng() % 48;
            const int blueGain = 16 + rng() % 48, lumaGain = 24 + rng() % 16;
            const bool tone = round % 2;
            SetColorGain(redGain, greenGain, blueGain, lumaGain, 0, 1.0f, 0.45f, 0, tone, 8, 0);
            // Reference tables from the gain rule (and the gamma curve when on).
            std::vector<int> gamma(4096);
            CalcuGammaTbl(0.45f, gamma.data(), 8);
            auto level = [&](int gain, int v) {
                int t = std::clamp((v * gain * lumaGain) >> 10, 0, 255);
                return tone ? gamma[t] : t;
            };
            // Smooth frames with edges hit every fine rule; noise hits the rest.
            std::vector<BYTE> raw(static_cast<size_t>(size.w) * size.h);
            const bool smooth = round % 3 == 0;
            for (int i = 0; i < size.h; ++i)
                for (int x = 0; x < size.w; ++x)
                    raw[i * size.w + x] = static_cast<BYTE>(
                        smooth ? (x * 9 + i * 5 + (x > size.w / 2 ? 90 : 0) + rng() % 12) : rng());

            for (int format : {2, 1}) {
                for (bool fine : {false, true}) {
                    if (fine && format == 1) continue;
                    const int bpp = format == 2 ? 3 : 2;
                    Frame f(size.w, size.h, format, 0, 0xEE);
                    f.raw = raw;
                    f.bind();
                    fine ? GetFineRawColorFrame(size.w, size.h) : GetRawColorFrame(size.w, size.h);

                    const Reference ref{raw, size.w, size.h, size.w / 2 * 2};
                    for (int i = 0; i < size.h; ++i) {
                        const int src = i == 0 ? 1 : (i == size.h - 1 ? size.h - 2 : i);
                        for (int x = 0; x < size.w; ++x) {
                            const BYTE* got = &f.out[(i * size.w + x) * bpp];
                            if (x >= ref.w) {
                                ASSERT_EQ(got[0], 0xEE);
                                continue;
                            }
                            int r, g, b;
                            ref.site(src, x, fine, r, g, b);
                            r = level(redGain, r), g = level(greenGain, g), b = level(blueGain, b);
                            if (format == 2) {
                                ASSERT_EQ(bgr(got), (Bgr{b, g, r}))
                                    << size.w << 'x' << size.h << " fine " << fine << " at " << i
                                    << ',' << x;
                            } else {
                                const int word = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
                                ASSERT_EQ(got[0] | (got[1] << 8), word) << i << ',' << x;
                            }
                        }
                    }
                    ++frames;
                }
            }
        }
    }
    EXPECT_EQ(frames, 9 * 6 * 3);
}
