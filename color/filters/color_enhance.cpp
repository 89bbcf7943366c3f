// ColorEnhance: makes a 24-bit picture more vivid, in place. Each pixel goes into a hue,
// saturation and intensity description, its saturation passes through a fixed curve, and the
// pixel is rebuilt; strongly coloured pixels of some hues get their weakest channel raised and
// their strongest lowered. The constants are the picture pipeline's own (57.2958 and 0.01745 are
// kept instead of exact conversions of degrees so that every picture comes out as it always has).
// The hues come from a memo kept for the whole process (engine/hue_memo.h); the rest of the
// arithmetic runs in vectors (color_enhance_kernel.h) a chunk of pixels at a time.
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

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
[[gnu::noinline]] int fillHue(HueSlot& slot, int redLessGreen, int redLessBlue) {
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

// Two pixels a step: wider vectors than a register are taken apart by the compiler (four lanes
// in two registers measured slower).
struct Baseline {
    static constexpr int kLanes = 2;
    using Vec = DoubleX2;
    using LVec = LongX2;
    using IVec = IntX2;
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

// Lane k of a chunk from pixel (b, g, r): its channel extremes, sum and hue. This and the two
// per-pixel helpers below are inlined into both row loops, which spend most of their time here.
[[gnu::always_inline]] inline void loadLane(EnhanceChunk& c, int k, int b, int g, int r,
                                            HueMemo& hues) {
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

// Fills lanes n and up with black and runs the kernel.
void runKernel(EnhanceChunk& c, int n, EnhanceKernel kernel) {
    for (int k = n; k < kEnhanceChunk; ++k) {
        c.peak[k] = c.low[k] = c.sum[k] = c.hueFlags[k] = 0;
        c.cosNear[k] = c.cosFar[k] = 1.0;
    }
    kernel(c);
}

// The finished pixel of lane k, B | G << 8 | R << 16. The rebuilt channels are within 0..255;
// only corrected ones need holding there.
[[gnu::always_inline]] inline std::uint32_t laneResult(const EnhanceChunk& c, int k) {
    int ch[3] = {c.outBlue[k], c.outGreen[k], c.outRed[k]};
    if (c.strong[k] != 0) {
        correctStrong(ch, c.peak[k], c.low[k]);
        for (int& v : ch) v = clampByte(v);
    }
    return static_cast<std::uint32_t>(ch[0] | ch[1] << 8 | ch[2] << 16);
}

[[gnu::always_inline]] inline void storePixel(BYTE* p, std::uint32_t pixel) {
    p[0] = static_cast<BYTE>(pixel);
    p[1] = static_cast<BYTE>(pixel >> 8);
    p[2] = static_cast<BYTE>(pixel >> 16);
}

// A row a chunk at a time, every pixel through the kernel.
void enhancePlainRow(BYTE* row, int width, EnhanceKernel kernel, HueMemo& hues, EnhanceChunk& c) {
    for (int x0 = 0; x0 < width; x0 += kEnhanceChunk) {
        const int n = width - x0 < kEnhanceChunk ? width - x0 : kEnhanceChunk;
        BYTE* p = row + x0 * kPixelBytes;
        for (int k = 0; k < n; ++k) {
            const BYTE* q = p + k * kPixelBytes;
            loadLane(c, k, q[0], q[1], q[2], hues);
        }
        runKernel(c, n, kernel);
        for (int k = 0; k < n; ++k) storePixel(p + k * kPixelBytes, laneResult(c, k));
    }
}

// A call's memo of finished colours, direct-mapped by a hash of the colour: stored pictures
// repeat most of their colours (a 320 x 240 picture has about one new colour in six pixels),
// noise hardly any, so rows that find few colours here go without it for a while.
struct ColourSlot {
    std::uint32_t colour;  // B | G << 8 | R << 16; kNoColour while empty
    std::uint32_t out;     // the enhanced pixel, packed alike
};
constexpr std::uint32_t kNoColour = 0xFFFFFFFF;
constexpr int kMaxColourBits = 14;
// A row that finds fewer than one pixel in eight in the memo is followed by 16 rows without it,
// and each further such row doubles that, up to 256.
constexpr int kRowsWithoutMemo = 16;
constexpr int kMostRowsWithoutMemo = 256;

struct ColourMemo {
    std::unique_ptr<ColourSlot[]> slots;  // none when the memory was not to be had
    int shift = 32;                       // 32 less the bits of a slot's index

    ColourSlot& slotOf(std::uint32_t colour) const {
        return slots[(colour * 0x9E3779B1u) >> shift];
    }
};

ColourMemo colourMemoFor(int width, int height) {
    int bits = 6;
    while (bits < kMaxColourBits && (1L << bits) < static_cast<long>(width) * height) ++bits;
    ColourMemo memo;
    memo.slots.reset(new (std::nothrow) ColourSlot[std::size_t{1} << bits]);
    if (!memo.slots) return memo;
    for (std::size_t i = 0; i < (std::size_t{1} << bits); ++i) memo.slots[i].colour = kNoColour;
    memo.shift = 32 - bits;
    return memo;
}

// A row through the colour memo: colours met before are written at once, the others gathered
// into chunks for the kernel and kept. Returns how many pixels the memo had.
int enhanceMemoRow(BYTE* row, int width, EnhanceKernel kernel, HueMemo& hues,
                   const ColourMemo& memo, EnhanceChunk& c) {
    BYTE* where[kEnhanceChunk];
    std::uint32_t colours[kEnhanceChunk];
    int n = 0, found = 0;
    const auto finish = [&] {
        runKernel(c, n, kernel);
        for (int k = 0; k < n; ++k) {
            const std::uint32_t out = laneResult(c, k);
            storePixel(where[k], out);
            memo.slotOf(colours[k]) = {colours[k], out};
        }
        n = 0;
    };
    for (int x = 0; x < width; ++x) {
        BYTE* p = row + x * kPixelBytes;
        const int b = p[0], g = p[1], r = p[2];
        const auto colour = static_cast<std::uint32_t>(b | g << 8 | r << 16);
        const ColourSlot slot = memo.slotOf(colour);
        if (slot.colour == colour) {
            storePixel(p, slot.out);
            ++found;
            continue;
        }
        loadLane(c, n, b, g, r, hues);
        where[n] = p;
        colours[n] = colour;
        if (++n == kEnhanceChunk) finish();
    }
    if (n > 0) finish();
    return found;
}

}  // namespace
}  // namespace zenthue

extern "C" BYTE ColorEnhance(BYTE** rows, int width, int height) {
    using namespace zenthue;
    if (!sidesWithin(width, height, 1, 1)) return 0;
    if (!rowsPresent(rows, height)) return 0;
    HueMemo& hues = engineState().hues;
    const EnhanceKernel kernel = activeKernel();
    const ColourMemo memo = colourMemoFor(width, height);
    EnhanceChunk chunk;
    int rowsWithout = memo.slots ? 0 : height;
    int backOff = kRowsWithoutMemo;
    for (int y = 0; y < height; ++y) {
        if (rowsWithout > 0) {
            --rowsWithout;
            enhancePlainRow(rows[y], width, kernel, hues, chunk);
        } else if (enhanceMemoRow(rows[y], width, kernel, hues, memo, chunk) < width / 8) {
            rowsWithout = backOff;
            backOff = backOff < kMostRowsWithoutMemo ? 2 * backOff : backOff;
        } else {
            backOff = kRowsWithoutMemo;
        }
    }
    return 1;
}
