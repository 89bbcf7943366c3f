// Gains, table bits, gamma curves, channel tables and the automatic white balance.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "engine/frame_fixture.h"

using namespace enginetest;

TEST(ChannelTables, GainsMinusOneAndDepth) {
    EXPECT_EQ(SetColorGain(32, 32, 32, 32, 0, 1.0f, 1.0f, 0, 0, 8, 5), 5);
    for (int v : {0, 1, 128, 255}) EXPECT_EQ(tableEntries(v), (Bgr{v, v, v}));
    SetColorGain(64, 40, 24, 32, 0, 1.0f, 1.0f, 0, 0, 8, 0);
    EXPECT_EQ(tableEntries(200), (Bgr{150, 250, 255}));  // red 400 clamps to 255
    // -1 keeps the gains and the depth, stores 0 for the on flags, and rebuilds the tables.
    SetColorGain(-1, -1, -1, -1, 0, 1.0f, 1.0f, -1, -1, -1, 0);
    const ColorGainRecord rec = gains();
    EXPECT_EQ(std::vector({rec.redGain, rec.greenGain, rec.blueGain, rec.lumaGain, rec.tableBits,
                           rec.lumaGammaOn, rec.toneGammaOn}),
              std::vector({64, 40, 24, 32, 8, 0, 0}));
    EXPECT_EQ(tableEntries(100), (Bgr{75, 125, 200}));

    // 4 bits: entries clamp to 15 and entries 16 up are 0.
    SetColorGain(32, 64, 32, 32, 0, 1.0f, 1.0f, 0, 0, 4, 0);
    EXPECT_EQ(tableEntries(10), (Bgr{10, 15, 10}));
    EXPECT_EQ(tableEntries(16), (Bgr{0, 0, 0}));

    // Products wrap as 32-bit arithmetic: 46341 * 46341 is negative, 65536 * 65536 is 0.
    SetColorGain(46341, 65536, -5, 46341, 0, 1.0f, 1.0f, 0, 0, 8, 0);
    EXPECT_EQ(tableEntries(1), (Bgr{0, 0, 0}));

    // Deeper tables than 4096 entries change nothing at all.
    SetColorGain(64, 32, 32, 32, 0, 1.0f, 1.0f, 0, 0, 8, 0);
    EXPECT_EQ(SetColorGain(10, 10, 10, 10, 1, 0.5f, 0.5f, 1, 1, 13, 7), 7);
    EXPECT_EQ(gains().wbMode, 0);
    EXPECT_EQ(tableEntries(100), (Bgr{100, 100, 200}));
}

TEST(GammaTables, CurveTailAndToneFolding) {
    std::vector<int> table(4097, -7);
    EXPECT_EQ(CalcuGammaTbl(0.5f, table.data(), 13), 0);  // too deep: untouched
    EXPECT_EQ(std::count(table.begin(), table.end(), -7), 4097);
    EXPECT_EQ(CalcuGammaTbl(0.5f, nullptr, 8), 0);  // no table: refused
    EXPECT_EQ(GetColorGain(nullptr), nullptr);
    CalcuGammaTbl(0.5f, table.data(), 8);
    EXPECT_EQ(table[64], 127);  // trunc(255 * (64 / 255)^0.5)
    EXPECT_EQ(std::count(table.begin() + 255, table.begin() + 4096, 255), 4096 - 255);
    CalcuGammaTbl(std::numeric_limits<float>::quiet_NaN(), table.data(), 8);
    EXPECT_EQ(table[100], 255);  // "not below max" holds for NaN

    SetColorGain(32, 32, 32, 32, 0, 1.0f, 0.5f, 1, 1, 8, 0);
    EXPECT_EQ(tableEntries(64), (Bgr{127, 127, 127}));
    // A gamma passed with its flag off is not stored; the curve is no longer folded in.
    SetColorGain(-1, -1, -1, -1, 0, 2.0f, 3.0f, 0, 0, -1, 0);
    EXPECT_FLOAT_EQ(gains().lumaGamma, 1.0f);
    EXPECT_FLOAT_EQ(gains().toneGamma, 0.5f);
    EXPECT_EQ(tableEntries(64), (Bgr{64, 64, 64}));
}

namespace {

std::vector<int> colorGains() {
    const ColorGainRecord rec = gains();
    return {rec.redGain, rec.greenGain, rec.blueGain};
}

std::vector<int> estimate(BYTE red, BYTE green, BYTE blue) {
    identityTables(2);
    Frame f(7, 5, 2);
    f.mosaic(red, green, blue);
    EXPECT_EQ(GetRawColorFrame(7, 5), 0);
    return colorGains();
}

}  // namespace

