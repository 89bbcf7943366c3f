#include "pixel_formats.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace duovue {
namespace {

struct Rgb {
    std::uint8_t r, g, b;
};

// A frame kept as the driver keeps it (bottom line first), painted by a function of (x, y)
// with y counted from the top.
class TestFrame {
  public:
    template <typename Paint>
    TestFrame(int width, int height, Paint paint)
        : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height * 3) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const Rgb c = paint(x, y);
                std::uint8_t* p = &pixels_[(static_cast<size_t>(height - 1 - y) * width + x) * 3];
                p[0] = c.b;
                p[1] = c.g;
                p[2] = c.r;
            }
        }
    }
    Frame frame() const {
        return {width_, height_, pixels_.data(), static_cast<size_t>(width_) * 3};
    }

  private:
    int width_, height_;
    std::vector<std::uint8_t> pixels_;
};

std::vector<std::uint8_t> convert(const TestFrame& f, PixelFormat format) {
    const Frame frame = f.frame();
    std::vector<std::uint8_t> out(frameBytes(format, frame.width, frame.height), 0xEE);
    EXPECT_TRUE(convertFrame(frame, format, out)) << formatName(format);
    return out;
}

struct Yuv {
    int y, u, v;
};

// Studio-range BT.601 values of the primaries and the extremes.
constexpr std::array<std::pair<Rgb, Yuv>, 6> kKnownColours{{
    {{255, 255, 255}, {235, 128, 128}},
    {{0, 0, 0}, {16, 128, 128}},
    {{255, 0, 0}, {81, 90, 240}},
    {{0, 255, 0}, {145, 54, 34}},
    {{0, 0, 255}, {41, 240, 110}},
    {{128, 128, 128}, {126, 128, 128}},
}};

TEST(PixelFormats, YuvLayoutsGiveTheStudioRangeValuesOfKnownColours) {
    for (const auto& [rgb, yuv] : kKnownColours) {
        const TestFrame f(4, 2, [&](int, int) { return rgb; });
        const auto i420 = convert(f, PixelFormat::I420);
        EXPECT_EQ(i420[0], yuv.y);
        EXPECT_EQ(i420[8], yuv.u);
        EXPECT_EQ(i420[10], yuv.v);
        const auto nv12 = convert(f, PixelFormat::NV12);
        EXPECT_EQ(nv12[7], yuv.y);
        EXPECT_EQ(nv12[8], yuv.u);
        EXPECT_EQ(nv12[9], yuv.v);
        const auto yuy2 = convert(f, PixelFormat::YUY2);
        EXPECT_EQ((std::array<int, 4>{yuy2[0], yuy2[1], yuy2[2], yuy2[3]}),
                  (std::array<int, 4>{yuv.y, yuv.u, yuv.y, yuv.v}));
    }
}

// Quadrants red, green / blue, white: every layout has the top-left red first, and each
// chroma sample of a 4:2:0 layout belongs to the 2 x 2 block it covers.
TEST(PixelFormats, EveryLayoutIsUprightWithChromaAtItsBlock) {
    const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255};
    const TestFrame f(
        4, 4, [&](int x, int y) { return y < 2 ? (x < 2 ? red : green) : (x < 2 ? blue : white); });

    const auto i420 = convert(f, PixelFormat::I420);
    EXPECT_EQ(
        (std::vector<int>(i420.begin(), i420.begin() + 16)),
        (std::vector<int>{81, 81, 145, 145, 81, 81, 145, 145, 41, 41, 235, 235, 41, 41, 235, 235}));
    EXPECT_EQ((std::vector<int>(i420.begin() + 16, i420.end())),
              (std::vector<int>{90, 54, 240, 128, 240, 34, 110, 128}));

    const auto nv12 = convert(f, PixelFormat::NV12);
    EXPECT_EQ((std::vector<int>(nv12.begin() + 16, nv12.end())),
              (std::vector<int>{90, 240, 54, 34, 240, 110, 128, 128}));

    const auto yuy2 = convert(f, PixelFormat::YUY2);
    EXPECT_EQ((std::vector<int>(yuy2.begin(), yuy2.begin() + 8)),
              (std::vector<int>{81, 90, 81, 240, 145, 54, 145, 34}));
    EXPECT_EQ((std::vector<int>(yuy2.begin() + 24, yuy2.end())),
              (std::vector<int>{41, 240, 41, 110, 235, 128, 235, 128}));

    const auto rgb = convert(f, PixelFormat::RGB);
    EXPECT_EQ((std::vector<int>(rgb.begin(), rgb.begin() + 12)),
              (std::vector<int>{255, 0, 0, 255, 0, 0, 0, 255, 0, 0, 255, 0}));
    EXPECT_EQ((std::vector<int>(rgb.begin() + 36, rgb.begin() + 39)),
              (std::vector<int>{0, 0, 255}));
}

