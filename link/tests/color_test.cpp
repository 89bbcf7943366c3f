#include <gtest/gtest.h>

#include "link_fixture.h"

TEST_F(LinkTest, GammaEightyReadsBackAsSeventyNine) {
    EXPECT_EQ(SetRGBYGamma(40, 32, 24, 36, 80), 1);
    const ColorSettings& held = state().linkColor;
    EXPECT_EQ(held.gamma2, 80.0f * 0.01f);
    EXPECT_LT(held.gamma2, 0.8f);
    EXPECT_EQ(held.gamma1, 1.0f);
    EXPECT_EQ(held.lumaGammaOn, 0);

    int red = 0, green = 0, blue = 0, luma = 0, gamma = 0;
    EXPECT_EQ(GetRGBYGamma(&red, &green, &blue, &luma, &gamma), 79);
    EXPECT_EQ(red, 40);
    EXPECT_EQ(green, 32);
    EXPECT_EQ(blue, 24);
    EXPECT_EQ(luma, 36);
    EXPECT_EQ(gamma, 79);

    SetRGBYGamma(32, 32, 32, 32, 100);
    EXPECT_EQ(GetRGBYGamma(&red, &green, &blue, &luma, &gamma), 100);
}

TEST_F(LinkTest, GetRGBYGammaSkipsNullPointersAndClampsHugeGammas) {
    SetRGBYGamma(10, 20, 30, 40, 150);
    int green = 0;
    EXPECT_EQ(GetRGBYGamma(nullptr, &green, nullptr, nullptr, nullptr), 150);
    EXPECT_EQ(green, 20);

    SetRGBYGamma(32, 32, 32, 32, 2147483647);  // gamma about 2.1e7: x 100 is beyond int
    int gamma = 0;
    EXPECT_EQ(GetRGBYGamma(nullptr, nullptr, nullptr, nullptr, &gamma), 2147483647);
    EXPECT_EQ(gamma, 2147483647);
}

TEST_F(LinkTest, SetFlagSwitchesNoiseCorrectionWhiteBalanceAndToneGamma) {
    ASSERT_EQ(AttachDevice(1, 0, 4, 0, 0), 1);
    SetImgBuf(320, 240, 0, 1, 0);
    SetImageInfo(-1, -1, 0, 0);
    SetRGBYGamma(32, 32, 32, 32, 80);

    SetFlag(7, 1, 1, 0, 0);
    EXPECT_EQ(state().linkHw.reserved3, 7);
    ImageInfo info{};
    GetImageInfo(&info.width);
    EXPECT_EQ(info.fpnOn, 1);
    EXPECT_EQ(info.width, 320);
    EXPECT_EQ(info.displayType, 3);
    ColorSettings held{};
    GetColorInfo(&held);
    EXPECT_EQ(held.awbMode, 2);
    EXPECT_EQ(held.redGain, 32);
    EXPECT_EQ(state().linkColor.gamma2On, 1);

    SetFlag(1, 0, 0, 0, 0);
    GetColorInfo(&held);
    EXPECT_EQ(held.awbMode, 0);
    EXPECT_EQ(state().linkColor.gamma2On, 0);
    EXPECT_EQ(GetHWInterface().modeCode, 1);  // the mode goes along unchanged
}
