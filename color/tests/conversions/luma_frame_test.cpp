// GetYFrame: luminance from the 3 x 3 window, gain and gamma, the three output formats.
#include <gtest/gtest.h>

#include <vector>

#include "conversion_fixture.h"

using namespace convtest;

namespace {

// Levels worked out by hand from the formulas for the pattern8 frame, columns 3..10.
const int kEvenRow2[] = {123, 104, 116, 99, 108, 102, 103, 118};
const int kOddRow3[] = {98, 94, 90, 89, 90, 89, 93, 105};

TEST(LumaFrame, FlatFrameKeepsItsLevelInEveryFormat) {
    for (int format : {2, 1, 0}) {
        Frame f(9, 6, format);
        f.fill(100);
        setGains(32, 32, 32, 32);
        EXPECT_EQ(GetYFrame(9, 6), 1);
        const int y5 = 100 >> 3;
        for (int r = 1; r <= 4; ++r) {
            for (int c = 3; c <= 7; ++c) {
                const BYTE* p = f.pixel(r, c);
                if (format == 2) {
                    EXPECT_TRUE(p[0] == 100 && p[1] == 100 && p[2] == 100) << r << "," << c;
                } else if (format == 1) {
                    EXPECT_EQ(p[0] | (p[1] << 8), (y5 << 10) | (y5 << 5) | y5) << r << "," << c;
                } else {
                    EXPECT_EQ(p[0], 100) << r << "," << c;
                }
            }
        }
    }
}

TEST(LumaFrame, EvenAndOddRowFormulasOnAVariedFrame) {
    Frame f(12, 6, 0);
    f.fillPattern();
    setGains(32, 32, 32, 32);
    GetYFrame(12, 6);
    for (int c = 3; c <= 10; ++c) {
        EXPECT_EQ(f.pixel(2, c)[0], kEvenRow2[c - 3]) << "column " << c;
        EXPECT_EQ(f.pixel(3, c)[0], kOddRow3[c - 3]) << "column " << c;
    }
}

TEST(LumaFrame, GainDoublesAndSaturates) {
    Frame f(12, 6, 0);
    f.fillPattern();
    setGains(32, 32, 32, 64);
    GetYFrame(12, 6);
    for (int c = 3; c <= 10; ++c) EXPECT_EQ(f.pixel(2, c)[0], 2 * kEvenRow2[c - 3]);

    f.fill(200);
    GetYFrame(12, 6);
    EXPECT_EQ(f.pixel(2, 5)[0], 255);
    EXPECT_EQ(f.pixel(3, 6)[0], 255);
}

TEST(LumaFrame, GammaTableAndTopLevelWord) {
    Frame f(8, 4, 1);
    f.fill(64);
    SetColorGain(32, 32, 32, 32, 0, 0.5f, 1.0f, 1, 0, 8, 0);  // luminance gamma 0.5 on
    GetYFrame(8, 4);
    const int y5 = 127 >> 3;  // 255 * (64 / 255)^0.5 = 127
    EXPECT_EQ(f.pixel(1, 4)[0] | (f.pixel(1, 4)[1] << 8), (y5 << 10) | (y5 << 5) | y5);

    f.fill(255);
    setGains(32, 32, 32, 32);
    GetYFrame(8, 4);
    EXPECT_EQ(f.pixel(2, 5)[0], 0xFF);
    EXPECT_EQ(f.pixel(2, 5)[1], 0x7F);
}

TEST(LumaFrame, WritesOnlyTheInterior) {
    Frame f(10, 7, 2);
    f.fillPattern();
    setGains(32, 32, 32, 32);
    GetYFrame(10, 7);
    for (int r = 0; r < 7; ++r) {
        for (int c = 0; c < 10; ++c) {
            const bool border = r == 0 || r == 6 || c < 3 || c == 9;
            EXPECT_EQ(f.untouched(r, c), border) << r << "," << c;
        }
    }
    // No interior column, no interior row, or taller than any row table: nothing written.
    Frame small(4, 3, 2);
    small.fill(100);
    EXPECT_EQ(GetYFrame(4, 3), 1);
    EXPECT_EQ(GetYFrame(4, 1), 1);
    EXPECT_EQ(GetYFrame(4, 5000), 1);
    for (BYTE b : small.out) ASSERT_EQ(b, kUntouched);
}

}  // namespace
