// The clean-up filter against a plain per-pixel rendering of its steps, on random pictures of
// many sizes, contents and row paddings, at every option value.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "driver_internal.h"

namespace {

// The filter written out one position at a time on full int planes.
class ReferenceFilter {
  public:
    ReferenceFilter(int width, int height) : w(width), h(height), y(w * h), cb(w * h), cr(w * h) {}

    void run(uint8_t* px, int stride, int options) {
        forEach(0, 0, [&](int r, int c) {
            const uint8_t* p = px + stride * r + 3 * c;
            Y(r, c) = (153 * p[2] + 301 * p[1] + 58 * p[0]) >> 9;
            at(cb, r, c) = p[0] - Y(r, c);
            at(cr, r, c) = p[2] - Y(r, c);
        });
        for (int r = 2; r < h - 2; ++r)
            for (int c = 2; c < w - 2; ++c)
                if ((r + c) & 1) smoothAt(r, c);
        if (options != 0) sharpen();
        if ((options & 3) == 3) forEach(2, 2, [&](int r, int c) { despikeAt(r, c); });
        mean(cb);
        mean(cr);
        forEach(0, 0, [&](int r, int c) {
            uint8_t* p = px + stride * r + 3 * c;
            const int v = Y(r, c), b = at(cb, r, c), red = at(cr, r, c);
            p[0] = clamp(v + b);
            p[1] = clamp((512 * v - 261 * red - 99 * b) >> 9);
            p[2] = clamp(v + red);
        });
    }

  private:
    template <typename F>
    void forEach(int rowMargin, int columnMargin, F f) {
        for (int r = rowMargin; r < h - rowMargin; ++r)
            for (int c = columnMargin; c < w - columnMargin; ++c) f(r, c);
    }
    int& at(std::vector<int>& plane, int r, int c) { return plane[r * w + c]; }
    int& Y(int r, int c) { return at(y, r, c); }
    static uint8_t clamp(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }
    static bool near(int a, int b) { return std::abs(a - b) < 5; }
    int sum4(int r, int c) { return Y(r - 1, c) + Y(r + 1, c) + Y(r, c - 1) + Y(r, c + 1); }

    void smoothAt(int r, int c) {
        if (Y(r, c) - Y(r, c - 1) > 10 && Y(r, c) - Y(r, c + 1) > 10 &&
            Y(r, c) - Y(r - 1, c) > 10 && Y(r, c) - Y(r + 1, c) > 10)
            Y(r, c) = sum4(r, c) / 4 + 5;
        const int v = Y(r, c);
        if (near(Y(r - 1, c), Y(r + 1, c))) {
            if (near(Y(r - 2, c), Y(r + 2, c)) && near(v, Y(r + 2, c))) {
                Y(r - 1, c) = (Y(r - 2, c) + v) >> 1;
                Y(r + 1, c) = (Y(r + 2, c) + v) >> 1;
            }
        } else if (near(Y(r, c - 1), Y(r, c + 1)) && near(Y(r, c - 2), Y(r, c + 2)) &&
                   near(v, Y(r, c + 2))) {
            Y(r, c - 1) = (v + Y(r, c - 2)) >> 1;
            Y(r, c + 1) = (Y(r, c + 2) + v) >> 1;
        }
    }

    void sharpen() {
        const std::vector<int> before = y;
        forEach(1, 1, [&](int r, int c) {
            int s = 0;
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc) s += before[(r + dr) * w + c + dc];
            const int sharp = (17 * before[r * w + c] - s) >> 3;
            if (std::abs(Y(r, c) - sharp) > 8) Y(r, c) = sharp;
        });
    }

    void despikeAt(int r, int c) {
        const int v = Y(r, c);
        const int n[4] = {Y(r, c - 1), Y(r, c + 1), Y(r - 1, c), Y(r + 1, c)};
        bool bright = true, dark = true;
        for (int k : n) {
            bright = bright && v - k > 10;
            dark = dark && k - v > 10;
        }
        if (bright) Y(r, c) = sum4(r, c) / 4 + 5;
        if (dark) Y(r, c) = sum4(r, c) / 4 - 5;
    }

