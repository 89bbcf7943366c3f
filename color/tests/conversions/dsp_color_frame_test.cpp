// GetDspColorFrame: impulse filter, luminance and color-difference pipeline, converted area,
// output formats and the iterative white balance.
#include <gtest/gtest.h>

#include <array>

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

}  // namespace
