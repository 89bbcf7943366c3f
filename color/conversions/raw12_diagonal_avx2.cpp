// The diagonal 12-bit path's interpolation for AVX2: 8 pixels a step.
#include <immintrin.h>

#include "conversions/raw12_kernel.h"

namespace zenthue {

namespace {

struct Level {
    static constexpr int kLanes = 8;
    using IVec = IntX8;
    static void loadSamples(const BYTE* p, IVec& out) {
        out = reinterpret_cast<IVec>(
            _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))));
    }
};

}  // namespace

Raw12DiagonalKernel raw12DiagonalKernelAvx2() {
    return raw12DiagonalLanes<Level>;
}

}  // namespace zenthue
