#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <thread>
#include <vector>

#include "filters/test_picture.h"

namespace {

TEST(ColorEnhance, GreyKeepsGreenAndLowersBlueAndRedForFortyTwoLevels) {
    Picture p(256, 1);
    for (int v = 0; v < 256; ++v) p.setGray(v, 0, v);
    EXPECT_NE(ColorEnhance(p.table(), 256, 1), 0);
    std::vector<int> lowered;
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(p.channel(v, 0, 1), v);
        EXPECT_EQ(p.channel(v, 0, 0), p.channel(v, 0, 2));
        if (p.channel(v, 0, 0) != v) lowered.push_back(v);
        EXPECT_GE(p.channel(v, 0, 0), v - 1);
    }
    EXPECT_EQ(lowered.size(), 42u);
    for (int v : {7, 14, 25, 28, 31, 50, 100})
        EXPECT_TRUE(std::count(lowered.begin(), lowered.end(), v)) << v;
    EXPECT_EQ(p.channel(0, 0, 2), 0);  // black stays black
}

TEST(ColorEnhance, MiddleSaturationIsRaisedWeakSaturationLowered) {
    Picture p(2, 1);
    p.setPixel(0, 0, 60, 100, 140);  // S = 40: the curve raises it to 53.5
    p.setPixel(1, 0, 95, 100, 105);  // S = 5: lowered to about 3.7
    ColorEnhance(p.table(), 2, 1);
    EXPECT_LT(p.channel(0, 0, 0), 60);
    EXPECT_GT(p.channel(0, 0, 2), 140);
    EXPECT_GT(p.channel(1, 0, 0), 95);
    EXPECT_LT(p.channel(1, 0, 2), 105);
}

// Pure green of 200: hue 120.00004 (57.2958, not 180 / pi), saturation 100, rebuilt as
// (0, 197, 0); the strong-colour correction then raises blue, the first channel at the old low,
// by (200 - 0) / 4 - 35 = 15, and, with no channel at the old peak, lowers red by 15 / 2.6228.
// Yellow (0, 255, 255) is rebuilt as (0, 255, 254): blue gains 28 and green, back at the old
// peak, loses 28 / 2.57455.
TEST(ColorEnhance, StrongColourCorrection) {
    const int in[3][3] = {{0, 200, 0}, {0, 255, 255}, {255, 0, 200}};
    const std::vector<int> out[3] = {{15, 197, 0}, {28, 245, 254}, {254, 28, 144}};
    Picture p(3, 1);
    for (int x = 0; x < 3; ++x) p.setPixel(x, 0, in[x][0], in[x][1], in[x][2]);
    ColorEnhance(p.table(), 3, 1);
    for (int x = 0; x < 3; ++x) {
        EXPECT_EQ((std::vector<int>{p.channel(x, 0, 0), p.channel(x, 0, 1), p.channel(x, 0, 2)}),
                  out[x]);
    }
    EXPECT_EQ(ColorEnhance(p.table(), 0, 1), 0);
    EXPECT_EQ(ColorEnhance(p.table(), 1, -1), 0);
    EXPECT_EQ(p.channel(0, 0, 0), 15);
}

// Hue and angle conversions use 57.2958 and 0.01745; the exact ratios of pi give other bytes for
// these pixels: (16, 32, 0) and (120, 30, 30) with 180 / pi, (81, 30, 30) with pi / 180.
TEST(ColorEnhance, KeepsItsOwnAngleConstants) {
    const int in[4][3] = {{16, 32, 0}, {120, 30, 30}, {81, 30, 30}, {74, 30, 30}};
    const std::vector<int> out[4] = {{16, 31, 0}, {137, 21, 20}, {91, 24, 25}, {82, 24, 24}};
    Picture p(4, 1);
    for (int x = 0; x < 4; ++x) p.setPixel(x, 0, in[x][0], in[x][1], in[x][2]);
    ColorEnhance(p.table(), 4, 1);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ((std::vector<int>{p.channel(x, 0, 0), p.channel(x, 0, 1), p.channel(x, 0, 2)}),
                  out[x]);
    }
}

