// Automatic white balance: one-shot estimation before and tracking after a conversion.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/frame_fixture.h"

using namespace enginetest;

namespace {

struct GainTriple {
    int red, green, blue;
    bool operator==(const GainTriple&) const = default;
};

GainTriple colorGains() {
    const ColorGainRecord rec = gains();
    return {rec.redGain, rec.greenGain, rec.blueGain};
}

// Runs the one-shot estimation on a 7 x 5 mosaic with the given site levels.
GainTriple estimate(BYTE red, BYTE green, BYTE blue) {
    SetColorGain(32, 32, 32, 32, 2, 1.0f, 1.0f, 0, 0, 8, 0);
    Frame f(7, 5, 2);
    f.mosaic(red, green, blue);
    EXPECT_EQ(GetRawColorFrame(7, 5), 0);
    return colorGains();
}

}  // namespace

TEST(WhiteBalanceEstimate, SinglePrecisionRatiosAndTruncation) {
    // Ratio 1 - 20/120 in single precision times 42 is just below 35.
    EXPECT_EQ(estimate(120, 100, 80), (GainTriple{34, 42, 50}));
    // The same frame is converted with the new tables (entries 0..255 rebuilt).
    Frame f(6, 4, 2);
    f.mosaic(120, 100, 80);
    SetColorGain(32, 32, 32, 32, 2, 1.0f, 1.0f, 0, 0, 8, 0);
    GetFineRawColorFrame(6, 4);
    EXPECT_EQ(bgr(f.pixel(2, 3)), (Bgr{125, 131, 127}));
    EXPECT_EQ(gains().lumaGain, 32);  // never touched
}

TEST(WhiteBalanceEstimate, BaseValueAndLeaveAloneRules) {
    EXPECT_EQ(estimate(150, 140, 145), (GainTriple{34, 37, 36}));  // green above 130: base 36
    EXPECT_EQ(estimate(90, 90, 90), (GainTriple{42, 42, 42}));     // all equal
    EXPECT_EQ(estimate(200, 100, 110), (GainTriple{42, 42, 42}));  // red dominates by 80+
    EXPECT_EQ(estimate(180, 100, 101), (GainTriple{23, 42, 42}));  // 79 short of dominance
    // An average of 0 counts as 1: 42 * (1 + 99/100) = 83.58.
    EXPECT_EQ(estimate(0, 100, 100), (GainTriple{83, 42, 42}));
    EXPECT_EQ(estimate(0, 0, 0), (GainTriple{42, 42, 42}));
}

struct TrackCase {
    BYTE red, green, blue;
    int result;
    GainTriple after;  // starting from 32, 32, 32
};

class WhiteBalanceTrack : public ::testing::TestWithParam<TrackCase> {};

TEST_P(WhiteBalanceTrack, StepsOneGainTowardGray) {
    const TrackCase& c = GetParam();
    for (bool fine : {false, true}) {
        SetColorGain(32, 32, 32, 32, 1, 1.0f, 1.0f, 0, 0, 8, 0);
        Frame f(6, 4, 2);
        f.mosaic(c.red, c.green, c.blue);
        EXPECT_EQ(fine ? GetFineRawColorFrame(6, 4) : GetRawColorFrame(6, 4), c.result);
        EXPECT_EQ(colorGains(), c.after);
        // The tables are not rebuilt until the next SetColorGain.
        EXPECT_EQ(bgr(f.pixel(1, 1)), (Bgr{c.blue, c.green, c.red}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WhiteBalanceTrack,
    ::testing::Values(TrackCase{200, 90, 90, 1, {32, 32, 32}},      // red cast
                      TrackCase{90, 200, 90, 1, {32, 32, 32}},      // green cast
                      TrackCase{90, 90, 200, 1, {32, 32, 32}},      // blue cast
                      TrackCase{179, 50, 50, 0, {31, 32, 32}},      // below 180: no cast
                      TrackCase{120, 100, 100, 0, {31, 32, 32}},    // red above green
                      TrackCase{100, 120, 100, 0, {33, 31, 32}},    // green above red
                      TrackCase{100, 108, 95, 0, {32, 31, 33}},     // green above blue
                      TrackCase{100, 105, 120, 0, {32, 32, 31}},    // blue above green
                      TrackCase{116, 108, 100, 0, {31, 32, 33}},    // red above blue
                      TrackCase{100, 108, 116, 0, {33, 32, 31}},    // blue above red
                      TrackCase{106, 103, 100, 0, {31, 32, 32}},    // red 5+ above blue
                      TrackCase{100, 103, 106, 0, {32, 32, 31}},    // blue 5+ above red
                      TrackCase{100, 102, 103, 0, {32, 32, 32}}));  // balanced

TEST(WhiteBalanceTrackClamp, GainsKeptWithinByteRange) {
    // A black frame changes nothing but still clamps out-of-range gains.
    SetColorGain(300, 32, -4, 32, 1, 1.0f, 1.0f, 0, 0, 8, 0);
    Frame f(4, 3, 2, 0);
    EXPECT_EQ(GetRawColorFrame(4, 3), 0);
    EXPECT_EQ(colorGains(), (GainTriple{255, 32, 0}));
}

TEST(WhiteBalanceModes, OffAndUnwrittenFormats) {
    // Mode 0: nothing changes, even on a strong cast.
    SetColorGain(32, 32, 32, 32, 0, 1.0f, 1.0f, 0, 0, 8, 0);
    Frame f(6, 4, 2);
    f.mosaic(200, 90, 90);
    EXPECT_EQ(GetRawColorFrame(6, 4), 0);
    EXPECT_EQ(GetFineRawColorFrame(6, 4), 0);
    EXPECT_EQ(colorGains(), (GainTriple{32, 32, 32}));

    // 8-bit format: the plain conversion writes nothing and tracks averages of 0.
    SetColorGain(32, 32, 32, 32, 1, 1.0f, 1.0f, 0, 0, 8, 0);
    Frame g(6, 4, 2);  // rows bound 18 bytes apart
    g.mosaic(200, 90, 90);
    SetImageFormat(0, 1, 1);
    EXPECT_EQ(GetRawColorFrame(6, 4), 0);
    EXPECT_EQ(std::count(g.out.begin(), g.out.end(), 0xEE), static_cast<long>(g.out.size()));
    EXPECT_EQ(colorGains(), (GainTriple{32, 32, 32}));
    // The fine conversion always writes 24 bits, and sees the cast.
    EXPECT_EQ(GetFineRawColorFrame(6, 4), 1);
    EXPECT_EQ(std::count(g.out.begin(), g.out.end(), 200), 6 * 4);
}
