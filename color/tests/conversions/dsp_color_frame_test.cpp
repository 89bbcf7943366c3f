// GetDspColorFrame: impulse filter, luminance and color-difference pipeline, converted area,
// output formats and the iterative white balance.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "conversion_fixture.h"

using namespace convtest;

namespace {

std::array<int, 3> bgr(const Frame& f, int r, int c) {
    const BYTE* p = f.pixel(r, c);
    return {p[0], p[1], p[2]};
}

TEST(DspColorFrame, ImpulseFilterReplacesOnlyStrictIsolatedPeaks) {
    Frame f(24, 24, 2);
    f.fill(100);
    f.at(10, 10) = 200;  // R site, 100 above its same-color neighbours: replaced
    f.at(10, 14) = 110;  // R site, only 10 above: kept
    f.at(13, 13) = 40;   // B site dip: replaced
    f.at(12, 11) = 130;  // G site above all four diagonals: replaced
    f.at(14, 11) = 130;  // G site above three diagonals, equal to the fourth: kept
    f.at(15, 12) = 130;
    setGains(32, 32, 32, 32);
    EXPECT_EQ(GetDspColorFrame(24, 24), 1);
    EXPECT_EQ(f.at(10, 10), 100);
    EXPECT_EQ(f.at(10, 14), 110);
    EXPECT_EQ(f.at(13, 13), 100);
    EXPECT_EQ(f.at(12, 11), 100);
    EXPECT_EQ(f.at(14, 11), 130);
}

TEST(DspColorFrame, UniformSitesGiveOneColorInBothFormats) {
    // r, g, b = 120, 100, 80 at every site: Y 101 (scaled to 4 * 50 by luminance gain 16),
    // Cr 16.2, Cb -23.8; green (156.4 + 7.6) * 30 / 32, red 67 * 30 / 32, blue 32.2.
    for (int format : {2, 1}) {
        Frame f(20, 20, format);
        f.fillSites(120, 100, 80);
        setGains(30, 30, 32, 16);
        GetDspColorFrame(20, 20);
        for (int r = 8; r <= 11; ++r) {
            for (int c = 8; c <= 17; ++c) {
                if (format == 2) {
                    ASSERT_EQ(bgr(f, r, c), (std::array<int, 3>{32, 153, 62})) << r << "," << c;
                } else {
                    const BYTE* p = f.pixel(r, c);
                    ASSERT_EQ(p[0] | (p[1] << 8), (7 << 10) | (19 << 5) | 4) << r << "," << c;
                }
            }
        }
    }
}

TEST(DspColorFrame, VariedFrameMatchesWorkedRows) {
    // Worked out independently from the formulas for the pattern8 frame, gains 30, 34
    // and 28, luminance gain 16: the impulse filter, row smoothing and clamping all take part.
    const int row9[12][3] = {{52, 179, 51}, {48, 171, 58}, {47, 167, 57}, {47, 169, 60},
                             {40, 143, 66}, {38, 141, 66}, {32, 148, 61}, {27, 174, 63},
                             {18, 203, 66}, {17, 215, 66}, {50, 245, 75}, {59, 240, 74}};
    const int row10[12][3] = {{58, 199, 57}, {59, 202, 58}, {49, 209, 58}, {49, 192, 67},
                              {38, 150, 72}, {35, 139, 71}, {34, 149, 72}, {34, 171, 72},
                              {36, 199, 71}, {43, 226, 73}, {60, 225, 72}, {69, 235, 67}};
    Frame f(22, 19, 2);
    f.fillPattern();
    setGains(30, 34, 28, 16);
    GetDspColorFrame(22, 19);
    for (int c = 8; c <= 19; ++c) {
        const int* a = row9[c - 8];
        const int* b = row10[c - 8];
        EXPECT_EQ(bgr(f, 9, c), (std::array<int, 3>{a[0], a[1], a[2]})) << "column " << c;
        EXPECT_EQ(bgr(f, 10, c), (std::array<int, 3>{b[0], b[1], b[2]})) << "column " << c;
    }
    EXPECT_EQ(f.at(8, 12), 109);  // filtered in place (was 146)
    EXPECT_EQ(f.at(10, 15), 98);  // (was 135)
}

TEST(DspColorFrame, WritesOnlyTheConvertedArea) {
    Frame f(24, 22, 2);
    f.fillPattern();
    setGains(32, 32, 32, 32);
    GetDspColorFrame(24, 22);
    for (int r = 0; r < 22; ++r) {
        for (int c = 0; c < 24; ++c) {
            const bool inside = r >= 8 && r <= 13 && c >= 8 && c <= 21;
            ASSERT_EQ(f.untouched(r, c), !inside) << r << "," << c;
        }
    }

    Frame gray(24, 22, 0);
    gray.fillPattern();
    EXPECT_EQ(GetDspColorFrame(24, 22), 1);
    for (BYTE b : gray.out) ASSERT_EQ(b, kUntouched);

    // Too small to hold a converted pixel, too tall for the row tables.
    Frame tiny(10, 16, 2);
    tiny.fill(100);
    EXPECT_EQ(GetDspColorFrame(10, 16), 1);
    EXPECT_EQ(GetDspColorFrame(10, 4000), 1);
    for (BYTE b : tiny.out) ASSERT_EQ(b, kUntouched);
}

struct BalanceCase {
    BYTE red, green, blue;      // raw level at each site kind
    std::array<int, 3> before;  // red, green, blue gains
    std::array<int, 3> after;
};

TEST(DspColorFrame, WhiteBalanceStepsTheGainsByItsTable) {
    const BalanceCase cases[] = {
        {45, 30, 45, {40, 32, 40}, {37, 32, 38}},  // both positive: red, blue down, then stop
        {15, 0, 15, {32, 32, 32}, {32, 43, 32}},   // both positive: green up, 11 steps at most
        {15, 0, 0, {32, 32, 32}, {21, 32, 40}},    // cr > 0 > cb: red down with blue up, red down
        {45, 0, 0, {64, 32, 64}, {64, 32, 64}},    // cr > 0 > cb, far apart: stop at once
        {0, 0, 15, {64, 32, 64}, {74, 32, 53}},    // cr < 0 < cb: red up with blue down, blue down
        {0, 15, 15, {32, 20, 32}, {43, 20, 32}},   // cr < 0 < cb: red up
        {0, 15, 15, {32, 32, 32}, {42, 31, 32}},   // both negative: green down, then red up
        {15, 15, 0, {40, 32, 40}, {40, 23, 42}},   // both negative: green down, then blue up
        {15, 15, 15, {32, 20, 32}, {32, 20, 32}},  // both negative, no rule applies
        {100, 100, 100, {32, 32, 32}, {32, 32, 32}},  // both well below zero: stop at once
    };
    for (const BalanceCase& k : cases) {
        Frame f(24, 24, 2);
        f.fillSites(k.red, k.green, k.blue);
        setGains(k.before[0], k.before[1], k.before[2], 32, 1);
        GetDspColorFrame(24, 24);
        ColorGainRecord g;
        GetColorGain(&g);
        EXPECT_EQ((std::array<int, 3>{g.redGain, g.greenGain, g.blueGain}), k.after)
            << "sites " << int(k.red) << "," << int(k.green) << "," << int(k.blue);
    }
}

TEST(DspColorFrame, OtherWhiteBalanceModesLeaveTheGains) {
    for (int mode : {0, 2}) {
        Frame f(24, 24, 2);
        f.fillSites(15, 0, 0);
        setGains(32, 32, 32, 32, mode);
        GetDspColorFrame(24, 24);
        ColorGainRecord g;
        GetColorGain(&g);
        EXPECT_EQ((std::array<int, 3>{g.redGain, g.greenGain, g.blueGain}),
                  (std::array<int, 3>{32, 32, 32}));
    }
    // A width of 11 leaves one area column and so no blue site: nothing to balance.
    Frame narrow(11, 18, 2);
    narrow.fillSites(15, 0, 0);
    setGains(32, 32, 32, 32, 1);
    EXPECT_EQ(GetDspColorFrame(11, 18), 1);
    ColorGainRecord g;
    GetColorGain(&g);
    EXPECT_EQ(g.redGain, 32);
}

// GetDspColorFrame written straight through, pixel by pixel: the impulse filter in place, then
// every pixel of the area from its neighbourhood and the smoothed colour differences on its left.
struct DspReference {
    int width, height;
    std::vector<BYTE> raw;
    int gain[3];  // red, green, blue
    int luma;
    std::array<int, 4096> lumaGamma{}, toneGamma{};  // CalcuGammaTbl fills 4096 entries
    bool lumaGammaOn, toneGammaOn;

