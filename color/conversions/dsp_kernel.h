// The per-pixel arithmetic of the DSP color frame over many pixels at once, written once over a
// level type L (vector types L::Vec, L::FVec and L::IVec of L::kLanes doubles, floats and ints)
// and included by each level's source. Every lane goes through the double operations of the
// scalar code (dsp_color_frame.cpp) in the same order; the row smoothing and the table lookups
// between the two steps stay scalar.
#pragma once

#include <cstring>

#include "engine/lanes.h"
#include "platform.h"

namespace zenthue {

// Step 1 for pixels x0 .. x0 + count - 1 of a row (count a multiple of the level's lanes; every
// read lies within x - 1 .. x + 1): the unsmoothed color differences and the luminance 0..255.
using DspChromaKernel = void (*)(const BYTE* up, const BYTE* cur, const BYTE* down, int x0,
                                 int count, bool redRow, float* cr, float* cb, int* luma);

// Step 2 for count pixels (a multiple of the level's lanes): scaled luminance and smoothed color
// differences to the channel levels 0..255, before the tone table.
struct DspGains {
    double red, green, blue;
};
using DspLevelKernel = void (*)(const float* y, const float* cr, const float* cb, int count,
                                const DspGains& gains, int* red, int* green, int* blue);

// Only on x86-64 builds; 8 lanes each.
DspChromaKernel dspChromaKernelAvx2();
DspLevelKernel dspLevelKernelAvx2();
DspChromaKernel dspChromaKernelAvx512();
DspLevelKernel dspLevelKernelAvx512();

template <class L>
void dspChromaLanes(const BYTE* up, const BYTE* cur, const BYTE* down, int x0, int count,
                    bool redRow, float* cr, float* cb, int* luma) {
    using Vec = typename L::Vec;
    using FVec = typename L::FVec;
    using IVec = typename L::IVec;
    constexpr int W = L::kLanes;
    IVec lane;
    for (int i = 0; i < W; ++i) lane[i] = i;
    for (int l = 0; l < count; l += W) {
        const int x = x0 + l;
        IVec u, ul, ur, d, dl, dr, c, cl, cr1;
        widenBytes(up + x, u), widenBytes(up + x - 1, ul), widenBytes(up + x + 1, ur);
        widenBytes(down + x, d), widenBytes(down + x - 1, dl), widenBytes(down + x + 1, dr);
        widenBytes(cur + x, c), widenBytes(cur + x - 1, cl), widenBytes(cur + x + 1, cr1);
        // Own-color sites: R at even x of an R row, B at odd x of a B row.
        const IVec site = ((lane + x) & 1) == (redRow ? 0 : 1);
        const IVec vertical = u + d;
        const IVec diagonals = ((ul + ur) >> 1) + ((dl + dr) >> 1);
        const IVec side = (cl + cr1) >> 1;
        FVec fr, fb;
        if (redRow) {
            const IVec greens = ((site & vertical) | (~site & diagonals));
            const IVec blues = ((site & diagonals) | (~site & vertical));
            const IVec r = ((site & c) | (~site & side)), g = ((site & side) | (~site & c));
            fr = __builtin_convertvector(0.055 * __builtin_convertvector(greens, Vec) -
                                             0.055 * __builtin_convertvector(blues, Vec) +
                                             0.7 * __builtin_convertvector(r - g, Vec),
                                         FVec);
            fb = __builtin_convertvector(0.445 * __builtin_convertvector(blues, Vec) -
                                             0.445 * __builtin_convertvector(greens, Vec) +
                                             0.3 * __builtin_convertvector(g - r, Vec),
                                         FVec);
        } else {
            const IVec reds = ((site & diagonals) | (~site & vertical));
            const IVec greens = ((site & vertical) | (~site & diagonals));
            const IVec g = ((site & side) | (~site & c)), b = ((site & c) | (~site & side));
            fr = __builtin_convertvector(0.35 * __builtin_convertvector(reds - greens, Vec) +
                                             0.11 * __builtin_convertvector(g - b, Vec),
                                         FVec);
            fb = __builtin_convertvector(0.15 * __builtin_convertvector(greens - reds, Vec) +
                                             0.89 * __builtin_convertvector(b - g, Vec),
                                         FVec);
        }
        std::memcpy(cr + l, &fr, sizeof fr);
        std::memcpy(cb + l, &fb, sizeof fb);

        const IVec cross = (cl + cr1 + u + d) >> 2;
        const IVec diagonal = (ul + ur + dl + dr) >> 2;
        const IVec half = vertical >> 1;
        // R row: site r = c, g = cross, b = diagonal; else r = side, g = c, b = vertical.
        // B row: site r = diagonal, g = cross, b = c; else r = vertical, g = c, b = side.
        const IVec r =
            redRow ? ((site & c) | (~site & side)) : ((site & diagonal) | (~site & half));
        const IVec g = ((site & cross) | (~site & c));
        const IVec b =
            redRow ? ((site & diagonal) | (~site & half)) : ((site & c) | (~site & side));
        const Vec rd = __builtin_convertvector(r, Vec), gd = __builtin_convertvector(g, Vec),
                  bd = __builtin_convertvector(b, Vec);
        const Vec y =
            ((0.3 * rd + 0.59 * gd + 0.11 * bd) + (0.25 * rd + 0.5 * gd + 0.25 * bd)) * 0.5;
        IVec level = __builtin_convertvector(y, IVec);  // toward zero
        const IVec low = level < 0;
        const IVec high = level > 255;
        level = (level & ~low & ~high) | (high & 255);
        std::memcpy(luma + l, &level, sizeof level);
    }
}

// A channel value rounded to single precision, then saturated or truncated to 0..255 (held to
// 0..255 as a float first, which converts to the same level).
// Helpers pass vectors by reference: wider than the baseline's registers, they would change the
// calling convention.
template <class L>
void dspChannelLevel(const typename L::Vec& v, typename L::IVec& out) {
    using FVec = typename L::FVec;
    using IVec = typename L::IVec;
    const FVec f = __builtin_convertvector(v, FVec);
    const IVec top = f >= 255.0f;
    const IVec inside = ~top & (f > 0.0f);  // the rest becomes +0.0f
    const IVec held =
        (reinterpret_cast<IVec>(f) & inside) | (reinterpret_cast<IVec>(FVec{} + 255.0f) & top);
    out = __builtin_convertvector(reinterpret_cast<FVec>(held), IVec);
}

template <class L>
void dspLevelLanes(const float* y, const float* cr, const float* cb, int count,
                   const DspGains& gains, int* red, int* green, int* blue) {
    using Vec = typename L::Vec;
    using FVec = typename L::FVec;
    using IVec = typename L::IVec;
    constexpr int W = L::kLanes;
    for (int l = 0; l < count; l += W) {
        FVec fy, fr, fb;
        std::memcpy(&fy, y + l, sizeof fy);
        std::memcpy(&fr, cr + l, sizeof fr);
        std::memcpy(&fb, cb + l, sizeof fb);
        const Vec vy = __builtin_convertvector(fy, Vec);
        const Vec vr = __builtin_convertvector(fr, Vec);
        const Vec vb = __builtin_convertvector(fb, Vec);
        IVec g, r, b;
        dspChannelLevel<L>((0.782 * vy - vr - vb) * gains.green * 0.03125, g);
        dspChannelLevel<L>((0.254 * vy + vr) * gains.red * 0.03125, r);
        dspChannelLevel<L>((0.28 * vy + vb) * gains.blue * 0.03125, b);
        std::memcpy(red + l, &r, sizeof r);
        std::memcpy(green + l, &g, sizeof g);
        std::memcpy(blue + l, &b, sizeof b);
    }
}

}  // namespace zenthue
