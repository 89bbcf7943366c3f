#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>

#include "filters/test_picture.h"

namespace {

// Odd rows are the byte-wise mean of the rows around them, the last row a copy; the last
// in-between pixel of a row repeats the last source pixel.
TEST(DoubleImg, GrayPictureDoublesWithMeansBetween) {
    Picture src(3, 2);
    const int values[2][3] = {{10, 20, 41}, {30, 60, 100}};
    for (int i = 0; i < 6; ++i) src.setGray(i % 3, i / 3, values[i / 3][i % 3]);
    Picture dst(6, 4, 3, 1);
    EXPECT_EQ(DoubleImg(src.table(), dst.table(), 3, 2), dst.table());
    const std::vector<int> expected[4] = {{10, 15, 20, 30, 41, 41},
                                          {20, 30, 40, 55, 70, 70},
                                          {30, 45, 60, 80, 100, 100},
                                          {30, 45, 60, 80, 100, 100}};
    for (int y = 0; y < 4; ++y) {
        for (int c = 0; c < 3; ++c) EXPECT_EQ(dst.row(y, c), expected[y]) << y;
    }
}

TEST(DoubleImg, InBetweenPixelsComeFromByteZeroOnly) {
    Picture src(2, 1);
    src.setPixel(0, 0, 10, 100, 200);
    src.setPixel(1, 0, 30, 110, 220);
    Picture dst(4, 2);
    DoubleImg(src.table(), dst.table(), 2, 1);
    const std::vector<BYTE> row{10, 100, 200, 20, 20, 20, 30, 110, 220, 30, 110, 220};
    EXPECT_EQ(std::vector<BYTE>(dst.bytes.begin(), dst.bytes.begin() + 12), row);
    EXPECT_EQ(std::vector<BYTE>(dst.bytes.begin() + 12, dst.bytes.end()), row);
    EXPECT_EQ(DoubleImg(src.table(), dst.table(), 0, 1), nullptr);
    EXPECT_EQ(DoubleImg(src.table(), dst.table(), 2, -1), nullptr);
}

// Flat blocks come back as v or v - 1 per pass, so a 2-D enlargement gives v .. v - 2; 0 stays.
// Every destination byte is written.
TEST(FineEnlargeImg, FlatPictureComesBackAtMostTwoLower) {
    for (int v : {0, 1, 77, 255}) {
        Picture src(512, 384, 3, BYTE(v));
        Picture dst(640, 480, 3, 5);
        ASSERT_NE(FineEnlargeImg(src.table(), dst.table(), 512, 384, 640, 480), 0);
        const std::set<int> seen(dst.bytes.begin(), dst.bytes.end());
        EXPECT_LE(*seen.rbegin(), v);
        EXPECT_GE(*seen.begin(), v == 0 ? 0 : v - 2);
    }
    // One pass only (a destination lower than 10 rows has no block down): v or v - 1.
    for (int v = 0; v < 256; ++v) {
        Picture src(8, 1, 3, BYTE(v));
        Picture dst(10, 1);
        FineEnlargeImg(src.table(), dst.table(), 8, 1, 10, 1);
        for (BYTE b : dst.bytes) ASSERT_TRUE(b == v || b == v - 1) << v;
    }
}

TEST(FineEnlargeImg, StepEdgeRingsAndIsClampedNotWrapped) {
    Picture src(8, 8);
    for (int i = 0; i < 64; ++i) src.setGray(i % 8, i / 8, i % 8 < 4 ? 0 : 255);
    Picture dst(10, 10, 3, 123);
    FineEnlargeImg(src.table(), dst.table(), 8, 8, 10, 10);
    // Truncated, not rounded: the first row's unclamped values are 4.89, -14.1, 21.49, -25.4,
    // 19.83, 235.17, 280.4, 233.51, 269.1, 250.11.
    EXPECT_EQ(dst.row(0, 1), (std::vector<int>{4, 0, 21, 0, 19, 235, 255, 233, 255, 250}));
    // The ring overshoots to about -25 at columns 1 and 3 and to 280 at 6 and 8.
    for (int y = 0; y < 10; ++y) {
        EXPECT_EQ(dst.channel(1, y, 0), 0);
        EXPECT_EQ(dst.channel(3, y, 1), 0);
        EXPECT_GE(dst.channel(6, y, 2), 254);
        EXPECT_GE(dst.channel(8, y, 0), 254);
        EXPECT_LT(dst.channel(2, y, 0), 40);
        EXPECT_GT(dst.channel(7, y, 0), 215);
    }
}

TEST(FineEnlargeImg, SizesThatWouldOverrunWriteNothing) {
    Picture src(16, 1001);
    Picture dst(20, 1300, 3, 61);
    // Over 1000 source rows; more source than destination rows; blocks past the source's last
    // pixel or row; empty sizes.
    const int refused[][4] = {{16, 1001, 20, 1260}, {16, 30, 20, 20}, {15, 16, 20, 20},
                              {16, 15, 20, 20},     {0, 16, 20, 20},  {16, 16, -20, 20},
                              {16, 16, 20, 0}};
    for (const auto& s : refused) {
        EXPECT_EQ(FineEnlargeImg(src.table(), dst.table(), s[0], s[1], s[2], s[3]), 0);
    }
    for (BYTE b : dst.bytes) ASSERT_EQ(b, 61);
    Picture top(8, 1000, 3, 50);  // the tallest source that fits works
    EXPECT_NE(FineEnlargeImg(top.table(), dst.table(), 8, 1000, 10, 1250), 0);
    EXPECT_GE(dst.channel(9, 1249, 2), 48);
}

// FineEnlargeImg one 8-sample run at a time, each sum in the order written out: the vector
// paths must give every byte of it.
struct FineEnlargeReference {
    double scale = std::sqrt(2.0 / 8);
    double dct[8][8];
    double resample[10][8];

