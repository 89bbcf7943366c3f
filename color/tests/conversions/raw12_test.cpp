// GetRawColor12Frame and GetDsp12Frame: both mosaics, mirroring, level scaling, white-balance
// tracking, the row-table rules and the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <random>
#include <vector>

#include "conversion_fixture.h"

using namespace convtest;

namespace {

// A 12-bit source and a 24-bit output, rows packed, both ascending.
struct Frame12 {
    int width, height;
    std::vector<WORD> raw;
    std::vector<BYTE> out;
    BITMAPINFOHEADER srcHeader, dstHeader;

    Frame12(int w, int h, WORD fill = 0)
        : width(w),
          height(h),
          raw(static_cast<std::size_t>(w) * h, fill),
          out(static_cast<std::size_t>(w) * h * 3, kUntouched),
          srcHeader(header(w, h, 16)),
          dstHeader(header(w, h, 24)) {
        SetImageFormat(2, 1, 1);
    }
    WORD& at(int r, int c) { return raw[static_cast<std::size_t>(r) * width + c]; }
    std::array<int, 3> pixel(int r, int c) const {  // blue, green, red
        const BYTE* p = &out[(static_cast<std::size_t>(r) * width + c) * 3];
        return {p[0], p[1], p[2]};
    }
    int convert() {
        return GetRawColor12Frame(raw.data(), &srcHeader, out.data(), &dstHeader, width, height);
    }
    void fillPattern() {
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c) at(r, c) = pattern12(r, c);
    }
};

// The 12-bit sample that identity tables and the level scale turn into byte b.
using Px = std::array<int, 3>;

WORD sampleFor(int b) {
    return static_cast<WORD>((b * 4095 + 254) / 255);
}

void path(int raw12Path, int wbMode = 0) {
    setGains(32, 32, 32, 32, wbMode, 12, raw12Path);
}

TEST(Raw12Frame, FlatMidLevelGives127InBothPathsWithoutEstimation) {
    for (int p : {0, 1}) {
        Frame12 f(10, 8, 2048);
        path(p, 2);  // one-shot estimation belongs to the 8-bit conversions: no gain changes
        EXPECT_EQ(f.convert(), 0);
        ColorGainRecord g;
        GetColorGain(&g);
        EXPECT_EQ(g.redGain + g.greenGain + g.blueGain, 3 * 32);
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 10; ++c)
                ASSERT_EQ(f.pixel(r, c), (Px{127, 127, 127}))
                    << "path " << p << " at " << r << "," << c;
    }
}

TEST(Raw12Frame, BayerPathMirrorsAndInterpolates) {
    // Left half dark, right half bright: the bright half lands on the left of the output.
    Frame12 halves(16, 6);
    for (int r = 0; r < 6; ++r)
        for (int c = 8; c < 16; ++c) halves.at(r, c) = 4095;
    path(0);
    halves.convert();
    for (int r = 0; r < 6; ++r) {
        EXPECT_EQ(halves.pixel(r, 2), (Px{255, 255, 255}));
        EXPECT_EQ(halves.pixel(r, 13), (Px{0, 0, 0}));
    }

    // Worked values of the pattern frame at an odd width: output column 0 is never written and
    // the copied rows repeat the written span.
    Frame12 f(7, 5);
    f.fillPattern();
    f.convert();
    const Px row1[] = {{190, 112, 162}, {162, 162, 162}, {134, 134, 134},
                       {106, 106, 106}, {78, 78, 78},    {78, 50, 50}};
    const Px row2[] = {{130, 2, 226},  {98, 98, 226},   {67, 194, 194},
                       {99, 163, 163}, {132, 132, 132}, {116, 116, 101}};
    for (int c = 1; c < 7; ++c) {
        EXPECT_EQ(f.pixel(1, c), row1[c - 1]) << c;
        EXPECT_EQ(f.pixel(0, c), row1[c - 1]) << c;
        EXPECT_EQ(f.pixel(2, c), row2[c - 1]) << c;
    }
    for (int r = 0; r < 5; ++r) EXPECT_EQ(f.pixel(r, 0), (Px{kUntouched, kUntouched, kUntouched}));
}

TEST(Raw12Frame, DiagonalPathInterpolatesAndFillsItsBorder) {
    Frame12 f(9, 7);
    f.fillPattern();
    path(1);
    f.convert();
    // Worked values at output columns 2..6 (source columns 6..2).
    const std::array<std::array<int, 3>, 5> row2 = {
        {{161, 33, 33}, {195, 2, 67}, {226, 98, 98}, {69, 194, 132}, {163, 163, 163}}};
    const std::array<std::array<int, 3>, 5> row3 = {
        {{169, 104, 42}, {69, 69, 69}, {164, 34, 100}, {0, 127, 127}, {31, 220, 158}}};
    for (int c = 2; c <= 6; ++c) {
        EXPECT_EQ(f.pixel(2, c), row2[c - 2]) << c;
        EXPECT_EQ(f.pixel(3, c), row3[c - 2]) << c;
    }
    // Border columns repeat the nearest converted column, border rows the nearest row.
    for (int r = 2; r <= 4; ++r) {
        EXPECT_EQ(f.pixel(r, 0), f.pixel(r, 2));
        EXPECT_EQ(f.pixel(r, 1), f.pixel(r, 2));
        EXPECT_EQ(f.pixel(r, 7), f.pixel(r, 6));
        EXPECT_EQ(f.pixel(r, 8), f.pixel(r, 6));
    }
    for (int c = 0; c < 9; ++c) {
        EXPECT_EQ(f.pixel(0, c), f.pixel(2, c));
        EXPECT_EQ(f.pixel(1, c), f.pixel(2, c));
        EXPECT_EQ(f.pixel(5, c), f.pixel(4, c));
        EXPECT_EQ(f.pixel(6, c), f.pixel(4, c));
    }
}

