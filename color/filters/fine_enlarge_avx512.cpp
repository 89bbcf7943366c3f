// FineEnlargeImg's resampling for AVX-512: 8 doubles a register.
#include <immintrin.h>

#include "fine_enlarge_kernel.h"

namespace zenthue {

namespace {

struct Level {
    static constexpr int kDoubles = 8;
    using Vec = DoubleX8;
    using IVec = IntX8;
    static void loadBytes(const BYTE* p, IVec& v) {
        v = reinterpret_cast<IVec>(
            _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
    }
    static void storeBytes(BYTE* p, IVec v) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p),
                         _mm256_maskz_cvtepi32_epi8(0xFF, reinterpret_cast<__m256i>(v)));
    }
};

}  // namespace

EnlargeKernel enlargeKernelAvx512() {
    return enlargeLanes<Level>;
}

}  // namespace zenthue