TEST(WhiteBalance, OneShotEstimation) {
    // 42 * (single-precision 1 - 20/120) is just below 35; green stays at the base.
    EXPECT_EQ(estimate(120, 100, 80), std::vector({34, 42, 50}));
    EXPECT_EQ(estimate(150, 140, 145), std::vector({34, 37, 36}));  // green above 130: base 36
    EXPECT_EQ(estimate(90, 90, 90), std::vector({42, 42, 42}));
    EXPECT_EQ(estimate(200, 100, 110), std::vector({42, 42, 42}));  // red dominates by 80+
    EXPECT_EQ(estimate(180, 100, 101), std::vector({23, 42, 42}));  // one short of dominance
    EXPECT_EQ(estimate(0, 100, 100), std::vector({83, 42, 42}));    // an average of 0 counts 1

    // The frame is converted with the tables just rebuilt.
    identityTables(2);
    Frame f(6, 4, 2);
    f.mosaic(120, 100, 80);
    GetFineRawColorFrame(6, 4);
    EXPECT_EQ(bgr(f.pixel(2, 3)), (Bgr{125, 131, 127}));
}

TEST(WhiteBalance, TrackingSteps) {
    struct Case {
        BYTE red, green, blue;
        int result;
        std::vector<int> after;  // from 32, 32, 32
    };
    for (const Case& c :
         {Case{200, 90, 90, 1, {32, 32, 32}}, Case{90, 200, 90, 1, {32, 32, 32}},
          Case{90, 90, 200, 1, {32, 32, 32}}, Case{179, 50, 50, 0, {31, 32, 32}},
          Case{100, 120, 100, 0, {33, 31, 32}}, Case{100, 108, 95, 0, {32, 31, 33}},
          Case{100, 105, 120, 0, {32, 32, 31}}, Case{116, 108, 100, 0, {31, 32, 33}},
          Case{100, 108, 116, 0, {33, 32, 31}}, Case{106, 103, 100, 0, {31, 32, 32}},
          Case{100, 103, 106, 0, {32, 32, 31}}, Case{100, 102, 103, 0, {32, 32, 32}},
          // Means on a step's edge: one pixel missed or counted twice in a sum changes the step.
          // Blue means fall just short of the level (the first pixel's diagonal reads green).
          Case{105, 100, 100, 0, {31, 32, 32}}, Case{100, 110, 100, 0, {33, 31, 32}},
          Case{100, 100, 106, 0, {32, 32, 31}}, Case{100, 100, 105, 0, {32, 32, 32}}}) {
        // Widths of one pixel pair inside the borders and of whole and partial vector runs.
        for (int width : {6, 70, 134}) {
            for (bool fine : {false, true}) {
                identityTables(1);
                Frame f(width, 4, 2);
                f.mosaic(c.red, c.green, c.blue);
                EXPECT_EQ(fine ? GetFineRawColorFrame(width, 4) : GetRawColorFrame(width, 4),
                          c.result);
                EXPECT_EQ(colorGains(), c.after) << int(c.red) << ' ' << int(c.green) << ' '
                                                 << int(c.blue) << " width " << width;
            }
        }
    }
    // A black frame steps nothing but clamps stored gains into 0..255.
    SetColorGain(300, 32, -4, 32, 1, 1.0f, 1.0f, 0, 0, 8, 0);
    Frame black(4, 3, 2, 0);
    EXPECT_EQ(GetRawColorFrame(4, 3), 0);
    EXPECT_EQ(colorGains(), std::vector({255, 32, 0}));
}

TEST(WhiteBalance, OffModeAndUnwrittenFormat) {
    identityTables(0);
    Frame f(6, 4, 2);
    f.mosaic(200, 90, 90);
    EXPECT_EQ(GetRawColorFrame(6, 4), 0);
    EXPECT_EQ(colorGains(), std::vector({32, 32, 32}));
    // 8-bit format: the plain conversion writes nothing and tracks averages of 0; the fine one
    // writes 24 bits anyway and sees the cast.
    identityTables(1);
    std::fill(f.out.begin(), f.out.end(), 0xEE);
    SetImageFormat(0, 1, 1);
    EXPECT_EQ(GetRawColorFrame(6, 4), 0);
    EXPECT_EQ(std::count(f.out.begin(), f.out.end(), 0xEE), 72);
    EXPECT_EQ(GetFineRawColorFrame(6, 4), 1);
    EXPECT_EQ(std::count(f.out.begin(), f.out.end(), 200), 24);
}