TEST(Raw12Frame, TrackingUsesRealMeansOnBayerAndTruncatedMeansOnDiagonal) {
    // Means red 110, green 100.5, blue 108. As real numbers no step applies; truncated, green
    // is 100 and red (10 above it) steps down.
    Frame12 bayer(2, 3);
    bayer.at(0, 0) = bayer.at(2, 0) = sampleFor(110);
    bayer.at(1, 0) = sampleFor(100);
    bayer.at(0, 1) = bayer.at(2, 1) = sampleFor(102);  // green of the B site averages to 101
    bayer.at(1, 1) = sampleFor(108);
    path(0, 1);
    EXPECT_EQ(bayer.convert(), 0);
    ColorGainRecord g;
    GetColorGain(&g);
    EXPECT_EQ(g.redGain, 32);
    EXPECT_EQ(g.greenGain, 32);
    EXPECT_EQ(g.blueGain, 32);

    // Diagonal mosaic, one converted row of two pixels: the green site carries green 101.
    Frame12 diag(6, 5);
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 6; ++c) {
            const int phase = (r + c) % 4;
            diag.at(r, c) = sampleFor(phase == 0 ? 110 : phase == 2 ? 108 : 100);
        }
    diag.at(2, 3) = sampleFor(101);
    path(1, 1);
    EXPECT_EQ(diag.convert(), 0);
    GetColorGain(&g);
    EXPECT_EQ(g.redGain, 31);
    EXPECT_EQ(g.greenGain, 32);
}

// Path 1 written straight through, pixel by pixel, with the channel tables and the level scale
// of 12-bit gains (no tone gamma): the fast paths must give every byte of it.
std::vector<BYTE> diagonalReference(const Frame12& f, const int gain[3], int luma) {
    const auto s = [&](int r, int c) { return int(f.raw[std::size_t(r) * f.width + c]); };
    const auto lut = [&](int c, int level) {
        const auto step = unsigned(gain[c]) * unsigned(luma);
        const int v = std::clamp(int(unsigned(std::min(level, 4095)) * step) >> 10, 0, 4095);
        return BYTE(v * 255 / 4095);
    };
    const int w = f.width, h = f.height;
    std::vector<BYTE> out(f.out.size());
    const auto put = [&](int r, int c, int red, int green, int blue) {
        BYTE* p = &out[(std::size_t(r) * w + c) * 3];
        p[0] = lut(2, blue), p[1] = lut(1, green), p[2] = lut(0, red);
    };
    for (int i = 2; i <= h - 3; ++i) {
        for (int x = 2; x <= w - 3; ++x) {
            const int up = s(i - 1, x), down = s(i + 1, x), left = s(i, x - 1), right = s(i, x + 1);
            const int phase = (i + x) % 4;
            if (phase == 0 || phase == 2) {
                const int across = (s(i, x - 2) + s(i, x + 2)) >> 1;
                const int dv = std::abs(up - down), dh = std::abs(left - right);
                const bool vertical = phase == 0 ? dv < dh : !(dh < dv);
                const int green = vertical ? (up + down) >> 1 : (left + right) >> 1;
                if (phase == 0) put(i, w - 1 - x, s(i, x), green, across);
                if (phase == 2) put(i, w - 1 - x, across, green, s(i, x));
                continue;
            }
            // Estimates along the stripes through (i - 1, x) and (i + 1, x).
            const int a = (s(i + 2, x + 1) + left) >> 1, b = (s(i + 1, x + 2) + up) >> 1;
            const int e1 = std::abs(up - a) < std::abs(left - b) ? (a + up) >> 1 : (b + left) >> 1;
            const int c = (s(i - 1, x - 2) + down) >> 1, d = (s(i - 2, x - 1) + right) >> 1;
            const int e2 =
                std::abs(right - c) < std::abs(down - d) ? (c + right) >> 1 : (d + down) >> 1;
            if (phase == 1) put(i, w - 1 - x, e1, s(i, x), e2);
            if (phase == 3) put(i, w - 1 - x, e2, s(i, x), e1);
        }
        for (int k = 0; k < 3; ++k) {
            const std::size_t row = std::size_t(i) * w * 3;
            out[row + k] = out[row + 3 + k] = out[row + 6 + k];
            out[row + (w - 1) * 3 + k] = out[row + (w - 2) * 3 + k] = out[row + (w - 3) * 3 + k];
        }
    }
    const std::size_t rowBytes = std::size_t(w) * 3;
    for (int r : {0, 1}) std::copy_n(&out[2 * rowBytes], rowBytes, &out[r * rowBytes]);
    for (int r : {h - 2, h - 1})
        std::copy_n(&out[(h - 3) * rowBytes], rowBytes, &out[r * rowBytes]);
    return out;
}