    void mean(std::vector<int>& plane) {
        const std::vector<int> before = plane;
        forEach(2, 2, [&](int r, int c) {
            int s = 0;
            for (int dr = -2; dr <= 2; ++dr)
                for (int dc = -2; dc <= 2; ++dc) s += before[(r + dr) * w + c + dc];
            at(plane, r, c) = s / 25;
        });
    }

    int w, h;
    std::vector<int> y, cb, cr;
};

// Pictures that reach every branch: noise of several strengths over gradients, rows of one
// level (the horizontal smoothing), columns of one level (the vertical one), and lone spikes.
std::vector<uint8_t> randomPicture(std::mt19937& rng, int width, int height, int stride, int kind) {
    std::vector<uint8_t> bytes(size_t(stride) * height);
    const int noise = std::array{1, 3, 6, 12, 40, 256}[kind % 6];
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    const int slopeR = pick(9) - 4, slopeC = pick(9) - 4, base = pick(256);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(pick(256));  // padding too
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            for (int k = 0; k < 3; ++k) {
                int v = base + slopeR * r + slopeC * c + pick(noise) - noise / 2 + 7 * k;
                if (kind >= 6 && pick(50) == 0) v += pick(2) ? 60 : -60;
                bytes[size_t(stride) * r + 3 * c + k] = uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
            }
    return bytes;
}

TEST(LumaChromaFilterReference, RandomPicturesMatchThePlainFilterByteForByte) {
    std::mt19937 rng(1825);
    int cases = 0;
    for (int width : {1, 2, 4, 5, 6, 7, 9, 16, 17, 31, 33, 65, 66, 67, 69, 70, 97, 130, 257, 321}) {
        for (int height : {1, 3, 5, 6, 7, 11, 24}) {
            for (int kind = 0; kind < 12; ++kind) {
                const int options = kind % 4;
                const int stride = 3 * width + int(rng() % 8);
                auto bytes = randomPicture(rng, width, height, stride, kind);
                auto expected = bytes;
                ReferenceFilter(width, height).run(expected.data(), stride, options);
                zentdrv::LumaChromaFilter(bytes.data(), bytes.data(), width, height, stride,
                                          options);
                ASSERT_EQ(bytes, expected) << width << " x " << height << " kind " << kind;
                ++cases;
            }
        }
    }
    EXPECT_EQ(cases, 20 * 7 * 12);
}

TEST(LumaChromaFilterReference, BottomUpRowsMatchToo) {
    // Rows laid out bottom-up: the first row is the last in memory, the stride negative.
    std::mt19937 rng(240);
    for (int width : {70, 133}) {
        const int height = 9, pitch = 3 * width + 2;
        auto bytes = randomPicture(rng, width, height, pitch, 7);
        auto expected = bytes;
        uint8_t* last = expected.data() + size_t(pitch) * (height - 1);
        ReferenceFilter(width, height).run(last, -pitch, 3);
        zentdrv::LumaChromaFilter(bytes.data() + size_t(pitch) * (height - 1),
                                  bytes.data() + size_t(pitch) * (height - 1), width, height,
                                  -pitch, 3);
        ASSERT_EQ(bytes, expected) << width;
    }
}

TEST(LumaChromaFilterReference, LargestPictureAndSeparateTargetMatchToo) {
    std::mt19937 rng(77);
    for (int kind : {2, 7, 11}) {
        const int width = 640, height = 480, stride = 3 * width;
        auto source = randomPicture(rng, width, height, stride, kind);
        auto expected = source;
        ReferenceFilter(width, height).run(expected.data(), stride, 3);
        std::vector<uint8_t> target(source.size(), 0);
        zentdrv::LumaChromaFilter(source.data(), target.data(), width, height, stride, 3);
        ASSERT_EQ(target, expected) << kind;
    }
}

}  // namespace
