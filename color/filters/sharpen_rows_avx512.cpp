// Sharpening kernel for AVX-512 (BW): 64 bytes a register.
#include <immintrin.h>

#include "sharpen_kernel.h"
#include "sharpen_rows.h"

namespace zenthue {

namespace {

struct Ops {
    using Vec = long long __attribute__((vector_size(64)));
    static constexpr int kBytes = 64;
    static Vec loadu(const BYTE* p) { return _mm512_loadu_si512(p); }
    static void storeu(BYTE* p, Vec v) { _mm512_storeu_si512(p, v); }
    static Vec zero() { return _mm512_setzero_si512(); }
    static Vec set1(int v) { return _mm512_set1_epi8(static_cast<char>(v)); }
    static Vec subsU8(Vec a, Vec b) { return _mm512_subs_epu8(a, b); }
    static Vec addU8(Vec a, Vec b) { return _mm512_add_epi8(a, b); }
    static Vec minU8(Vec a, Vec b) { return _mm512_min_epu8(a, b); }
    static Vec orBytes(Vec a, Vec b) { return _mm512_or_si512(a, b); }
    static Vec andBytes(Vec a, Vec b) { return _mm512_and_si512(a, b); }
    static Vec widenLow(Vec v) { return _mm512_unpacklo_epi8(v, zero()); }
    static Vec widenHigh(Vec v) { return _mm512_unpackhi_epi8(v, zero()); }
    static Vec shiftLeft4(Vec v) { return _mm512_slli_epi16(v, 4); }
    static Vec subI16(Vec a, Vec b) { return _mm512_sub_epi16(a, b); }
    static Vec div8TowardZero(Vec x) {
        const Vec bias = _mm512_and_si512(_mm512_srai_epi16(x, 15), _mm512_set1_epi16(7));
        return _mm512_srai_epi16(_mm512_add_epi16(x, bias), 3);
    }
    static Vec packSaturate(Vec low, Vec high) { return _mm512_packus_epi16(low, high); }
    static Vec select(Vec flag, Vec then, Vec otherwise) {
        return _mm512_mask_blend_epi8(_mm512_test_epi8_mask(flag, flag), otherwise, then);
    }
};

}  // namespace

SharpenRowKernel sharpenKernelAvx512() {
    return sharpenRow<Ops>;
}

}  // namespace zenthue
