// ColorEnhance's per-pixel arithmetic for AVX-512: 8 pixels a step, whose doubles fill one
// register (vectors wider than a register stop GCC 12 at -O0).
#include "color_enhance_kernel.h"

namespace zenthue {

namespace {

struct Level {
    static constexpr int kLanes = 8;
    using Vec = DoubleX8;
    using LVec = LongX8;
    using IVec = IntX8;
};

}  // namespace

EnhanceKernel enhanceKernelAvx512() {
    return enhanceLanes<Level>;
}

}  // namespace zenthue
