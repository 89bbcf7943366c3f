// The 8-pixel level type of the DSP kernels, shared by the AVX2 and AVX-512 sources (AVX-512
// builds the same steps with one register where AVX2 needs two). It lies in an unnamed
// namespace so that every including source gets its own copy, built with its own instructions.
#pragma once

#include <immintrin.h>

#include "conversions/dsp_kernel.h"

namespace zenthue {
namespace {

struct DspLanes8 {
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
}  // namespace zenthue
