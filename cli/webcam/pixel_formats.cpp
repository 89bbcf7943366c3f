// Colour frame to the offered layouts: packed RGB by a byte-order table, YUV through
// fixed-point BT.601 tables, chroma averaged over the pixels it covers. The YUV is studio range
// (Y 16-235, chroma 16-240), what camera consumers assume when a format does not say.
#include "pixel_formats.h"

#include <array>

namespace duovue {
namespace {

// Contributions of one 8-bit channel to Y, U and V in 1/65536 units.
struct YuvTables {
    std::array<std::int32_t, 256> yr, yg, yb, ur, ug, ub, vg, vb;  // vr equals ub
};

constexpr YuvTables makeTables() {
    YuvTables t{};
    for (int i = 0; i < 256; ++i) {
        // 219/255 and 224/255 of the full-range coefficients; each chroma row sums to 0.
        t.yr[i] = 16829 * i;   // 0.256788
        t.yg[i] = 33039 * i;   // 0.504129
        t.yb[i] = 6416 * i;    // 0.097906
        t.ur[i] = -9714 * i;   // -0.148223
        t.ug[i] = -19070 * i;  // -0.290993
        t.ub[i] = 28784 * i;   // 0.439216
        t.vg[i] = -24103 * i;  // -0.367788
        t.vb[i] = -4681 * i;   // -0.071427
    }
    return t;
}

constexpr YuvTables kTables = makeTables();

// Pixel channels in memory order: blue, green, red.
inline std::int32_t lumaOf(const std::uint8_t* p) {
    return (kTables.yb[p[0]] + kTables.yg[p[1]] + kTables.yr[p[2]] + (16 << 16) + 32768) >> 16;
}
inline std::int32_t blueDiffOf(const std::uint8_t* p) {
    return kTables.ub[p[0]] + kTables.ug[p[1]] + kTables.ur[p[2]];
}
inline std::int32_t redDiffOf(const std::uint8_t* p) {
    return kTables.vb[p[0]] + kTables.vg[p[1]] + kTables.ub[p[2]];
}

// The mean of 2^shift summed chroma contributions, centred on 128 (always within 16-240).
template <int shift>
inline std::uint8_t chroma(std::int32_t sum) {
    constexpr std::int32_t count = 1 << shift;
    constexpr std::int32_t bias = count * (128 << 16) + (count << 15);
    return static_cast<std::uint8_t>((sum + bias) >> (16 + shift));
}

struct PackedOrder {
    int bytes;
    int red, green, blue;  // byte offsets within a pixel; a fourth byte is padding
};

constexpr PackedOrder packedOrder(PixelFormat format) {
    switch (format) {
        case PixelFormat::BGRx:
            return {4, 2, 1, 0};
        case PixelFormat::RGBx:
            return {4, 0, 1, 2};
        case PixelFormat::BGR:
            return {3, 2, 1, 0};
        default:
            return {3, 0, 1, 2};
    }
}

void writePacked(const Frame& frame, PackedOrder order, std::uint8_t* out) {
    const int stride = frame.width * order.bytes;
    for (int y = 0; y < frame.height; ++y) {
        const std::uint8_t* s = frame.line(y);
        std::uint8_t* d = out + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < frame.width; ++x, s += 3, d += order.bytes) {
            d[order.blue] = s[0];
            d[order.green] = s[1];
            d[order.red] = s[2];
            if (order.bytes == 4) d[3] = 255;
        }
    }
}

void writeLuma(const Frame& frame, std::uint8_t* out) {
    for (int y = 0; y < frame.height; ++y) {
        const std::uint8_t* s = frame.line(y);
        std::uint8_t* d = out + static_cast<std::ptrdiff_t>(y) * frame.width;
        for (int x = 0; x < frame.width; ++x, s += 3) d[x] = static_cast<std::uint8_t>(lumaOf(s));
    }
}

// 4:2:0 chroma: one U and one V per 2 x 2 pixels, written `step` bytes apart (1 into separate
// planes, 2 into NV12's interleaved plane).
void writeChroma420(const Frame& frame, std::uint8_t* u, std::uint8_t* v, int step, int rowBytes) {
    for (int y = 0; y < frame.height; y += 2) {
        const std::uint8_t* a = frame.line(y);
        const std::uint8_t* b = frame.line(y + 1);
        std::uint8_t* du = u + static_cast<std::ptrdiff_t>(y / 2) * rowBytes;
        std::uint8_t* dv = v + static_cast<std::ptrdiff_t>(y / 2) * rowBytes;
        for (int x = 0; x < frame.width; x += 2, a += 6, b += 6, du += step, dv += step) {
            *du = chroma<2>(blueDiffOf(a) + blueDiffOf(a + 3) + blueDiffOf(b) + blueDiffOf(b + 3));
            *dv = chroma<2>(redDiffOf(a) + redDiffOf(a + 3) + redDiffOf(b) + redDiffOf(b + 3));
        }
    }
}

void writeYuy2(const Frame& frame, std::uint8_t* out) {
    for (int y = 0; y < frame.height; ++y) {
        const std::uint8_t* s = frame.line(y);
        std::uint8_t* d = out + static_cast<std::ptrdiff_t>(y) * frame.width * 2;
        for (int x = 0; x < frame.width; x += 2, s += 6, d += 4) {
            d[0] = static_cast<std::uint8_t>(lumaOf(s));
            d[1] = chroma<1>(blueDiffOf(s) + blueDiffOf(s + 3));
            d[2] = static_cast<std::uint8_t>(lumaOf(s + 3));
            d[3] = chroma<1>(redDiffOf(s) + redDiffOf(s + 3));
        }
    }
}

bool evenSizesOnly(PixelFormat format) {
    return format == PixelFormat::I420 || format == PixelFormat::NV12 ||
           format == PixelFormat::YUY2;
}

}  // namespace

