// FineEnlargeImg's resampling for AVX-512: 8 doubles a register.
#include <immintrin.h>

#include "fine_enlarge_kernel.h"

namespace zenthue {

namespace {

struct Level {
    static constexpr int kDoubles = 8;
    using Vec = DoubleX8;
    using IVec = IntX8;
    // Negative ints go to 0 first; the narrowing saturates the rest at 255.
    static void storeBytes(BYTE* p, IVec v) {
        const __m256i x = _mm256_max_epi32(reinterpret_cast<__m256i>(v), _mm256_setzero_si256());
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm256_maskz_cvtusepi32_epi8(0xFF, x));
    }
};

}  // namespace

EnlargeKernel enlargeKernelAvx512() {
    return enlargeLanes<Level>;
}

}  // namespace zenthue