    FineEnlargeReference() {
        const double pi = 3.141592653589793;
        for (int u = 0; u < 8; ++u)
            for (int n = 0; n < 8; ++n) dct[u][n] = std::cos(((2 * n + 1) * (pi / 8 * 0.5)) * u);
        for (int k = 0; k < 10; ++k)
            for (int u = 0; u < 8; ++u)
                resample[k][u] = std::cos((u * (pi / 10 * 0.5)) * (2 * k + 1));
    }
    void run(const BYTE* in, int inStride, BYTE* out, int outStride) const {
        double c[8];
        for (int u = 0; u < 8; ++u) {
            double sum = 0.0;
            for (int n = 0; n < 8; ++n) sum += dct[u][n] * in[n * inStride];
            c[u] = scale * sum;
        }
        c[0] = c[0] / (8 * scale);
        for (int k = 0; k < 10; ++k) {
            double sum = 0.0;
            for (int u = 1; u < 8; ++u) sum += resample[k][u] * c[u];
            out[k * outStride] = BYTE(std::clamp(int(c[0] + scale * sum), 0, 255));
        }
    }
    void enlarge(Picture& src, Picture& dst) const {
        const int bx = dst.width / 10, by = dst.height / 10;
        for (int y = 0; y < src.height; ++y)
            for (int b = 0; b < bx; ++b)
                for (int ch = 0; ch < 3; ++ch)
                    run(&src.channel(b * 8, y, ch), 3, &dst.channel(b * 10, y, ch), 3);
        for (int j = by - 1; j >= 0; --j) {
            for (int c = 0; c < dst.width * 3; ++c) {
                BYTE in[8], out[10];
                for (int n = 0; n < 8; ++n) in[n] = dst.rows[j * 8 + n][c];
                run(in, 1, out, 1);
                for (int k = 0; k < 10; ++k) dst.rows[j * 10 + k][c] = out[k];
            }
        }
    }
};

// Random sizes (whole vector registers and tails, spare source and destination pixels past the
// blocks) and contents (noise that rings past both ends, smooth ramps, steps) against the
// reference, destination bytes outside the blocks included.
TEST(FineEnlargeImg, RandomPicturesMatchTheReference) {
    const FineEnlargeReference ref;
    std::mt19937 gen(18);
    for (int round = 0; round < 40; ++round) {
        const int bx = 1 + int(gen() % 24), by = 1 + int(gen() % 6);
        const int sw = bx * 8 + int(gen() % 9), sh = by * 8 + int(gen() % 5);
        const int dw = bx * 10 + int(gen() % 7), dh = std::max(sh, by * 10) + int(gen() % 3);
        Picture src(sw, sh);
        src.randomize(gen());
        if (round % 3 == 1) {
            for (int i = 0; i < int(src.bytes.size()); ++i)
                src.bytes[i] = BYTE(i * 7 / 3 + src.bytes[i] % 4);
        } else if (round % 3 == 2) {
            for (auto& b : src.bytes) b = b < 128 ? 0 : 255;
        }
        Picture got(dw, dh);
        got.randomize(gen());
        Picture want(dw, dh);
        want.bytes = got.bytes;
        ASSERT_EQ(FineEnlargeImg(src.table(), got.table(), sw, sh, dw, dh), 1);
        ref.enlarge(src, want);
        ASSERT_EQ(got.bytes, want.bytes) << sw << " x " << sh << " to " << dw << " x " << dh;
    }
}

}  // namespace
