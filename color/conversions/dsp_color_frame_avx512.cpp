// The DSP color frame's per-pixel arithmetic for AVX-512: 16 pixels a step.
#include <immintrin.h>

#include "conversions/dsp_kernel.h"

namespace zenthue {

namespace {

struct Level {
    static constexpr int kLanes = 16;
    using Vec = DspDoubleX16;
    using FVec = DspFloatX16;
    using IVec = DspIntX16;
    static void loadBytes(const BYTE* p, IVec& out) {
        out = reinterpret_cast<IVec>(_mm512_maskz_cvtepu8_epi32(
            0xFFFF, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p))));
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
