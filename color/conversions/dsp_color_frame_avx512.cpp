// The DSP color frame's per-pixel arithmetic for AVX-512: 8 pixels a step, whose doubles fill
// one register (vectors wider than a register stop GCC 12 at -O0).
#include <immintrin.h>

#include "conversions/dsp_kernel.h"

namespace zenthue {

namespace {

struct Level {
    static constexpr int kLanes = 8;
    using Vec = DspDoubleX8;
    using FVec = DspFloatX8;
    using IVec = DspIntX8;
    static void loadBytes(const BYTE* p, IVec& out) {
        out = reinterpret_cast<IVec>(
            _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
    }
};

}  // namespace

DspChromaKernel dspChromaKernelAvx512() {
    return dspChromaLanes<Level>;
}

DspLevelKernel dspLevelKernelAvx512() {
    return dspLevelLanes<Level>;
}

}  // namespace zenthue
