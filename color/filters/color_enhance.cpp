// ColorEnhance: makes a 24-bit picture more vivid, in place. Each pixel goes into a hue,
// saturation and intensity description, its saturation passes through a fixed curve, and the
// pixel is rebuilt; strongly coloured pixels of some hues get their weakest channel raised and
// their strongest lowered. The constants are the picture pipeline's own (57.2958 and 0.01745 are
// kept instead of exact conversions of degrees so that every picture comes out as it always has).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "filter_common.h"

namespace zenthue {
namespace {

constexpr double kDegreesPerRadian = 57.2958;
constexpr double kRadiansPerDegree = 0.01745;
constexpr double kThird = 0.3333333333333333;

// The hue of a pixel that is not gray, with the two cosines its rebuild needs. All three depend
// only on R - G and R - B.
struct Hue {
    double h;        // degrees, 0 to 360
    double cosNear;  // cosine of the hue within its 120-degree sector
    double cosFar;   // cosine of 60 degrees less that
};

Hue hueOf(int b, int g, int r) {
    Hue out;
    const int num = (2 * r - g - b) / 2;
    const int den = (r - g) * (r - g) + (r - b) * (g - b);
    out.h = std::acos(num / std::sqrt(static_cast<double>(den))) * kDegreesPerRadian;
    if (g < b) out.h = 360.0 - out.h;
    const double within = out.h < 120.0 ? out.h : (out.h < 240.0 ? out.h - 120.0 : out.h - 240.0);
    out.cosNear = std::cos(within * kRadiansPerDegree);
    out.cosFar = std::cos((60.0 - within) * kRadiansPerDegree);
    return out;
}

// Saturation in percent of a pixel whose channels add up to a nonzero sum.
double saturationOf(int low, int sum) {
    return (1.0 - 3 * low / static_cast<double>(sum)) * 100.0;
}

// Lowers weak saturations and raises middle ones; near white the change is pulled back towards
// the mean of the curve value and the incoming saturation.
double saturationCurve(double s, int peak) {
    double y;
    if (s < 10.0) {
        y = (-7.0 * s * s * s + 142.0 * s * s) * 0.001388888888888889;
    } else {
        y = (-3.0 * s * s + 730.0 * s) * 0.0025 - 7.5;
    }
    if (peak > 245) y = ((y + s) * 0.5 * (peak - 245) + (255 - peak) * y) * 0.1;
    return y;
}

inline int toChannel(double intensity, double component) {
    const int v = static_cast<int>(intensity * component * 3);
    return v >= 256 ? 255 : (v < 0 ? 0 : v);
}

// Rebuilds B, G, R from hue, saturation in percent and intensity.
void hsiToRgb(const Hue& hue, double s, double intensity, int& b, int& g, int& r) {
    const double sat = s * 0.01;
    const double rising = (1.0 + sat * hue.cosNear / hue.cosFar) * kThird;
    double cb;
    double cg;
    double cr;
    if (hue.h < 120.0) {
        cb = (1.0 - sat) * kThird;
        cr = rising;
        cg = 1.0 - (cr + cb);
    } else if (hue.h < 240.0) {
        cr = (1.0 - sat) * kThird;
        cg = rising;
        cb = 1.0 - (cg + cr);
    } else {
        cg = (1.0 - sat) * kThird;
        cb = rising;
        cr = 1.0 - (cb + cg);
    }
    b = toChannel(intensity, cb);
    g = toChannel(intensity, cg);
    r = toChannel(intensity, cr);
}

// Hues repeat even more than colours (noise moves all channels together), so a second
// direct-mapped memo keeps hues by R - G and R - B, saving the acos, sqrt and cosines. Both memos
// live on the stack for one call (128 KB of hues, 32 KB of colours) and start empty.
constexpr int kHueMemoBits = 12;

struct HueEntry {
    int key;  // (R - G + 255) * 512 + (R - B + 255); -1 when empty
    Hue hue;
};

const Hue& memoHue(int b, int g, int r, HueEntry* memo) {
    const int key = (r - g + 255) * 512 + (r - b + 255);
    HueEntry& entry = memo[(static_cast<std::uint32_t>(key) * 0x9E3779B1u) >> (32 - kHueMemoBits)];
    if (entry.key != key) {
        entry.key = key;
        entry.hue = hueOf(b, g, r);
    }
    return entry.hue;
}

// Divisors of the strong-channel correction by [strong channel][weak channel], B, G, R.
constexpr double kStrongDivisor[3][3] = {
    {1.0, 0.3884, 0.7626},
    {2.57455, 1.0, 1.9632},
    {2.6228, 0.5094, 1.0},
};

// Gray and black keep hue 0 and saturation 0, so the rebuild needs no trigonometry: the curve
// gives 0 and f(0) is exactly one third. The same expressions as the general path are kept so
// that every gray level comes out as before.
void enhanceGray(int v, int out[3]) {
    const double intensity = v;
    out[0] = toChannel(intensity, kThird);
    out[1] = toChannel(intensity, 1.0 - (kThird + kThird));
    out[2] = toChannel(intensity, kThird);
}

// The enhanced colour of one B, G, R pixel.
void enhanceColour(int b, int g, int r, int out[3], HueEntry* hueMemo) {
    if (b == g && g == r) {
        enhanceGray(b, out);
        return;
    }
    int* ch = out;
    ch[0] = b;
    ch[1] = g;
    ch[2] = r;
    const int peak = std::max({ch[0], ch[1], ch[2]});
    const int low = std::min({ch[0], ch[1], ch[2]});
    const Hue hue = memoHue(b, g, r, hueMemo);
    const int sum = r + g + b;
    const double incoming = sum != 0 ? saturationOf(low, sum) : 0.0;
    const double s = std::clamp(saturationCurve(incoming, peak), 0.0, 100.0);
    const double intensity = sum / 3;
    hsiToRgb(hue, s, intensity, ch[0], ch[1], ch[2]);

    const bool hueWindow = (hue.h > 30.0 && hue.h < 200.0) || (hue.h > 280.0 && hue.h < 340.0);
    if (hueWindow && s > 80.0 && peak - low > 150) {
        const int t = (peak - low) / 4 - 35;
        int weak = 2;
        for (int k = 0; k < 3; ++k) {
            if (ch[k] == low) {
                weak = k;
                break;
            }
        }
        ch[weak] += t;
        int strong = 2;
        for (int k = 0; k < 3; ++k) {
            if (ch[k] == peak) {
                strong = k;
                break;
            }
        }
        ch[strong] -= static_cast<std::uint8_t>(static_cast<int>(t / kStrongDivisor[strong][weak]));
    }
}

// A pixel's result depends only on its three bytes, and camera pictures repeat colours a lot,
// so each call keeps a small direct-mapped memo of colour -> result. An entry holds the 24-bit
// colour above the 24-bit result; the all-ones start value matches no colour.
constexpr int kMemoBits = 12;
constexpr std::uint64_t kEmptyEntry = ~std::uint64_t{0};

inline std::uint32_t memoSlot(std::uint32_t colour) {
    return (colour * 0x9E3779B1u) >> (32 - kMemoBits);
}

void enhanceRow(BYTE* row, int width, std::uint64_t* memo, HueEntry* hueMemo) {
    for (int x = 0; x < width; ++x) {
        BYTE* p = row + x * kPixelBytes;
        const std::uint32_t colour = p[0] | (p[1] << 8) | (std::uint32_t{p[2]} << 16);
        std::uint64_t& entry = memo[memoSlot(colour)];
        if ((entry >> 24) != colour) {
            int out[3];
            enhanceColour(p[0], p[1], p[2], out, hueMemo);
            const auto result = static_cast<std::uint32_t>(
                clampByte(out[0]) | (clampByte(out[1]) << 8) | (clampByte(out[2]) << 16));
            entry = (std::uint64_t{colour} << 24) | result;
        }
        p[0] = static_cast<BYTE>(entry);
        p[1] = static_cast<BYTE>(entry >> 8);
        p[2] = static_cast<BYTE>(entry >> 16);
    }
}

}  // namespace
}  // namespace zenthue

extern "C" BYTE ColorEnhance(BYTE** rows, int width, int height) {
    using namespace zenthue;
    if (!sidesWithin(width, height, 1, 1)) return 0;
    if (!rowsPresent(rows, height)) return 0;
    std::array<std::uint64_t, std::size_t{1} << kMemoBits> memo;
    memo.fill(kEmptyEntry);
    std::array<HueEntry, std::size_t{1} << kHueMemoBits> hueMemo;
    for (HueEntry& entry : hueMemo) entry.key = -1;
    for (int y = 0; y < height; ++y) enhanceRow(rows[y], width, memo.data(), hueMemo.data());
    return 1;
}
