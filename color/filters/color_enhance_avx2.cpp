// ColorEnhance's per-pixel arithmetic for AVX2: 4 pixels a step, whose doubles fill one register.
#include "color_enhance_kernel.h"

namespace zenthue {

namespace {

struct Level {
    static constexpr int kLanes = 4;
    using Vec = DoubleX4;
    using LVec = LongX4;
    using IVec = IntX4;
};

}  // namespace

EnhanceKernel enhanceKernelAvx2() {
    return enhanceLanes<Level>;
}

}  // namespace zenthue
