// The diagonal 12-bit path's interpolation for AVX-512: 16 pixels a step.
#include <immintrin.h>

#include "conversions/raw12_kernel.h"

namespace zenthue {

namespace {

struct Level {
    static constexpr int kLanes = 16;
    using IVec = IntX16;
    static void loadSamples(const BYTE* p, IVec& out) {
        out = reinterpret_cast<IVec>(_mm512_maskz_cvtepu16_epi32(
            0xFFFF, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))));
    }
};

}  // namespace

Raw12DiagonalKernel raw12DiagonalKernelAvx512() {
    return raw12DiagonalLanes<Level>;
}

}  // namespace zenthue