    int at(int r, int c) const { return raw[std::size_t(r) * width + c]; }

    void removePeaks() {
        for (int i = 8; i <= height - 9; ++i) {
            for (int x = 8; x <= width - 3; ++x) {
                int n[4];
                if (((i ^ x) & 1) == 0) {
                    n[0] = at(i - 2, x), n[1] = at(i + 2, x), n[2] = at(i, x - 2),
                    n[3] = at(i, x + 2);
                } else {
                    n[0] = at(i - 1, x - 1), n[1] = at(i - 1, x + 1), n[2] = at(i + 1, x - 1),
                    n[3] = at(i + 1, x + 1);
                }
                const int v = at(i, x);
                const int high = *std::max_element(n, n + 4), low = *std::min_element(n, n + 4);
                if (v - high >= 15 || low - v >= 15)
                    raw[std::size_t(i) * width + x] = BYTE((n[0] + n[1] + n[2] + n[3]) >> 2);
            }
        }
    }
    // Colour differences {cr, cb} at (i, x).
    std::array<float, 2> chroma(int i, int x) const {
        const int vertical = at(i - 1, x) + at(i + 1, x);
        const int diagonals = ((at(i - 1, x - 1) + at(i - 1, x + 1)) >> 1) +
                              ((at(i + 1, x - 1) + at(i + 1, x + 1)) >> 1);
        const int side = (at(i, x - 1) + at(i, x + 1)) >> 1;
        const bool site = (x & 1) == (i & 1);  // R (even row) or B (odd row) site
        if ((i & 1) == 0) {
            const int greens = site ? vertical : diagonals, blues = site ? diagonals : vertical;
            const int r = site ? at(i, x) : side, g = site ? side : at(i, x);
            return {float(0.055 * greens - 0.055 * blues + 0.7 * (r - g)),
                    float(0.445 * blues - 0.445 * greens + 0.3 * (g - r))};
        }
        const int reds = site ? diagonals : vertical, greens = site ? vertical : diagonals;
        const int g = site ? side : at(i, x), b = site ? at(i, x) : side;
        return {float(0.35 * (reds - greens) + 0.11 * (g - b)),
                float(0.15 * (greens - reds) + 0.89 * (b - g))};
    }
    int luminance(int i, int x) const {
        const int cross = (at(i, x - 1) + at(i, x + 1) + at(i - 1, x) + at(i + 1, x)) >> 2;
        const int diagonal =
            (at(i - 1, x - 1) + at(i - 1, x + 1) + at(i + 1, x - 1) + at(i + 1, x + 1)) >> 2;
        const int side = (at(i, x - 1) + at(i, x + 1)) >> 1;
        const int vertical = (at(i - 1, x) + at(i + 1, x)) >> 1;
        const bool site = (x & 1) == (i & 1);
        int r, g, b;
        if ((i & 1) == 0) {
            r = site ? at(i, x) : side, g = site ? cross : at(i, x), b = site ? diagonal : vertical;
        } else {
            r = site ? diagonal : vertical, g = site ? cross : at(i, x), b = site ? at(i, x) : side;
        }
        const double y = ((0.3 * r + 0.59 * g + 0.11 * b) + (0.25 * r + 0.5 * g + 0.25 * b)) * 0.5;
        return std::clamp(int(y), 0, 255);
    }
    static float smooth(float c, float prev, float next) {
        if ((c < prev && c < next) || (c > prev && c > next)) return (prev + next) * 0.5f;
        if (prev < c && c < next) return (prev + 2.0f * next) * 0.33333334f;
        if (next < c && c < prev) return (2.0f * prev + next) * 0.33333334f;
        return c;
    }
    static int level(double v) {
        const float f = float(v);
        return f >= 255.0f ? 255 : (f <= 0.0f ? 0 : int(f));
    }
    // Blue, green, red of every area pixel, row by row.
    std::vector<std::array<int, 3>> convert() const {
        std::vector<std::array<int, 3>> out;
        for (int i = 8; i <= height - 9; ++i) {
            float prev[2] = {0.0f, 0.0f};
            for (int x = 8; x <= width - 3; ++x) {
                const auto here = chroma(i, x), next = chroma(i, x + 1);
                const float cr = smooth(here[0], prev[0], next[0]);
                const float cb = smooth(here[1], prev[1], next[1]);
                prev[0] = cr, prev[1] = cb;
                const int l = luminance(i, x);
                const std::int64_t gl = lumaGammaOn ? lumaGamma[l] : l;
                const float y = float(4 * (gl * luma / 32));
                const int g = level((0.782 * y - cr - cb) * double(gain[1]) * 0.03125);
                const int r = level((0.254 * y + cr) * double(gain[0]) * 0.03125);
                const int b = level((0.28 * y + cb) * double(gain[2]) * 0.03125);
                const auto tone = [&](int v) {
                    return toneGammaOn ? std::clamp(toneGamma[v], 0, 255) : v;
                };
                out.push_back({tone(b), tone(g), tone(r)});
            }
        }
        return out;
    }
};

// Random frames, sizes, gains and gamma curves in both output formats against the reference:
// the filtered raw frame and every output byte, the untouched border included.
TEST(DspColorFrame, RandomFramesMatchThePerPixelReference) {
    std::mt19937 gen(18);
    for (int round = 0; round < 24; ++round) {
        const int format = round % 2 ? 1 : 2;
        const int w = 11 + int(gen() % 150), h = 17 + int(gen() % 30);
        Frame f(w, h, format);
        const int spread = round % 3 == 0 ? 256 : 48;  // many impulses, or few
        for (auto& b : f.raw) b = BYTE(round % 3 == 0 ? gen() : 90 + gen() % spread);
        DspReference ref{w,
                         h,
                         f.raw,
                         {int(gen() % 80), int(gen() % 80), int(gen() % 80)},
                         int(gen() % 64),
                         {},
                         {},
                         round % 4 >= 2,
                         round % 8 >= 4};
        const float lumaGamma = 0.4f + float(gen() % 100) / 100, toneGamma = 1.3f;
        SetColorGain(ref.gain[0], ref.gain[1], ref.gain[2], ref.luma, 0, lumaGamma, toneGamma,
                     ref.lumaGammaOn, ref.toneGammaOn, 8, 0);
        if (ref.lumaGammaOn) CalcuGammaTbl(lumaGamma, ref.lumaGamma.data(), 8);
        if (ref.toneGammaOn) CalcuGammaTbl(toneGamma, ref.toneGamma.data(), 8);
        ASSERT_EQ(GetDspColorFrame(w, h), 1);
        ref.removePeaks();
        ASSERT_EQ(f.raw, ref.raw) << w << " x " << h;
        const auto want = ref.convert();
        std::size_t k = 0;
        for (int r = 0; r < h; ++r) {
            for (int c = 0; c < w; ++c) {
                const bool inside = r >= 8 && r <= h - 9 && c >= 8 && c <= w - 3;
                if (!inside) {
                    ASSERT_TRUE(f.untouched(r, c)) << r << "," << c;
                    continue;
                }
                const auto& p = want[k++];
                const BYTE* got = f.pixel(r, c);
                if (format == 2) {
                    ASSERT_EQ((std::array<int, 3>{got[0], got[1], got[2]}), p)
                        << r << "," << c << " of " << w << " x " << h << " round " << round;
                } else {
                    const int word = ((p[2] >> 3) << 10) | ((p[1] >> 3) << 5) | (p[0] >> 3);
                    ASSERT_EQ(got[0] | (got[1] << 8), word) << r << "," << c << " round " << round;
                }
            }
        }
    }
}

}  // namespace
