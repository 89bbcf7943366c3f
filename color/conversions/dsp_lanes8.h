// The 8-pixel level type of the DSP kernels, shared by the AVX2 and AVX-512 sources (AVX-512
// builds the same steps with one register where AVX2 needs two). It lies in an unnamed
// namespace so that every including source gets its own copy, built with its own instructions.
#pragma once

#include "conversions/dsp_kernel.h"

namespace zenthue {
namespace {

struct DspLanes8 {
    static constexpr int kLanes = 8;
    using Vec = DoubleX8;
    using FVec = FloatX8;
    using IVec = IntX8;
};

}  // namespace
}  // namespace zenthue
