// The YUV4MPEG2 stream: header, planes against the BT.601 full-range formulas, orientation, and
// the pacing of frames.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <random>

#include "pacer.h"
#include "y4m_stream.h"

namespace duovue {
namespace {

struct Bgr {
    int w, h;
    std::vector<uint8_t> pixels;  // memory row 0 = bottom line
    Bgr(int width, int height) : w(width), h(height), pixels(width * height * 3) {}
    uint8_t* at(int x, int yFromTop) { return pixels.data() + ((h - 1 - yFromTop) * w + x) * 3; }
    PictureView view() const { return {w, h, pixels.data(), static_cast<size_t>(w) * 3}; }
};

TEST(Y4m, HeaderNamesSizeRateAndFullRange) {
    EXPECT_EQ(y4mHeader(320, 240, 15),
              "YUV4MPEG2 W320 H240 F15:1 Ip A1:1 C420jpeg XCOLORRANGE=FULL\n");
    EXPECT_EQ(y4mHeader(160, 120, 1000),
              "YUV4MPEG2 W160 H120 F1000:1 Ip A1:1 C420jpeg XCOLORRANGE=FULL\n");
}

TEST(Y4m, PlanesFollowTheFormulasTopLineFirst) {
    std::mt19937 random(7);
    for (auto [w, h] : {std::pair{320, 240}, std::pair{5, 3}}) {  // odd sizes pair with themselves
        Bgr picture(w, h);
        for (auto& b : picture.pixels) b = static_cast<uint8_t>(random());
        Y4mFrameWriter writer(w, h);
        const auto& frame = writer.convert(picture.view());
        const int cw = (w + 1) / 2, ch = (h + 1) / 2;
        ASSERT_EQ(frame.size(), 6u + w * h + 2u * cw * ch);
        ASSERT_EQ(std::memcmp(frame.data(), "FRAME\n", 6), 0);
        const uint8_t* y = frame.data() + 6;
        const uint8_t* u = y + w * h;
        const uint8_t* v = u + cw * ch;
        for (int row = 0; row < h; ++row) {
            for (int x = 0; x < w; ++x) {
                const uint8_t* p = picture.at(x, row);
                const double luma = 0.299 * p[2] + 0.587 * p[1] + 0.114 * p[0];
                ASSERT_LE(std::abs(y[row * w + x] - luma), 0.51) << x << "," << row;
            }
        }
        for (int cy = 0; cy < ch; ++cy) {
            for (int cx = 0; cx < cw; ++cx) {
                double r = 0, g = 0, b = 0;
                for (int dy = 0; dy < 2; ++dy) {
                    for (int dx = 0; dx < 2; ++dx) {
                        const uint8_t* p =
                            picture.at(std::min(2 * cx + dx, w - 1), std::min(2 * cy + dy, h - 1));
                        b += p[0] / 4.0;
                        g += p[1] / 4.0;
                        r += p[2] / 4.0;
                    }
                }
                const double cb =
                    std::clamp(128 - 0.168736 * r - 0.331264 * g + 0.5 * b, 0.0, 255.0);
                const double cr =
                    std::clamp(128 + 0.5 * r - 0.418688 * g - 0.081312 * b, 0.0, 255.0);
                ASSERT_LE(std::abs(u[cy * cw + cx] - cb), 0.51) << cx << "," << cy;
                ASSERT_LE(std::abs(v[cy * cw + cx] - cr), 0.51) << cx << "," << cy;
            }
        }
    }
}

TEST(Y4m, PrimariesAndTheBottomLineLast) {
    Bgr picture(2, 4);
    for (int x = 0; x < 2; ++x) {
        std::memcpy(picture.at(x, 0), "\xff\xff\xff", 3);  // top: white
        std::memcpy(picture.at(x, 1), "\xff\xff\xff", 3);
        std::memcpy(picture.at(x, 2), "\x00\x00\xff", 3);  // bottom: red (b, g, r)
        std::memcpy(picture.at(x, 3), "\x00\x00\xff", 3);
    }
    Y4mFrameWriter writer(2, 4);
    const auto& f = writer.convert(picture.view());
    const uint8_t* y = f.data() + 6;
    EXPECT_EQ(y[0], 255);
    EXPECT_EQ(y[7], 76);
    const uint8_t* u = y + 8;
    const uint8_t* v = u + 2;
    EXPECT_EQ(u[0], 128);
    EXPECT_EQ(v[0], 128);
    EXPECT_EQ(u[1], 85);
    EXPECT_EQ(v[1], 255);
}

TEST(Pacer, FramesGoOutAtTheRateAndALateSourceGetsNoBurst) {
    using namespace std::chrono;
    Pacer pacer(10);  // 100 ms apart
    const auto t0 = Pacer::Clock::time_point{} + seconds(100);
    EXPECT_EQ(pacer.next(t0), Pacer::Clock::duration::zero());
    EXPECT_EQ(pacer.next(t0 + milliseconds(30)), milliseconds(70));
    EXPECT_EQ(pacer.next(t0 + milliseconds(100)), milliseconds(100));  // frame 2 at 200 ms
    // Frame 3 was due at 300 ms; it comes at 450 ms: at once, and frame 4 a period later.
    EXPECT_EQ(pacer.next(t0 + milliseconds(450)), Pacer::Clock::duration::zero());
    EXPECT_EQ(pacer.next(t0 + milliseconds(450)), milliseconds(100));
}

}  // namespace
}  // namespace duovue
