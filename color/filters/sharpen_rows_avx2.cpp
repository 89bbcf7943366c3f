// Sharpening kernel for AVX2: 32 bytes a register.
#include <immintrin.h>

#include "sharpen_kernel.h"
#include "sharpen_rows.h"

namespace zenthue {

namespace {

struct Ops {
    using Vec = long long __attribute__((vector_size(32)));
    static constexpr int kBytes = 32;
    static Vec loadu(const BYTE* p) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    }
    static void storeu(BYTE* p, Vec v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static Vec zero() { return _mm256_setzero_si256(); }
    static Vec set1(int v) { return _mm256_set1_epi8(static_cast<char>(v)); }
    static Vec subsU8(Vec a, Vec b) { return _mm256_subs_epu8(a, b); }
    static Vec addU8(Vec a, Vec b) { return _mm256_add_epi8(a, b); }
    static Vec minU8(Vec a, Vec b) { return _mm256_min_epu8(a, b); }
    static Vec orBytes(Vec a, Vec b) { return _mm256_or_si256(a, b); }
    static Vec andBytes(Vec a, Vec b) { return _mm256_and_si256(a, b); }
    static Vec widenLow(Vec v) { return _mm256_unpacklo_epi8(v, zero()); }
    static Vec widenHigh(Vec v) { return _mm256_unpackhi_epi8(v, zero()); }
    static Vec shiftLeft4(Vec v) { return _mm256_slli_epi16(v, 4); }
    static Vec subI16(Vec a, Vec b) { return _mm256_sub_epi16(a, b); }
    static Vec div8TowardZero(Vec x) {
        const Vec bias = _mm256_and_si256(_mm256_srai_epi16(x, 15), _mm256_set1_epi16(7));
        return _mm256_srai_epi16(_mm256_add_epi16(x, bias), 3);
    }
    static Vec packSaturate(Vec low, Vec high) { return _mm256_packus_epi16(low, high); }
    static Vec select(Vec flag, Vec then, Vec otherwise) {
        return _mm256_blendv_epi8(otherwise, then, _mm256_sub_epi8(zero(), flag));
    }
};

}  // namespace

SharpenRowKernel sharpenKernelAvx2() {
    return sharpenRow<Ops>;
}

}  // namespace zenthue
