// ColorEnhance: makes a 24-bit picture more vivid, in place. Each pixel goes into a hue,
// saturation and intensity description, its saturation passes through a fixed curve, and the
// pixel is rebuilt; strongly coloured pixels of some hues get their weakest channel raised and
// their strongest lowered. The constants are the picture pipeline's own (57.2958 and 0.01745 are
// kept instead of exact conversions of degrees so that every picture comes out as it always has).
// The hues come from a memo here; the rest of the arithmetic runs in vectors
// (color_enhance_kernel.h) a chunk of pixels at a time.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>

#include "color_enhance_kernel.h"
#include "engine/isa.h"
#include "filter_common.h"

namespace zenthue {
namespace {

constexpr double kDegreesPerRadian = 57.2958;
constexpr double kRadiansPerDegree = 0.01745;

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

// Hues repeat even more than colours (noise moves all channels together), so a direct-mapped
// memo keeps them by R - G and R - B (the low 7 bits of each pick the slot, so differences
// within +-64 never evict each other), saving the acos, sqrt and cosines. It lives on the heap
// for one call; when that memory is not to be had, a small one on the stack does the same work.
constexpr int kHueMemoBits = 14;
constexpr int kSmallHueMemoBits = 10;

struct HueEntry {
    int key;    // (R - G + 255) * 512 + (R - B + 255); -1 when empty
    int flags;  // sector and window (kHueSectorMask, kHueWindow)
    double cosNear, cosFar;
};

void memoHue(int b, int g, int r, HueEntry* memo, int bits, EnhanceChunk& c, int k) {
    const int key = (r - g + 255) * 512 + (r - b + 255);
    const int half = bits / 2;
    const int mask = (1 << half) - 1;
    HueEntry& entry = memo[(((r - g) & mask) << half) | ((r - b) & mask)];
    if (entry.key != key) {
        const Hue hue = hueOf(b, g, r);
        const bool window = (hue.h > 30.0 && hue.h < 200.0) || (hue.h > 280.0 && hue.h < 340.0);
        entry = {key, (hue.h < 120.0 ? 0 : (hue.h < 240.0 ? 1 : 2)) | (window ? kHueWindow : 0),
                 hue.cosNear, hue.cosFar};
    }
    c.hueFlags[k] = entry.flags;
    c.cosNear[k] = entry.cosNear;
    c.cosFar[k] = entry.cosFar;
}

// Divisors of the strong-channel correction by [strong channel][weak channel], B, G, R.
constexpr double kStrongDivisor[3][3] = {
    {1.0, 0.3884, 0.7626},
    {2.57455, 1.0, 1.9632},
    {2.6228, 0.5094, 1.0},
};

// The strong-colour correction of rebuilt channels ch (B, G, R) of a pixel whose incoming
// channels spanned low .. peak: the first channel now at low is raised, then the first at peak
// lowered.
void correctStrong(int ch[3], int peak, int low) {
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

// Two pixels a step: wider vectors than a register are taken apart by the compiler.
struct Baseline {
    static constexpr int kLanes = 2;
    using Vec = EnhanceDoubleX2;
    using LVec = EnhanceLongX2;
    using IVec = EnhanceIntX2;
};

EnhanceKernel activeKernel() {
#if defined(ZENTHUE_X86_KERNELS)
    switch (activeIsa()) {
        case Isa::avx512:
            return enhanceKernelAvx512();
        case Isa::avx2:
            return enhanceKernelAvx2();
        case Isa::baseline:
            break;
    }
#endif
    return enhanceLanes<Baseline>;
}

// Gray and black keep hue 0 and saturation 0: the rebuild then gives the gray rule (blue and
// red a third, green what is left), which hue sector 0 with equal cosines computes.
void enhanceRow(EnhanceKernel kernel, BYTE* row, int width, HueEntry* memo, int bits,
                EnhanceChunk& c) {
    for (int x0 = 0; x0 < width; x0 += kEnhanceChunk) {
        const int n = width - x0 < kEnhanceChunk ? width - x0 : kEnhanceChunk;
        BYTE* p = row + x0 * kPixelBytes;
        for (int k = 0; k < n; ++k) {
            const int b = p[k * kPixelBytes], g = p[k * kPixelBytes + 1],
                      r = p[k * kPixelBytes + 2];
            const int high = b > g ? b : g, low = b > g ? g : b;
            c.peak[k] = r > high ? r : high;
            c.low[k] = r < low ? r : low;
            c.sum[k] = b + g + r;
            if (b == g && g == r) {
                c.hueFlags[k] = 0;
                c.cosNear[k] = c.cosFar[k] = 1.0;
            } else {
                memoHue(b, g, r, memo, bits, c, k);
            }
        }
        for (int k = n; k < kEnhanceChunk; ++k) {
            c.peak[k] = c.low[k] = c.sum[k] = c.hueFlags[k] = 0;
            c.cosNear[k] = c.cosFar[k] = 1.0;
        }
        kernel(c);
        for (int k = 0; k < n; ++k) {
            int ch[3] = {c.outBlue[k], c.outGreen[k], c.outRed[k]};
            if (c.strong[k] != 0) correctStrong(ch, c.peak[k], c.low[k]);
            for (int i = 0; i < kPixelBytes; ++i)
                p[k * kPixelBytes + i] = static_cast<BYTE>(clampByte(ch[i]));
        }
    }
}

}  // namespace
}  // namespace zenthue

extern "C" BYTE ColorEnhance(BYTE** rows, int width, int height) {
    using namespace zenthue;
    if (!sidesWithin(width, height, 1, 1)) return 0;
    if (!rowsPresent(rows, height)) return 0;
    std::unique_ptr<HueEntry[]> heapMemo(new (std::nothrow)
                                             HueEntry[std::size_t{1} << kHueMemoBits]);
    HueEntry smallMemo[std::size_t{1} << kSmallHueMemoBits];
    HueEntry* memo = heapMemo ? heapMemo.get() : smallMemo;
    const int bits = heapMemo ? kHueMemoBits : kSmallHueMemoBits;
    for (int i = 0; i < (1 << bits); ++i) memo[i].key = -1;
    const EnhanceKernel kernel = activeKernel();
    EnhanceChunk chunk;
    for (int y = 0; y < height; ++y) enhanceRow(kernel, rows[y], width, memo, bits, chunk);
    return 1;
}