TEST(PixelFormats, PackedLayoutsOrderTheirBytesAndPadOpaque) {
    const TestFrame f(2, 2, [](int, int) { return Rgb{10, 20, 30}; });
    const auto bgrx = convert(f, PixelFormat::BGRx);
    EXPECT_EQ((std::vector<int>(bgrx.begin(), bgrx.begin() + 8)),
              (std::vector<int>{30, 20, 10, 255, 30, 20, 10, 255}));
    const auto rgbx = convert(f, PixelFormat::RGBx);
    EXPECT_EQ((std::vector<int>(rgbx.begin(), rgbx.begin() + 4)),
              (std::vector<int>{10, 20, 30, 255}));
    const auto bgr = convert(f, PixelFormat::BGR);
    EXPECT_EQ((std::vector<int>(bgr.begin(), bgr.begin() + 6)),
              (std::vector<int>{30, 20, 10, 30, 20, 10}));
    EXPECT_EQ(bgr.size(), 12u);
}

// Chroma is the mean of the pixels it covers: black and white alternating averages to grey
// without colour, in both the 4:2:0 and the 4:2:2 layouts.
TEST(PixelFormats, ChromaAveragesThePixelsItCovers) {
    const TestFrame f(2, 2, [](int x, int y) {
        const std::uint8_t v = (x + y) % 2 ? 255 : 0;
        return Rgb{v, v, v};
    });
    const auto i420 = convert(f, PixelFormat::I420);
    EXPECT_EQ((std::vector<int>(i420.begin(), i420.end())),
              (std::vector<int>{16, 235, 235, 16, 128, 128}));
    const TestFrame pair(2, 2, [](int x, int) { return x ? Rgb{255, 0, 0} : Rgb{0, 0, 255}; });
    const auto yuy2 = convert(pair, PixelFormat::YUY2);
    EXPECT_EQ(yuy2[1], (240 + 90 + 1) / 2);
    EXPECT_EQ(yuy2[3], (110 + 240 + 1) / 2);
}

TEST(PixelFormats, RefusedConversionsWriteNothing) {
    const TestFrame even(4, 4, [](int, int) { return Rgb{1, 2, 3}; });
    std::vector<std::uint8_t> out(frameBytes(PixelFormat::I420, 4, 4) - 1, 0xEE);
    EXPECT_FALSE(convertFrame(even.frame(), PixelFormat::I420, out));
    EXPECT_EQ(out, std::vector<std::uint8_t>(out.size(), 0xEE));

    // 4:2:x chroma needs even sizes; packed RGB takes any.
    const TestFrame odd(3, 3, [](int, int) { return Rgb{1, 2, 3}; });
    std::vector<std::uint8_t> big(1024, 0xEE);
    for (PixelFormat f : {PixelFormat::I420, PixelFormat::NV12, PixelFormat::YUY2}) {
        EXPECT_EQ(frameBytes(f, 3, 3), 0u);
        EXPECT_FALSE(convertFrame(odd.frame(), f, big));
    }
    EXPECT_EQ(big, std::vector<std::uint8_t>(1024, 0xEE));
    EXPECT_TRUE(convertFrame(odd.frame(), PixelFormat::RGB, big));

    EXPECT_FALSE(convertFrame(Frame{}, PixelFormat::RGB, big));
    EXPECT_EQ(frameBytes(PixelFormat::RGB, 0, 240), 0u);
    EXPECT_EQ(frameBytes(PixelFormat::RGB, -2, 240), 0u);
}

}  // namespace
}  // namespace duovue