// A pixel's result depends only on its own bytes: in a picture of colours that share blue and
// green and differ in red (so many share memo slots and hues), in random order, every pixel must
// come out as it does when enhanced alone.
TEST(ColorEnhance, EachPixelAsWhenEnhancedAlone) {
    std::mt19937 gen(11);
    std::vector<std::uint32_t> colours;
    for (int k = 0; k < 300; ++k) {
        const std::uint32_t bg = gen() & 0xFFFF;
        for (std::uint32_t r = 0; r < 256; r += 4) colours.push_back(bg | (r << 16));
    }
    for (std::uint32_t v = 0; v < 256; ++v) colours.push_back(0x010101u * v);
    std::shuffle(colours.begin(), colours.end(), gen);
    const int w = 160;
    const int h = static_cast<int>(colours.size()) / w;
    Picture p(w, h);
    for (int i = 0; i < w * h; ++i)
        p.setPixel(i % w, i / w, colours[i] & 255, (colours[i] >> 8) & 255, colours[i] >> 16);
    ASSERT_NE(ColorEnhance(p.table(), w, h), 0);
    int wrong = 0;
    for (int i = 0; i < w * h; ++i) {
        Picture alone(1, 1);
        alone.setPixel(0, 0, colours[i] & 255, (colours[i] >> 8) & 255, colours[i] >> 16);
        ColorEnhance(alone.table(), 1, 1);
        for (int c = 0; c < 3; ++c) wrong += alone.channel(0, 0, c) != p.channel(i % w, i / w, c);
    }
    EXPECT_EQ(wrong, 0);
}

// ColorEnhance of one pixel, written straight through with no memo: the fast paths must give
// every byte of it.
std::array<int, 3> enhanceReference(int b, int g, int r) {
    const auto channel = [](double intensity, double component) {
        const int v = int(intensity * component * 3);
        return v >= 256 ? 255 : (v < 0 ? 0 : v);
    };
    const double third = 0.3333333333333333;
    if (b == g && g == r) {
        const double i = b;
        return {channel(i, third), channel(i, 1.0 - (third + third)), channel(i, third)};
    }
    const int num = (2 * r - g - b) / 2;
    const int den = (r - g) * (r - g) + (r - b) * (g - b);
    double h = std::acos(num / std::sqrt(double(den))) * 57.2958;
    if (g < b) h = 360.0 - h;
    const double within = h < 120.0 ? h : (h < 240.0 ? h - 120.0 : h - 240.0);
    const double cosNear = std::cos(within * 0.01745);
    const double cosFar = std::cos((60.0 - within) * 0.01745);
    const int peak = std::max({b, g, r}), low = std::min({b, g, r}), sum = b + g + r;
    const double in = sum != 0 ? (1.0 - 3 * low / double(sum)) * 100.0 : 0.0;
    double y = in < 10.0 ? (-7.0 * in * in * in + 142.0 * in * in) * 0.001388888888888889
                         : (-3.0 * in * in + 730.0 * in) * 0.0025 - 7.5;
    if (peak > 245) y = ((y + in) * 0.5 * (peak - 245) + (255 - peak) * y) * 0.1;
    const double s = std::clamp(y, 0.0, 100.0);
    const double intensity = sum / 3;
    const double sat = s * 0.01;
    const double rising = (1.0 + sat * cosNear / cosFar) * third;
    double c[3];  // b, g, r
    const int sector = h < 120.0 ? 0 : (h < 240.0 ? 1 : 2);
    const int lowCh = sector == 0 ? 0 : (sector == 1 ? 2 : 1);
    const int riseCh = sector == 0 ? 2 : (sector == 1 ? 1 : 0);
    c[lowCh] = (1.0 - sat) * third;
    c[riseCh] = rising;
    c[3 - lowCh - riseCh] = 1.0 - (c[riseCh] + c[lowCh]);
    std::array<int, 3> ch{channel(intensity, c[0]), channel(intensity, c[1]),
                          channel(intensity, c[2])};
    const bool window = (h > 30.0 && h < 200.0) || (h > 280.0 && h < 340.0);
    if (window && s > 80.0 && peak - low > 150) {
        static const double divisor[3][3] = {
            {1.0, 0.3884, 0.7626}, {2.57455, 1.0, 1.9632}, {2.6228, 0.5094, 1.0}};
        const int t = (peak - low) / 4 - 35;
        int weak = 2, strong = 2;
        for (int k = 2; k >= 0; --k) {
            if (ch[k] == low) weak = k;
        }
        ch[weak] += t;
        for (int k = 2; k >= 0; --k) {
            if (ch[k] == peak) strong = k;
        }
        ch[strong] -= std::uint8_t(int(t / divisor[strong][weak]));
    }
    for (int& v : ch) v = std::clamp(v, 0, 255);
    return ch;
}

