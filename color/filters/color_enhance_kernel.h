// The per-pixel arithmetic of ColorEnhance over many pixels at once, written once over a level
// type L (vector types L::Vec, L::LVec and L::IVec of L::kLanes doubles, 64-bit and 32-bit ints)
// and included by each level's source. Every lane goes through the double operations of one
// pixel in the same order; the hue (trigonometry, memo) comes in from the scalar code, and the
// rare strong-colour correction is left to it.
#pragma once

#include <cstring>

#include "engine/lanes.h"

namespace zenthue {

inline constexpr int kEnhanceChunk = 64;  // pixels a kernel call; a multiple of every level's lanes

// A hue's sector (0: below 120 degrees, 1: below 240, 2: the rest) in bits 0-1, and in bit 2
// whether it lies in a window of the strong-colour correction.
inline constexpr int kHueSectorMask = 3;
inline constexpr int kHueWindow = 4;

// One chunk of pixels: the highest, lowest and summed channel and the hue of each in, the rebuilt
// channels (0..255) and whether the strong-colour correction applies out.
struct EnhanceChunk {
    alignas(64) int peak[kEnhanceChunk];
    alignas(64) int low[kEnhanceChunk];
    alignas(64) int sum[kEnhanceChunk];
    alignas(64) int hueFlags[kEnhanceChunk];
    alignas(64) double cosNear[kEnhanceChunk];
    alignas(64) double cosFar[kEnhanceChunk];
    alignas(64) int outBlue[kEnhanceChunk];
    alignas(64) int outGreen[kEnhanceChunk];
    alignas(64) int outRed[kEnhanceChunk];
    alignas(64) int strong[kEnhanceChunk];  // nonzero: correct this pixel
};

using EnhanceKernel = void (*)(EnhanceChunk& c);

// sum * (1/3) + kThirdNudge truncates to sum / 3 for every channel sum 0..765: a multiple of 3
// comes out a hair above its quotient instead of a hair below, the others stay short of the next.
inline constexpr double kThirdNudge = 1e-9;
constexpr bool thirdsTruncateRight() {
    for (int sum = 0; sum <= 3 * 255; ++sum) {
        if (static_cast<int>(sum * 0.3333333333333333 + kThirdNudge) != sum / 3) return false;
    }
    return true;
}
static_assert(thirdsTruncateRight());

// Only on x86-64 builds.
EnhanceKernel enhanceKernelAvx2();
EnhanceKernel enhanceKernelAvx512();

// Vectors pass by reference: wider than the baseline's registers, they would change the calling
// convention.
template <class L>
void enhanceLoad(const void* p, typename L::IVec& v) {
    std::memcpy(&v, p, sizeof v);
}

// 255 from 256 on, 0 below 0: the rebuilt channel of one component.
template <class L>
void enhanceChannel(const typename L::Vec& intensity, const typename L::Vec& component,
                    typename L::IVec& out) {
    using IVec = typename L::IVec;
    const typename L::Vec v = intensity * component * 3;
    IVec level = __builtin_convertvector(v, IVec);
    const IVec high = level >= 256;
    const IVec low = level < 0;
    out = (level & ~high & ~low) | (high & 255);
}

template <class L>
void enhanceLanes(EnhanceChunk& c) {
    using Vec = typename L::Vec;
    using LVec = typename L::LVec;
    using IVec = typename L::IVec;
    constexpr int W = L::kLanes;
    constexpr double kThird = 0.3333333333333333;
    for (int l = 0; l < kEnhanceChunk; l += W) {
        IVec peak, low, sum, flags;
        enhanceLoad<L>(c.peak + l, peak);
        enhanceLoad<L>(c.low + l, low);
        enhanceLoad<L>(c.sum + l, sum);
        enhanceLoad<L>(c.hueFlags + l, flags);
        Vec cosNear, cosFar;
        std::memcpy(&cosNear, c.cosNear + l, sizeof cosNear);
        std::memcpy(&cosFar, c.cosFar + l, sizeof cosFar);

        const Vec sumD = __builtin_convertvector(sum, Vec);
        const Vec peakD = __builtin_convertvector(peak, Vec);

        // Saturation in percent (0 for black), through the curve, held to 0..100.
        const LVec black = sumD == 0.0;
        const Vec ratio = __builtin_convertvector(3 * low, Vec) / sumD;
        const Vec incoming = reinterpret_cast<Vec>(
            ~black & reinterpret_cast<LVec>((1.0 - ratio) * 100.0));  // +0.0 for black
        const Vec weak = (-7.0 * incoming * incoming * incoming + 142.0 * incoming * incoming) *
                         0.001388888888888889;
        const Vec middle = (-3.0 * incoming * incoming + 730.0 * incoming) * 0.0025 - 7.5;
        const LVec below10 = incoming < 10.0;
        Vec y = reinterpret_cast<Vec>((below10 & reinterpret_cast<LVec>(weak)) |
                                      (~below10 & reinterpret_cast<LVec>(middle)));
        const Vec nearWhite = ((y + incoming) * 0.5 * (peakD - 245.0) + (255.0 - peakD) * y) * 0.1;
        const LVec bright = peakD > 245.0;
        y = reinterpret_cast<Vec>((bright & reinterpret_cast<LVec>(nearWhite)) |
                                  (~bright & reinterpret_cast<LVec>(y)));
        const LVec under = y < 0.0, over = 100.0 < y;
        const Vec s = reinterpret_cast<Vec>(
            (~under & ~over & reinterpret_cast<LVec>(y)) |
            (~under & over & reinterpret_cast<LVec>(Vec{} + 100.0)));  // 0.0 under

        // Sum / 3 in integers, without a division (checked for every sum below).
        const Vec intensity = __builtin_convertvector(
            __builtin_convertvector(sumD * kThird + kThirdNudge, IVec), Vec);
        const Vec sat = s * 0.01;
        const Vec rising = (1.0 + sat * cosNear / cosFar) * kThird;
        const Vec lowPart = (1.0 - sat) * kThird;
        const Vec rest = 1.0 - (rising + lowPart);
        IVec riseLevel, lowLevel, restLevel;
        enhanceChannel<L>(intensity, rising, riseLevel);
        enhanceChannel<L>(intensity, lowPart, lowLevel);
        enhanceChannel<L>(intensity, rest, restLevel);
        // Sector 0: blue low, green rest, red rising; 1: rest, rising, low; 2: rising, low, rest.
        const IVec sector = flags & kHueSectorMask;
        const IVec s0 = sector == 0, s1 = sector == 1, s2 = sector == 2;
        const IVec outB = (s0 & lowLevel) | (s1 & restLevel) | (s2 & riseLevel);
        const IVec outG = (s0 & restLevel) | (s1 & riseLevel) | (s2 & lowLevel);
        const IVec outR = (s0 & riseLevel) | (s1 & lowLevel) | (s2 & restLevel);
        const IVec strongSat = __builtin_convertvector(s > 80.0, IVec);
        const IVec strong = ((flags & kHueWindow) != 0) & strongSat & (peak - low > 150);
        std::memcpy(c.outBlue + l, &outB, sizeof outB);
        std::memcpy(c.outGreen + l, &outG, sizeof outG);
        std::memcpy(c.outRed + l, &outR, sizeof outR);
        std::memcpy(c.strong + l, &strong, sizeof strong);
    }
}

}  // namespace zenthue
