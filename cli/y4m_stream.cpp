#include "y4m_stream.h"

#include <array>
#include <cstring>

namespace duovue {

namespace {

constexpr char kFrameTag[] = "FRAME\n";
constexpr size_t kTagBytes = sizeof kFrameTag - 1;
constexpr int kShift = 16;
constexpr int32_t kHalf = 1 << (kShift - 1);

constexpr int32_t fixed(double coefficient, int value) {
    const double v = coefficient * value * (1 << kShift);
    return static_cast<int32_t>(v < 0 ? v - 0.5 : v + 0.5);
}

// Products of every level (or, for chroma, every sum of four levels) with the BT.601
// coefficients, in 16-bit fixed point.
struct Tables {
    std::array<int32_t, 256> yR, yG, yB;
    std::array<int32_t, 1021> uR, uG, half, vG, vB;  // half: 0.5, the blue of U and red of V
};

constexpr Tables makeTables() {
    Tables t{};
    for (int v = 0; v < 256; ++v) {
        t.yR[v] = fixed(0.299, v);
        t.yG[v] = fixed(0.587, v);
        t.yB[v] = fixed(0.114, v);
    }
    // Sums of four samples, each coefficient divided by four: the mean of the block.
    for (int s = 0; s <= 1020; ++s) {
        t.uR[s] = fixed(-0.168736 / 4, s);
        t.uG[s] = fixed(-0.331264 / 4, s);
        t.half[s] = fixed(0.5 / 4, s);
        t.vG[s] = fixed(-0.418688 / 4, s);
        t.vB[s] = fixed(-0.081312 / 4, s);
    }
    return t;
}

constexpr Tables kTables = makeTables();

uint8_t clampByte(int32_t v) {
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

}  // namespace

std::string y4mHeader(int width, int height, int fps) {
    return "YUV4MPEG2 W" + std::to_string(width) + " H" + std::to_string(height) + " F" +
           std::to_string(fps) + ":1 Ip A1:1 C420jpeg XCOLORRANGE=FULL\n";
}

Y4mFrameWriter::Y4mFrameWriter(int width, int height) : width_(width), height_(height) {
    const size_t luma = static_cast<size_t>(width) * height;
    const size_t chroma = static_cast<size_t>((width + 1) / 2) * ((height + 1) / 2);
    frame_.resize(kTagBytes + luma + 2 * chroma);
    std::memcpy(frame_.data(), kFrameTag, kTagBytes);
}

const std::vector<uint8_t>& Y4mFrameWriter::convert(const PictureView& picture) {
    const Tables& t = kTables;
    const int w = width_;
    const int h = height_;
    const int cw = (w + 1) / 2;
    const int ch = (h + 1) / 2;
    uint8_t* yPlane = frame_.data() + kTagBytes;
    uint8_t* uPlane = yPlane + static_cast<size_t>(w) * h;
    uint8_t* vPlane = uPlane + static_cast<size_t>(cw) * ch;

    for (int y = 0; y < h; ++y) {
        const uint8_t* p = picture.line(y);
        uint8_t* out = yPlane + static_cast<size_t>(y) * w;
        for (int x = 0; x < w; ++x, p += 3) {
            out[x] = static_cast<uint8_t>((t.yR[p[2]] + t.yG[p[1]] + t.yB[p[0]] + kHalf) >> kShift);
        }
    }
    for (int cy = 0; cy < ch; ++cy) {
        // An odd last line or column pairs with itself.
        const uint8_t* top = picture.line(2 * cy);
        const uint8_t* bottom = picture.line(2 * cy + 1 < h ? 2 * cy + 1 : 2 * cy);
        uint8_t* u = uPlane + static_cast<size_t>(cy) * cw;
        uint8_t* v = vPlane + static_cast<size_t>(cy) * cw;
        for (int cx = 0; cx < cw; ++cx) {
            const int x0 = 6 * cx;
            const int x1 = 2 * cx + 1 < w ? x0 + 3 : x0;
            const int b = top[x0] + top[x1] + bottom[x0] + bottom[x1];
            const int g = top[x0 + 1] + top[x1 + 1] + bottom[x0 + 1] + bottom[x1 + 1];
            const int r = top[x0 + 2] + top[x1 + 2] + bottom[x0 + 2] + bottom[x1 + 2];
            constexpr int32_t kOffset = (128 << kShift) + kHalf;
            u[cx] = clampByte((t.uR[r] + t.uG[g] + t.half[b] + kOffset) >> kShift);
            v[cx] = clampByte((t.half[r] + t.vG[g] + t.vB[b] + kOffset) >> kShift);
        }
    }
    return frame_;
}

}  // namespace duovue
