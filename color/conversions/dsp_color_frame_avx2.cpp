// The DSP color frame's per-pixel arithmetic for AVX2: 8 pixels a step.
#include "conversions/dsp_lanes8.h"

namespace zenthue {

DspChromaKernel dspChromaKernelAvx2() {
    return dspChromaLanes<DspLanes8>;
}

DspLevelKernel dspLevelKernelAvx2() {
    return dspLevelLanes<DspLanes8>;
}

}  // namespace zenthue
