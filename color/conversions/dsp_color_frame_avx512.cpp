// The DSP color frame's per-pixel arithmetic for AVX-512: 8 pixels a step, whose doubles fill
// one register (vectors wider than a register stop GCC 12 at -O0).
#include "conversions/dsp_lanes8.h"

namespace zenthue {

DspChromaKernel dspChromaKernelAvx512() {
    return dspChromaLanes<DspLanes8>;
}

DspLevelKernel dspLevelKernelAvx512() {
    return dspLevelLanes<DspLanes8>;
}

}  // namespace zenthue
