// Gains, table bits, gamma curves and the channel tables built from them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/frame_fixture.h"

using namespace enginetest;

TEST(ChannelTables, IdentityAndGain) {
    EXPECT_EQ(SetColorGain(32, 32, 32, 32, 0, 1.0f, 1.0f, 0, 0, 8, 0), 0);
    for (int v : {0, 1, 77, 128, 254, 255}) EXPECT_EQ(tableEntries(v), (Bgr{v, v, v})) << v;

    // Red gain 64: 200 clamps to 255, 100 doubles; luminance gain scales all three.
    SetColorGain(64, 32, 16, 32, 0, 1.0f, 1.0f, 0, 0, 8, 0);
    EXPECT_EQ(tableEntries(200), (Bgr{100, 200, 255}));
    EXPECT_EQ(tableEntries(100), (Bgr{50, 100, 200}));
    SetColorGain(32, 32, 32, 48, 0, 1.0f, 1.0f, 0, 0, 8, 0);
    EXPECT_EQ(tableEntries(100), (Bgr{150, 150, 150}));
}

TEST(ChannelTables, MinusOneKeepsGainsAndBits) {
    EXPECT_EQ(SetColorGain(64, 40, 24, 32, 0, 1.0f, 1.0f, 0, 0, 8, 1), 1);
    EXPECT_EQ(SetColorGain(-1, -1, -1, -1, 0, 1.0f, 1.0f, -1, -1, -1, 0), 0);
    const ColorGainRecord rec = gains();
    EXPECT_EQ(rec.redGain, 64);
    EXPECT_EQ(rec.greenGain, 40);
    EXPECT_EQ(rec.blueGain, 24);
    EXPECT_EQ(rec.lumaGain, 32);
    EXPECT_EQ(rec.tableBits, 8);
    EXPECT_EQ(rec.lumaGammaOn, 0);  // -1 stores 0
    EXPECT_EQ(rec.toneGammaOn, 0);
    EXPECT_EQ(rec.wbMode, 0);
    // Rebuilt from the kept values.
    EXPECT_EQ(tableEntries(100), (Bgr{75, 125, 200}));
}

TEST(ChannelTables, ShallowDepthClampsAndZeroesUpperEntries) {
    // 4 bits: 16 meaningful entries clamped to 15; entries 16 and up are 0.
    SetColorGain(32, 64, 32, 32, 0, 1.0f, 1.0f, 0, 0, 4, 0);
    EXPECT_EQ(tableEntries(10), (Bgr{10, 15, 10}));
    EXPECT_EQ(tableEntries(15), (Bgr{15, 15, 15}));
    EXPECT_EQ(tableEntries(16), (Bgr{0, 0, 0}));
    EXPECT_EQ(gains().tableBits, 4);

    // 12 bits: nothing clamps at 255; 24-bit output keeps the low byte of the entry.
    SetColorGain(64, 32, 32, 32, 0, 1.0f, 1.0f, 0, 0, 12, 0);
    EXPECT_EQ(tableEntries(200), (Bgr{200, 200, 400 & 0xFF}));
}

TEST(ChannelTables, GainProductsWrapAt32Bits) {
    // 46341 * 46341 exceeds 2^31: the 32-bit product is negative and clamps to 0.
    SetColorGain(46341, 32, 32, 46341, 0, 1.0f, 1.0f, 0, 0, 8, 0);
    EXPECT_EQ(tableEntries(1).r, 0);
    // 65536 * 65536 wraps to exactly 0.
    SetColorGain(65536, 65536, 65536, 65536, 0, 1.0f, 1.0f, 0, 0, 8, 0);
    EXPECT_EQ(tableEntries(255), (Bgr{0, 0, 0}));
    // Negative gains give 0.
    SetColorGain(-5, 32, 32, 32, 0, 1.0f, 1.0f, 0, 0, 8, 0);
    EXPECT_EQ(tableEntries(100), (Bgr{100, 100, 0}));
}

TEST(ChannelTables, TooDeepTablesChangeNothing) {
    SetColorGain(64, 32, 32, 32, 0, 1.0f, 1.0f, 0, 0, 8, 0);
    EXPECT_EQ(SetColorGain(10, 10, 10, 10, 1, 0.5f, 0.5f, 1, 1, 13, 7), 7);
    const ColorGainRecord rec = gains();
    EXPECT_EQ(rec.redGain, 64);
    EXPECT_EQ(rec.wbMode, 0);
    EXPECT_EQ(rec.tableBits, 8);
    EXPECT_EQ(tableEntries(100), (Bgr{100, 100, 200}));
}

TEST(GammaTables, CurveAndTail) {
    std::vector<int> table(4096, -7);
    CalcuGammaTbl(0.5f, table.data(), 8);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[64], 127);  // trunc(255 * (64 / 255)^0.5)
    EXPECT_EQ(table[255], 255);
    for (int i = 256; i < 4096; ++i) ASSERT_EQ(table[i], 255) << i;

    CalcuGammaTbl(1.0f, table.data(), 12);
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(table[i], i) << i;

    // Gamma 2: trunc(255 * (128 / 255)^2) = 64.
    CalcuGammaTbl(2.0f, table.data(), 8);
    EXPECT_EQ(table[128], 64);

    // Depth 0 and a NaN gamma stay within the table and give defined values.
    CalcuGammaTbl(1.0f, table.data(), 0);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[4095], 0);
    CalcuGammaTbl(std::numeric_limits<float>::quiet_NaN(), table.data(), 8);
    EXPECT_EQ(table[100], 255);
}

TEST(GammaTables, TooDeepLeavesCallerTableAlone) {
    std::vector<int> table(4097, -7);
    CalcuGammaTbl(0.5f, table.data(), 13);
    EXPECT_EQ(std::count(table.begin(), table.end(), -7), 4097);
}

TEST(GammaTables, ToneGammaFoldedIntoChannelTables) {
    SetColorGain(32, 32, 32, 32, 0, 1.0f, 0.5f, 1, 1, 8, 0);
    EXPECT_EQ(tableEntries(64), (Bgr{127, 127, 127}));
    ColorGainRecord rec = gains();
    EXPECT_FLOAT_EQ(rec.toneGamma, 0.5f);
    EXPECT_EQ(rec.toneGammaOn, 1);

    // A gamma passed with its flag off is not stored, and the curve is no longer applied.
    SetColorGain(-1, -1, -1, -1, 0, 2.0f, 3.0f, 0, 0, -1, 0);
    rec = gains();
    EXPECT_FLOAT_EQ(rec.toneGamma, 0.5f);
    EXPECT_FLOAT_EQ(rec.lumaGamma, 1.0f);
    EXPECT_EQ(tableEntries(64), (Bgr{64, 64, 64}));

    SetColorGain(-1, -1, -1, -1, 0, 0.25f, 1.0f, 1, 0, -1, 0);
    EXPECT_FLOAT_EQ(gains().lumaGamma, 0.25f);
    EXPECT_EQ(gains().lumaGammaOn, 1);
}
