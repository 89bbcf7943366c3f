// The vector types the colour library's per-level kernels are written with (GCC and clang
// vector extensions), and the byte widening they share. The widening lies in an unnamed
// namespace so that every including source gets its own copy, built with its own instructions.
#pragma once

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__AVX2__)
#include <immintrin.h>
#endif

#include "platform.h"

namespace zenthue {

typedef double DoubleX2 __attribute__((vector_size(16)));
typedef double DoubleX4 __attribute__((vector_size(32)));
typedef double DoubleX8 __attribute__((vector_size(64)));
typedef float FloatX4 __attribute__((vector_size(16)));
typedef float FloatX8 __attribute__((vector_size(32)));
typedef long long LongX2 __attribute__((vector_size(16)));
typedef long long LongX4 __attribute__((vector_size(32)));
typedef long long LongX8 __attribute__((vector_size(64)));
typedef int IntX2 __attribute__((vector_size(8)));
typedef int IntX4 __attribute__((vector_size(16)));
typedef int IntX8 __attribute__((vector_size(32)));
typedef int IntX16 __attribute__((vector_size(64)));

namespace {

// Four bytes at p widened to ints.
inline void widenBytes(const BYTE* p, IntX4& v) {
#if defined(__SSE2__)
    int bytes;
    std::memcpy(&bytes, p, sizeof bytes);
    const __m128i zero = _mm_setzero_si128();
    v = reinterpret_cast<IntX4>(
        _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), zero), zero));
#else
    for (int i = 0; i < 4; ++i) v[i] = p[i];
#endif
}

#if defined(__AVX2__)
// Eight bytes at p widened to ints.
inline void widenBytes(const BYTE* p, IntX8& v) {
    v = reinterpret_cast<IntX8>(
        _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
}
#endif

}  // namespace
}  // namespace zenthue
