#include <gtest/gtest.h>

#include <array>

#include "link_fixture.h"

TEST_F(LinkTest, GammaEightyReadsBackAsSeventyNine) {
    SetRGBYGamma(40, 32, 24, 36, 80);
    EXPECT_LT(state().linkColor.gamma2, 0.8f);  // the single-precision product
    EXPECT_EQ(state().linkColor.gamma1, 1.0f);
    int red = 0, green = 0, blue = 0, luma = 0, gamma = 0;
    EXPECT_EQ(GetRGBYGamma(&red, &green, &blue, &luma, &gamma), 79);
    EXPECT_EQ(gamma, 79);
    EXPECT_EQ((std::array{red, green, blue, luma}), (std::array{40, 32, 24, 36}));

    SetRGBYGamma(32, 32, 32, 32, 100);
    EXPECT_EQ(GetRGBYGamma(nullptr, nullptr, nullptr, nullptr, nullptr), 100);
    SetRGBYGamma(32, 32, 32, 32, 2147483647);  // x 100 is beyond int: clamped
    EXPECT_EQ(GetRGBYGamma(nullptr, &green, nullptr, nullptr, &gamma), 2147483647);
    EXPECT_EQ(gamma, 2147483647);
}

TEST_F(LinkTest, SetFlagSwitchesNoiseCorrectionWhiteBalanceAndToneGamma) {
    attachLive(1, 0);
    SetRGBYGamma(32, 32, 32, 32, 80);
    SetFlag(7, 1, 1, 0, 0);
    EXPECT_EQ(state().linkHw.reserved3, 7);
    ImageInfo info{};
    GetImageInfo(&info.width);
    EXPECT_EQ(info.fpnOn, 1);
    EXPECT_EQ(info.width * info.height, 320 * 240);
    EXPECT_EQ(info.displayType, 3);
    ColorSettings held{};
    EXPECT_EQ(GetColorInfo(&held)->awbMode, 2);
    EXPECT_EQ(held.redGain, 32);
    EXPECT_EQ(state().linkColor.gamma2On, 1);

    SetFlag(1, 0, 0, 0, 0);
    EXPECT_EQ(GetColorInfo(&held)->awbMode, 0);
    EXPECT_EQ(state().linkColor.gamma2On, 0);
    EXPECT_EQ(GetHWInterface().modeCode, 1);
}
