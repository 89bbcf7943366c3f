// The 4-lane level type of FineEnlargeImg, shared by the baseline and AVX2 sources (AVX2 builds
// the same steps with its 256-bit doubles). It lies in an unnamed namespace so that every
// including source gets its own copy, built with its own instructions.
#pragma once

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "fine_enlarge_kernel.h"

namespace zenthue {
namespace {

struct EnlargeLanes4 {
    static constexpr int kDoubles = 4;
    using Vec = DoubleX4;
    using IVec = IntX4;
    // The two packs saturate: below 0 gives 0, above 255 gives 255.
    static void storeBytes(BYTE* p, IVec v) {
#if defined(__SSE2__)
        __m128i x = reinterpret_cast<__m128i>(v);
        x = _mm_packus_epi16(_mm_packs_epi32(x, x), x);
        const int bytes = _mm_cvtsi128_si32(x);
        std::memcpy(p, &bytes, sizeof bytes);
#else
        for (int i = 0; i < kDoubles; ++i)
            p[i] = static_cast<BYTE>(v[i] < 0 ? 0 : (v[i] > 255 ? 255 : v[i]));
#endif
    }
};

}  // namespace
}  // namespace zenthue