const char* formatName(PixelFormat format) {
    switch (format) {
        case PixelFormat::I420:
            return "I420";
        case PixelFormat::NV12:
            return "NV12";
        case PixelFormat::YUY2:
            return "YUY2";
        case PixelFormat::BGRx:
            return "BGRx";
        case PixelFormat::RGBx:
            return "RGBx";
        case PixelFormat::BGR:
            return "BGR";
        case PixelFormat::RGB:
            return "RGB";
    }
    return "?";
}

int rowStride(PixelFormat format, int width) {
    switch (format) {
        case PixelFormat::I420:
        case PixelFormat::NV12:
            return width;
        case PixelFormat::YUY2:
            return width * 2;
        default:
            return width * packedOrder(format).bytes;
    }
}

std::size_t frameBytes(PixelFormat format, int width, int height) {
    if (width <= 0 || height <= 0) return 0;
    if (evenSizesOnly(format) && (width % 2 != 0 || height % 2 != 0)) return 0;
    const std::size_t plane = static_cast<std::size_t>(rowStride(format, width)) * height;
    if (format == PixelFormat::I420 || format == PixelFormat::NV12) return plane + plane / 2;
    return plane;
}

bool convertFrame(const Frame& frame, PixelFormat format, std::span<std::uint8_t> out) {
    if (frame.bottomRow == nullptr) return false;
    const std::size_t bytes = frameBytes(format, frame.width, frame.height);
    if (bytes == 0 || out.size() < bytes) return false;

    std::uint8_t* d = out.data();
    const std::size_t luma = static_cast<std::size_t>(frame.width) * frame.height;
    switch (format) {
        case PixelFormat::I420:
            writeLuma(frame, d);
            writeChroma420(frame, d + luma, d + luma + luma / 4, 1, frame.width / 2);
            break;
        case PixelFormat::NV12:
            writeLuma(frame, d);
            writeChroma420(frame, d + luma, d + luma + 1, 2, frame.width);
            break;
        case PixelFormat::YUY2:
            writeYuy2(frame, d);
            break;
        default:
            writePacked(frame, packedOrder(format), d);
            break;
    }
    return true;
}

}  // namespace duovue
