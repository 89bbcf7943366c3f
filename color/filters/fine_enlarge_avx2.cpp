// FineEnlargeImg's resampling for AVX2: the baseline's 4 doubles a step, in one register.
#include "fine_enlarge_lanes4.h"

namespace zenthue {

EnlargeKernel enlargeKernelAvx2() {
    return enlargeLanes<EnlargeLanes4>;
}

}  // namespace zenthue