// Random 12-bit frames (some samples past 4095, which saturate), sizes and gains against the
// reference, every output byte.
TEST(Raw12Frame, DiagonalPathMatchesThePerPixelReference) {
    std::mt19937 gen(18);
    for (int round = 0; round < 30; ++round) {
        Frame12 f(5 + int(gen() % 300), 5 + int(gen() % 12));
        for (auto& v : f.raw) v = WORD(gen() % 16 == 0 ? gen() : gen() % 4096);
        if (round % 3 == 1) {  // smooth, so both edge decisions go every way
            for (int r = 0; r < f.height; ++r)
                for (int c = 0; c < f.width; ++c)
                    f.at(r, c) = WORD(1000 + r * 37 + c * 11 + gen() % 64);
        }
        const int gain[3] = {16 + int(gen() % 48), 16 + int(gen() % 48), 16 + int(gen() % 48)};
        setGains(gain[0], gain[1], gain[2], 32, 0, 12, 1);
        ASSERT_EQ(f.convert(), 0);
        ASSERT_EQ(f.out, diagonalReference(f, gain, 32)) << f.width << " x " << f.height;
    }
}

TEST(Raw12Frame, RowTablesUseWholeBytesPerPixel) {
    // 20-bit source and 28-bit output headers: rows lie 2 and 3 bytes per pixel apart (the
    // running-bit rule would put them 2.5 and 3.5 apart). The output runs downward from the
    // last row.
    const int w = 4, h = 3;
    std::vector<WORD> raw(w * h, 2048);
    std::vector<BYTE> out(w * h * 3, kUntouched);
    BITMAPINFOHEADER src = header(w, h, 20), dst = header(w, h, 28);
    SetImageFormat(2, 1, 0);
    path(0);
    GetRawColor12Frame(raw.data(), &src, out.data() + 2 * w * 3, &dst, w, h);
    for (BYTE b : out) ASSERT_EQ(b, 127);
}

TEST(Raw12Frame, RefusedCallsLeaveTheOutputAlone) {
    Frame12 f(8, 6, 2048);
    setGains(32, 32, 32, 32, 0, 12, 5);
    EXPECT_EQ(f.convert(), 1);  // no such path

    const auto convert = [&](const BITMAPINFOHEADER& dst, int w, int h) {
        return GetRawColor12Frame(f.raw.data(), &f.srcHeader, f.out.data(), &dst, w, h);
    };
    path(0);
    EXPECT_EQ(convert(header(8, 1025, 24), 8, 6), 0);  // taller than the row tables
    EXPECT_EQ(convert(f.dstHeader, 8, 7), 0);          // more rows than the headers hold
    EXPECT_EQ(convert(f.dstHeader, 9, 6), 0);          // wider than the headers
    EXPECT_EQ(convert(header(8, 6, 16), 8, 6), 0);     // output rows too short for 24 bits
    EXPECT_EQ(convert(f.dstHeader, 1, 6), 0);          // below 2 x 3
    EXPECT_EQ(convert(f.dstHeader, 8, 2), 0);
    path(1);
    EXPECT_EQ(convert(f.dstHeader, 4, 6), 0);  // below 5 x 5
    for (BYTE b : f.out) ASSERT_EQ(b, kUntouched);
}

TEST(Dsp12Frame, BuildsTablesWithTheRunningBitRule) {
    // A 12-bit-per-pixel destination header puts row i at (i * 6 * 12) / 8 = 9i bytes; the
    // luminance frame then writes through that table.
    Frame f(6, 4, 0);
    f.fill(100);
    setGains(32, 32, 32, 32);
    std::vector<BYTE> out(40, kUntouched);
    BITMAPINFOHEADER src = header(6, 4, 16), dst = header(6, 4, 12);
    std::vector<WORD> raw12(24);
    EXPECT_EQ(GetDsp12Frame(raw12.data(), &src, out.data(), &dst), 1);
    GetYFrame(6, 4);
    for (int i = 1; i <= 2; ++i)
        for (int c = 3; c <= 4; ++c) EXPECT_EQ(out[9 * i + c], 100) << i << "," << c;
    EXPECT_EQ(out[9 * 3 + 3], kUntouched);

    // A header taller than the tables leaves them as they were.
    BITMAPINFOHEADER tall = header(6, 2000, 8);
    std::vector<BYTE> other(16, kUntouched);
    EXPECT_EQ(GetDsp12Frame(raw12.data(), &src, other.data(), &tall), 1);
    GetYFrame(6, 4);
    for (BYTE b : other) EXPECT_EQ(b, kUntouched);
}

}  // namespace
