// Color settings: keep-values, the live white-balance rule, gamma2On clamping, gamma tables.
#include "driver_fixture.h"
#include "zenthue.h"

namespace zentdrv::testing {
namespace {

using ColorSettingsTest = DriverTest;

ColorGainRecord engine() {
    ColorGainRecord r{};
    GetColorGain(&r);
    return r;
}

TEST_F(ColorSettingsTest, KeepValuesAndAlwaysStoredFields) {
    SetColorInfo(40, 32, 24, 36, 0, 1.2f, 0.7f, 1, 1, 5, 1, 9);
    SetColorInfo(-1, -1, -1, -1, -1, -1.0f, -1.0f, -1, -1, 0, 0, 0);
    ColorSettings c{};
    EXPECT_EQ(GetColorInfo(&c), &c);
    EXPECT_EQ(c.redGain, 40);
    EXPECT_EQ(c.greenGain, 32);
    EXPECT_EQ(c.blueGain, 24);
    EXPECT_EQ(c.lumaGain, 36);
    EXPECT_EQ(c.awbMode, 0);
    EXPECT_EQ(c.gamma1, 1.2f);
    EXPECT_EQ(c.gamma2, 0.7f);
    EXPECT_EQ(c.reserved10, 0);
    EXPECT_EQ(c.enhanceOn, 0);
    // Fields 8 and 9 report the engine's switches as last read back, not what was passed.
    EXPECT_EQ(c.lumaGammaOn, 0);
    EXPECT_EQ(c.gamma2On, 0);
    EXPECT_EQ(driverState().gamma2On, 1);
    // The engine is re-programmed with the held values.
    const ColorGainRecord e = engine();
    EXPECT_EQ(e.redGain, 40);
    EXPECT_EQ(e.blueGain, 24);
    EXPECT_EQ(e.lumaGain, 36);
    EXPECT_EQ(e.toneGamma, 0.7f);
    EXPECT_EQ(e.toneGammaOn, 1);
    EXPECT_EQ(e.lumaGammaOn, 0);
    EXPECT_EQ(e.tableBits, 8);
}

TEST_F(ColorSettingsTest, LiveWhiteBalanceAndToneGammaSwitch) {
    SetColorInfo(32, 32, 32, 32, 1, 1.0f, 1.0f, 0, 5, 0, 0, 0);
    EXPECT_EQ(engine().wbMode, 2);
    EXPECT_EQ(driverState().awbMode, 1);
    EXPECT_EQ(driverState().gamma2On, 5);
    EXPECT_EQ(engine().toneGammaOn, 5);

    SetColorInfo(-1, -1, -1, -1, 0, -1.0f, -1.0f, 0, -3, 0, 0, 0);
    EXPECT_EQ(engine().wbMode, 0);
    EXPECT_EQ(driverState().gamma2On, 0);
    EXPECT_EQ(engine().toneGammaOn, 0);

    SetColorInfo(-1, -1, -1, -1, -7, -1.0f, -1.0f, 0, -1, 0, 0, 0);
    EXPECT_EQ(engine().wbMode, 0);
}

TEST_F(ColorSettingsTest, GammaTable) {
    int table[256];
    CalcuGamTbl(0.5f, table);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[64], 128);
    EXPECT_EQ(table[255], 255);
    CalcuGamTbl(1.0f, table);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(table[i], i);
    // Gamma 0 gives 256 everywhere, kept to its low 8 bits; a negative gamma never traps.
    CalcuGamTbl(0.0f, table);
    EXPECT_EQ(table[100], 0);
    CalcuGamTbl(-1.0f, table);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[128], 0);  // 256 * 2 = 512
    EXPECT_EQ(table[3], (256 * 256 / 3) & 0xFF);
}

}  // namespace
}  // namespace zentdrv::testing
