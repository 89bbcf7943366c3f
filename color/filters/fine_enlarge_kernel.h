// The 8-to-10 cosine resampling of FineEnlargeImg over many runs at once, written once over a
// level type L (vector types L::Vec and L::IVec of L::kDoubles doubles and ints, and
// L::storeBytes, which writes the ints as bytes held to 0..255) and included by each level's
// source. Every run (lane) goes through the same double operations, in the same order, as one run
// on its own.
#pragma once

#include "engine/lanes.h"
#include "platform.h"

namespace zenthue {

inline constexpr int kEnlargeIn = 8;    // samples per input run
inline constexpr int kEnlargeOut = 10;  // samples per output run
// A kernel call's lane count is a multiple of this (a whole register at every level).
inline constexpr int kEnlargeLaneStep = 8;

// Per-call tables, filled by the baseline code only.
struct EnlargeTables {
    double scale;                              // sqrt(2 / 8)
    double dct[kEnlargeIn][kEnlargeIn];        // (u, n)
    double resample[kEnlargeOut][kEnlargeIn];  // (k, u)
};

// Resamples lanes 0 .. lanes - 1 (a multiple of kEnlargeLaneStep): sample n of lane l is
// in[n][l], output k goes to out[k][l]. A lane's samples are all read before its outputs are
// written, and lanes share no bytes, so out may name the rows of in (the vertical pass).
using EnlargeKernel = void (*)(const EnlargeTables& t, const BYTE* const* in, BYTE* const* out,
                               int lanes);

// Only on x86-64 builds.
EnlargeKernel enlargeKernelAvx2();
EnlargeKernel enlargeKernelAvx512();

template <class L>
void enlargeLanes(const EnlargeTables& t, const BYTE* const* in, BYTE* const* out, int lanes) {
    constexpr int W = L::kDoubles;
    using Vec = typename L::Vec;
    using IVec = typename L::IVec;
    const double meanScale = kEnlargeIn * t.scale;
    for (int l = 0; l < lanes; l += W) {
        Vec s[kEnlargeIn];
#pragma GCC unroll 8
        for (int n = 0; n < kEnlargeIn; ++n) {
            IVec v;
            widenBytes(in[n] + l, v);
            s[n] = __builtin_convertvector(v, Vec);
        }
        // Coefficient 0 multiplies by cos 0 = 1, so its sum is the exact integer total (in any
        // order). The others start from their first product: a sum from 0.0 differs in the sign
        // of a zero at most, which no later step turns into a value.
        Vec total = s[0];
#pragma GCC unroll 8
        for (int n = 1; n < kEnlargeIn; ++n) total += s[n];
        const Vec mean = t.scale * total / meanScale;
        Vec c[kEnlargeIn];
#pragma GCC unroll 8
        for (int u = 1; u < kEnlargeIn; ++u) {
            Vec sum = t.dct[u][0] * s[0];
#pragma GCC unroll 8
            for (int n = 1; n < kEnlargeIn; ++n) sum += t.dct[u][n] * s[n];
            c[u] = t.scale * sum;
        }
        for (int k = 0; k < kEnlargeOut; ++k) {
            Vec sum = t.resample[k][1] * c[1];
#pragma GCC unroll 8
            for (int u = 2; u < kEnlargeIn; ++u) sum += t.resample[k][u] * c[u];
            L::storeBytes(out[k] + l,  // toward zero
                          __builtin_convertvector(mean + t.scale * sum, IVec));
        }
    }
}

}  // namespace zenthue