// Every pixel of p (whose bytes before were in) against the reference.
void expectReference(const Picture& p, const std::vector<BYTE>& in) {
    for (size_t i = 0; i < in.size(); i += 3) {
        const auto want = enhanceReference(in[i], in[i + 1], in[i + 2]);
        ASSERT_EQ((std::array<int, 3>{p.bytes[i], p.bytes[i + 1], p.bytes[i + 2]}), want)
            << "pixel " << i / 3 << " of " << p.width << " x " << p.height << " from " << int(in[i])
            << "," << int(in[i + 1]) << "," << int(in[i + 2]);
    }
}

// Noisy camera-like pictures, random colours, strong colours and near-white against the
// reference, at widths that end anywhere in a vector register.
TEST(ColorEnhance, PicturesMatchThePerPixelReference) {
    std::mt19937 gen(18);
    for (int round = 0; round < 12; ++round) {
        const int w = 1 + int(gen() % 200), h = 1 + int(gen() % 40);
        Picture p(w, h);
        p.randomize(gen());
        for (size_t i = 0; i < p.bytes.size(); ++i) {
            const int v = p.bytes[i];
            switch (round % 4) {
                case 0:
                    p.bytes[i] = BYTE((i / 7) % 200 + v % 40);
                    break;  // noisy picture
                case 1:
                    break;  // any colour
                case 2:
                    p.bytes[i] = BYTE(v < 128 ? v % 40 : 215 + v % 41);
                    break;  // strong
                default:
                    p.bytes[i] = BYTE(230 + v % 26);
                    break;  // near white
            }
        }
        const std::vector<BYTE> in = p.bytes;
        ASSERT_NE(ColorEnhance(p.table(), w, h), 0);
        expectReference(p, in);
    }
}

// Pictures like stored ones repeat their colours, which the filter remembers within a call:
// bands of a few colours (more than the memo of a small picture holds, so colours evict each
// other, and repeats within one chunk of pending pixels) between bands of noise long enough for
// it to stop looking and start again; pictures of every width from 1 up.
TEST(ColorEnhance, PicturesThatRepeatTheirColoursMatchTheReference) {
    std::mt19937 gen(23);
    for (int round = 0; round < 16; ++round) {
        const int w = round < 4 ? 1 + round * 3 : 8 + int(gen() % 300);
        const int h = 20 + int(gen() % 300);
        std::vector<std::uint32_t> palette(2 + gen() % 150);
        for (auto& colour : palette) colour = gen() & 0xFFFFFF;
        Picture p(w, h);
        for (int y = 0; y < h; ++y) {
            const bool noisy = (y / (10 + round)) % 3 == 1;
            for (int x = 0; x < w; ++x) {
                const std::uint32_t c = noisy ? gen() : palette[(x / 5 + y / 3) % palette.size()];
                p.setPixel(x, y, c & 255, (c >> 8) & 255, (c >> 16) & 255);
            }
        }
        const std::vector<BYTE> in = p.bytes;
        ASSERT_NE(ColorEnhance(p.table(), w, h), 0);
        expectReference(p, in);
    }
}

// The hues the filter keeps are shared by every call of the process: threads that enhance the
// same pictures at once, all starting from none known, fill them together and must each get
// the reference.
TEST(ColorEnhance, ThreadsEnhancingAtOnceMatchTheReference) {
    const auto makePictures = [] {
        std::vector<Picture> pictures;
        for (int k = 0; k < 4; ++k) {
            pictures.emplace_back(97 + 30 * k, 60);
            pictures.back().randomize(std::uint32_t(k + 1));
        }
        return pictures;
    };
    const std::vector<Picture> original = makePictures();
    constexpr int kThreads = 4;
    std::vector<std::vector<Picture>> work;
    for (int t = 0; t < kThreads; ++t) work.push_back(makePictures());
    std::vector<std::thread> threads;
    for (auto& mine : work) {
        threads.emplace_back([&mine] {
            for (Picture& p : mine) ColorEnhance(p.table(), p.width, p.height);
        });
    }
    for (auto& t : threads) t.join();
    for (const auto& mine : work) {
        for (size_t k = 0; k < original.size(); ++k) expectReference(mine[k], original[k].bytes);
    }
}

}  // namespace
