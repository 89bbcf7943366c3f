// Raw-to-color interpolation: output formats, refused sizes, and a cross-check of both
// conversions against a per-pixel reference written straight from the rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "engine/frame_fixture.h"

using namespace enginetest;

TEST(RawColor, OutputFormatsAndRefusedSizes) {
    identityTables();
    Frame white(4, 3, 1, 255, 0);
    GetRawColorFrame(4, 3);
    EXPECT_EQ(white.pixel(0, 3)[0] | white.pixel(0, 3)[1] << 8, 0x7FFF);
    // Table values (8, 16, 24) give (1 << 10) | (2 << 5) | 3, bytes 0x43 0x04.
    SetColorGain(4, 8, 12, 32, 0, 1.0f, 1.0f, 0, 0, 8, 0);
    Frame f(4, 3, 1, 64, 0xEE);
    GetRawColorFrame(4, 3);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(f.pixel(0, i)[0] | f.pixel(0, i)[1] << 8, 0x0443);
    EXPECT_EQ(f.out[24], 0xEE);
    // Table values above 255 keep to their 5-bit fields: bit 15 stays clear.
    SetColorGain(64, 32, 32, 32, 0, 1.0f, 1.0f, 0, 0, 12, 0);
    GetRawColorFrame(4, 3);
    EXPECT_EQ(f.pixel(1, 0)[1] & 0x80, 0);
    // The fine conversion writes 24 bits whatever the format.
    identityTables(1);
    Frame g(4, 3, 2, 80, 0xEE);
    SetImageFormat(1, 1, 1);
    GetFineRawColorFrame(4, 3);
    EXPECT_EQ(std::count(g.out.begin(), g.out.end(), 80), 36);
    // Frames the tables or the rules cannot hold are left alone.
    std::fill(g.out.begin(), g.out.end(), 0xEE);
    for (auto [w, h] : {std::pair{4, 2}, {1, 3}, {-4, 3}, {4, 1025}, {4, -3}}) {
        EXPECT_EQ(GetRawColorFrame(w, h) | GetFineRawColorFrame(w, h), 0);
    }
    EXPECT_EQ(std::count(g.out.begin(), g.out.end(), 0xEE), 36);
}

// ---- Cross-check against a per-pixel reference -----------------------------------------------

namespace {

// Straight from the rules: explicit neighbours with the border replacements, no carried values.
struct Reference {
    const std::vector<BYTE>& raw;
    int width, w;  // w: the written columns, 2 * (width / 2)

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

    // Three ordered rules, each comparing pair (a, b) with pair (c, d): the first pair whose
    // difference is smaller by more than 8 gives its mean; otherwise the fallback.
    static int pick(const int (&rules)[3][4], int fallback) {
        for (const auto& [a, b, c, d] : rules) {
            if (std::abs(a - b) + 8 < std::abs(c - d)) return (a + b) >> 1;
            if (std::abs(c - d) < std::abs(a - b) - 8) return (c + d) >> 1;
        }
        return fallback;
    }
    static int green(int L, int Rt, int U, int D) {
        return pick({{U, D, L, Rt}, {L, D, Rt, U}, {L, U, Rt, D}}, (L + Rt + U + D) >> 2);
    }
    static int diagonal(int UL, int DL, int UR, int DR) {
        return pick({{UL, DL, UR, DR}, {DL, DR, UL, UR}, {UL, DR, UR, DL}},
                    (((UL + DL) >> 1) + ((UR + DR) >> 1)) >> 1);
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
    // Small, odd and even sizes, and rows longer than the fine conversion's 512-pixel chunks.
    for (auto [w, h] : {std::pair{2, 3},
                        {3, 3},
                        {8, 5},
                        {13, 9},
                        {64, 48},
                        {37, 20},
                        {1024, 3},
                        {1027, 4},
                        {1030, 3}}) {
        for (int round = 0; round < 8; ++round) {
            // The last two rounds use 12-bit tables: entries above 255 write their low byte.
            const int bits = round < 6 ? 8 : 12, max = (1 << bits) - 1, scale = bits == 12 ? 8 : 1;
            const int gain[3] = {scale * (16 + int(rng() % 48)), scale * (16 + int(rng() % 48)),
                                 scale * (16 + int(rng() % 48))};
            const int luma = 24 + rng() % 16;
            const bool tone = round % 2;
            SetColorGain(gain[0], gain[1], gain[2], luma, 0, 1.0f, 0.45f, 0, tone, bits, 0);
            std::vector<int> gamma(4096);
            CalcuGammaTbl(0.45f, gamma.data(), bits);
            const auto level = [&](int c, int v) {
                const int t = std::clamp((v * gain[c] * luma) >> 10, 0, max);
                return (tone ? gamma[t] : t) & 0xFF;
            };
            // Smooth frames with an edge reach every fine rule; noise reaches the rest.
            std::vector<BYTE> raw(static_cast<size_t>(w) * h);
            for (int i = 0; i < h; ++i)
                for (int x = 0; x < w; ++x)
                    raw[i * w + x] = static_cast<BYTE>(
                        round % 3 ? rng() : x * 9 + i * 5 + (x > w / 2 ? 90 : 0) + rng() % 12);

            for (auto [format, fine] : {std::pair{2, false}, {1, false}, {2, true}}) {
                Frame f(w, h, format, 0, 0xEE);
                f.raw = raw;
                f.bind();
                fine ? GetFineRawColorFrame(w, h) : GetRawColorFrame(w, h);

                const Reference ref{raw, w, w / 2 * 2};
                std::vector<BYTE> expected(f.out.size(), 0xEE);
                for (int i = 0; i < h; ++i) {
                    for (int x = 0; x < ref.w; ++x) {
                        int r, g, b;
                        ref.site(std::clamp(i, 1, h - 2), x, fine, r, g, b);
                        r = level(0, r), g = level(1, g), b = level(2, b);
                        BYTE* px = &expected[(static_cast<size_t>(i) * w + x) * f.bytesPerPixel];
                        if (format == 2) {
                            px[0] = BYTE(b), px[1] = BYTE(g), px[2] = BYTE(r);
                        } else {
                            const int word = (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
                            px[0] = BYTE(word), px[1] = BYTE(word >> 8);
                        }
                    }
                }
                ASSERT_EQ(f.out, expected) << w << 'x' << h << " format " << format << " fine "
                                           << fine << " round " << round;
            }
        }
    }
}
