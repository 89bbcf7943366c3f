// ColorEnhance: makes a 24-bit picture more vivid, in place. Each pixel goes into a hue,
// saturation and intensity description, its saturation passes through a fixed curve, and the
// pixel is rebuilt; strongly coloured pixels of some hues get their weakest channel raised and
// their strongest lowered. The constants are the picture pipeline's own (57.2958 and 0.01745 are
// kept instead of exact conversions of degrees so that every picture comes out as it always has).
// The hues come from a memo kept for the whole process (engine/hue_memo.h); the rest of the
// arithmetic runs in vectors (color_enhance_kernel.h) a chunk of pixels at a time.
#include <atomic>
#include <cmath>
#include <cstdint>

#include "color_enhance_kernel.h"
#include "engine/engine_state.h"
#include "engine/isa.h"
#include "filter_common.h"

namespace zenthue {
namespace {

constexpr double kDegreesPerRadian = 57.2958;
constexpr double kRadiansPerDegree = 0.01745;

// Fills the memo's slot of R - G and R - B with the hue's sector and strong-colour window and
// the cosines of the rebuild, and returns its flags. Gray (both 0) keeps hue 0 and equal
// cosines: the rebuild then gives the gray rule (blue and red a third, green what is left).
int fillHue(HueSlot& slot, int redLessGreen, int redLessBlue) {
    double cosNear = 1.0, cosFar = 1.0;
    int flags = kHueKnown;
    if (redLessGreen != 0 || redLessBlue != 0) {
        // (2R - G - B) / 2 and (R - G)^2 + (R - B)(G - B); G < B when R - B < R - G.
        const int num = (redLessGreen + redLessBlue) / 2;
        const int den = redLessGreen * redLessGreen + redLessBlue * (redLessBlue - redLessGreen);
        double h = std::acos(num / std::sqrt(static_cast<double>(den))) * kDegreesPerRadian;
        if (redLessBlue < redLessGreen) h = 360.0 - h;
        const double within = h < 120.0 ? h : (h < 240.0 ? h - 120.0 : h - 240.0);
        cosNear = std::cos(within * kRadiansPerDegree);
        cosFar = std::cos((60.0 - within) * kRadiansPerDegree);
        const bool window = (h > 30.0 && h < 200.0) || (h > 280.0 && h < 340.0);
        flags |= (h < 120.0 ? 0 : (h < 240.0 ? 1 : 2)) | (window ? kHueWindow : 0);
    }
    std::atomic_ref<double>(slot.cosNear).store(cosNear, std::memory_order_relaxed);
    std::atomic_ref<double>(slot.cosFar).store(cosFar, std::memory_order_relaxed);
    std::atomic_ref<int>(slot.flags).store(flags, std::memory_order_release);
    return flags;
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

// Four pixels a step, in two registers the compiler works side by side: one pixel pair's chain
// of divisions alone would leave the processor waiting.
struct Baseline {
    static constexpr int kLanes = 4;
    using Vec = EnhanceDoubleX4;
    using LVec = EnhanceLongX4;
    using IVec = EnhanceIntX4;
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

void enhanceRow(EnhanceKernel kernel, BYTE* row, int width, HueMemo& hues, EnhanceChunk& c) {
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
            HueSlot& slot = hues[hueSlotIndex(r - g, r - b)];
            int flags = std::atomic_ref<int>(slot.flags).load(std::memory_order_acquire);
            if (flags == 0) flags = fillHue(slot, r - g, r - b);
            c.hueFlags[k] = flags;
            c.cosNear[k] = std::atomic_ref<double>(slot.cosNear).load(std::memory_order_relaxed);
            c.cosFar[k] = std::atomic_ref<double>(slot.cosFar).load(std::memory_order_relaxed);
        }
        for (int k = n; k < kEnhanceChunk; ++k) {
            c.peak[k] = c.low[k] = c.sum[k] = c.hueFlags[k] = 0;
            c.cosNear[k] = c.cosFar[k] = 1.0;
        }
        kernel(c);
        // The rebuilt channels are within 0..255; only corrected ones need holding there.
        for (int k = 0; k < n; ++k) {
            BYTE* q = p + k * kPixelBytes;
            if (c.strong[k] == 0) {
                q[0] = static_cast<BYTE>(c.outBlue[k]);
                q[1] = static_cast<BYTE>(c.outGreen[k]);
                q[2] = static_cast<BYTE>(c.outRed[k]);
                continue;
            }
            int ch[3] = {c.outBlue[k], c.outGreen[k], c.outRed[k]};
            correctStrong(ch, c.peak[k], c.low[k]);
            for (int i = 0; i < kPixelBytes; ++i) q[i] = static_cast<BYTE>(clampByte(ch[i]));
        }
    }
}

}  // namespace
}  // namespace zenthue

extern "C" BYTE ColorEnhance(BYTE** rows, int width, int height) {
    using namespace zenthue;
    if (!sidesWithin(width, height, 1, 1)) return 0;
    if (!rowsPresent(rows, height)) return 0;
    HueMemo& hues = engineState().hues;
    const EnhanceKernel kernel = activeKernel();
    EnhanceChunk chunk;
    for (int y = 0; y < height; ++y) enhanceRow(kernel, rows[y], width, hues, chunk);
    return 1;
}
