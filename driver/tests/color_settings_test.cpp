// Color settings: keep-values, the live white-balance rule, gamma2On clamping, gamma tables.
#include <array>

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

TEST_F(ColorSettingsTest, KeepValuesAndTheLiveEngineSettings) {
    SetColorInfo(40, 32, 24, 36, 0, 1.2f, 0.7f, 1, 1, 5, 1, 9);
    SetColorInfo(-1, -1, -1, -1, -1, -1.0f, -1.0f, -1, -1, 0, 0, 0);
    ColorSettings c{};
    EXPECT_EQ(GetColorInfo(&c), &c);
    // Only fields 10 and 11 changed; 8 and 9 report the engine's switches as last read back.
    const ColorSettings want{40, 32, 24, 36, 0, 1.2f, 0.7f, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(&c, &want, sizeof c), 0);
    // The engine gets the held values, luminance gamma off, tone gamma with its switch.
    const ColorGainRecord e = engine();
    EXPECT_EQ((std::array{e.redGain, e.greenGain, e.blueGain, e.lumaGain, e.wbMode, e.lumaGammaOn,
                          e.toneGammaOn, e.tableBits}),
              (std::array{40, 32, 24, 36, 0, 0, 1, 8}));
    EXPECT_EQ(e.toneGamma, 0.7f);

    // Any white balance above 0 is the engine's mode 2 for live frames; gamma2On 5 is kept
    // as it is, -3 becomes 0.
    SetColorInfo(-1, -1, -1, -1, 1, -1.0f, -1.0f, 0, 5, 0, 0, 0);
    EXPECT_EQ(engine().wbMode, 2);
    EXPECT_EQ(engine().toneGammaOn, 5);
    EXPECT_EQ(driverState().awbMode, 1);
    SetColorInfo(-1, -1, -1, -1, -7, -1.0f, -1.0f, 0, -3, 0, 0, 0);
    EXPECT_EQ(engine().wbMode, 0);
    EXPECT_EQ(engine().toneGammaOn, 0);
    EXPECT_EQ(driverState().gamma2On, 0);
}

TEST_F(ColorSettingsTest, GammaTable) {
    int table[256];
    CalcuGamTbl(0.5f, table);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[64], 128);
    EXPECT_EQ(table[255], 255);
    CalcuGamTbl(1.0f, table);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(table[i], i);
    // Values above 255 keep their low 8 bits; 0 to a negative power never traps.
    CalcuGamTbl(-1.0f, table);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[128], 0);  // 512
    EXPECT_EQ(table[3], (256 * 256 / 3) & 0xFF);
    CalcuGamTbl(1.0f, nullptr);  // no table, nothing written
    EXPECT_EQ(GetColorInfo(nullptr), nullptr);
    EXPECT_EQ(GetImageInfo(nullptr), nullptr);
}

}  // namespace
}  // namespace zentdrv::testing
